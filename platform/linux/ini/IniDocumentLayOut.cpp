// The document written back: its layout, and settling once the layout is
// in the file.

#include "platform/linux/ini/IniDocument.h"

#include "platform/linux/ini/IniLayout.h"
#include "platform/linux/ini/IniLexer.h"

#include <algorithm>

namespace tallowby::platform {

template <typename Self, typename Placed>
std::size_t IniDocument::Place(Self &self, Placed placed)
{
    std::size_t at = 0;
    for (auto &section : self.sections_) {
        // The lines before the first header have no header line.
        if (section.headed) {
            const auto line = ini_layout::Header(section.name.length);
            placed(section.name, at + line.name);
            at += line.length;
        }
        for (auto &entry : section.entries) {
            const bool hasValue = entry.hasValue();
            const std::optional<std::size_t> valueLength =
                hasValue ? std::optional<std::size_t>(entry.value.length) : std::nullopt;
            const auto line = ini_layout::Entry(entry.name.length, valueLength);
            placed(entry.name, at + line.name);
            if (hasValue)
                placed(entry.value, at + line.value);
            at += line.length;
        }
    }
    return at;
}

std::string IniDocument::LayOut()
{
    ReadLines();
    std::string text;
    text.reserve(Place(*this, [](const Span &, std::size_t) {}));
    for (const Section &section : sections_) {
        if (section.headed)
            ini_layout::AppendHeader(text, View(section.name));
        for (const Entry &entry : section.entries)
            ini_layout::AppendEntry(text, View(entry.name),
                                    entry.hasValue() ? std::optional(View(entry.value)) : std::nullopt);
    }
    return text;
}

void IniDocument::SettleLaidOut(std::string written)
{
    ReadLines();
    // A section without a name was written without its header, so its
    // lines now belong to the section before it, and a piece that does not
    // read back as itself makes other lines; only reading the text again
    // tells what they make.
    const bool nameless = std::any_of(sections_.begin(), sections_.end(), [](const Section &section) {
        return section.headed && section.name.length == 0;
    });
    if (nameless || state_ == State::ReadsBackOtherwise) {
        *this = FromText(std::move(written), speedUps_);
        return;
    }
    // Every name and value now lies where LayOut put it.
    Place(*this, [](Span &span, std::size_t at) { span.offset = static_cast<std::uint32_t>(at); });
    text_ = std::move(written);
    added_.clear();
    added_.shrink_to_fit();
    // Blanks written after a name or value are not read back, so a text
    // that had them is no longer what LayOut gives.
    state_ = TrimWritten() ? State::NotLaidOut : State::LaidOut;
}

bool IniDocument::TrimWritten()
{
    bool trimmed = false;
    auto trim = [this, &trimmed](Span &span) {
        const std::string_view text = View(span);
        const std::string_view cut = TrimBlanks(text);
        trimmed = trimmed || cut.size() != text.size();
        span.offset += static_cast<std::uint32_t>(cut.data() - text.data());
        span.length = static_cast<std::uint32_t>(cut.size());
    };
    for (const Written &written : unsettled_) {
        Section &section = sections_[written.section];
        if (written.entry == kHeader) {
            trim(section.name);
            continue;
        }
        Entry &entry = section.entries[written.entry];
        trim(entry.name);
        if (entry.hasValue())
            trim(entry.value);
    }
    unsettled_.clear();
    return trimmed;
}

} // namespace tallowby::platform
