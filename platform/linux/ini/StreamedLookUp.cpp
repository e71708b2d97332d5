#include "platform/linux/ini/StreamedLookUp.h"

#include "platform/linux/ini/FirstLookUp.h"
#include "platform/linux/ini/IniLexer.h"

#include <algorithm>
#include <cstring>

namespace tallowby::platform {

StreamedLookUp::StreamedLookUp(std::string_view section, std::string_view key, std::size_t buffer)
    : section_(TrimBlanks(section)), key_(TrimBlanks(key)), buffer_(std::max<std::size_t>(buffer, 1), '\0')
{
}

std::span<char> StreamedLookUp::Room()
{
    if (lines_ != 0) {
        std::memmove(buffer_.data(), buffer_.data() + lines_, held_ - lines_);
        held_ -= lines_;
        base_ += lines_;
        scanned_ = held_;
        lines_ = 0;
    }
    // Full of one unfinished line: only a longer buffer holds it.
    if (held_ == buffer_.size())
        buffer_.resize(buffer_.size() * 2);
    return {buffer_.data() + held_, buffer_.size() - held_};
}

void StreamedLookUp::Took(std::size_t size)
{
    if (size == 0) {
        lines_ = held_;
        if (!Done()) {
            Scan(Lines());
            if (!Done()) {
                // The section, if any, runs to the text's end.
                site_ = {state_ == State::InSection ? IniDocument::SetSite::Kind::SectionEnd
                                                    : IniDocument::SetSite::Kind::NoSection,
                         base_ + held_, 0};
                state_ = State::Ended;
            }
        }
        held_ = scanned_ = 0;
        return;
    }
    held_ += size;
    // Whole lines end at an LF, so that a CR LF is never split; a CR alone
    // ends a line too, and such lines wait for the next LF.
    std::size_t end = held_;
    while (end > scanned_ && buffer_[end - 1] != '\n')
        --end;
    if (end == scanned_) {
        scanned_ = held_;
        return;
    }
    lines_ = end;
    if (!Done())
        Scan(Lines());
}

void StreamedLookUp::Scan(std::string_view lines)
{
    ScannedEntry scanned;
    if (state_ == State::LookingForSection) {
        scanned = ScanForEntry(lines, section_, key_, SectionEnd::Wanted);
        if (scanned.body == std::string_view::npos)
            return;
    } else {
        scanned = ScanSection(lines, 0, key_, SectionEnd::Wanted);
    }
    if (scanned.entry || scanned.end < lines.size()) {
        // The first entry of that name decides, even without a value.
        state_ = scanned.entry ? State::Found : State::Ended;
        if (scanned.entry && scanned.entry->value)
            value_ = std::string(*scanned.entry->value);
        site_ = SiteOf(scanned, lines);
        site_.at += base_;
    } else {
        state_ = State::InSection;
    }
}

} // namespace tallowby::platform
