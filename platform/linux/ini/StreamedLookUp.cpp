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
    // Full of one unfinished line: only a longer buffer holds it.
    if (held_ == buffer_.size())
        buffer_.resize(buffer_.size() * 2);
    return {buffer_.data() + held_, buffer_.size() - held_};
}

void StreamedLookUp::Took(std::size_t size)
{
    if (Done())
        return;
    if (size == 0) {
        Scan(std::string_view(buffer_.data(), held_));
        if (!Done())
            state_ = State::Ended;
        held_ = scanned_ = 0;
        return;
    }
    held_ += size;
    // Lines end at CR or LF; a CR LF split between reads only adds a blank
    // line, which changes no answer.
    std::size_t end = held_;
    while (end > scanned_ && buffer_[end - 1] != '\n' && buffer_[end - 1] != '\r')
        --end;
    if (end == scanned_) {
        scanned_ = held_;
        return;
    }
    Scan(std::string_view(buffer_.data(), end));
    std::memmove(buffer_.data(), buffer_.data() + end, held_ - end);
    held_ -= end;
    scanned_ = held_;
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
    if (scanned.entry) {
        // The first entry of that name decides, even without a value.
        state_ = State::Found;
        if (scanned.entry->value)
            value_ = std::string(*scanned.entry->value);
    } else {
        state_ = scanned.end < lines.size() ? State::Ended : State::InSection;
    }
}

} // namespace tallowby::platform
