// The speed-up of a save of one change: a text already in the platform's
// layout is written as it is around the changed line, instead of laying out
// every line again, and the document settles in place. Switched off
// (IniSpeedUps::splicedSave), every save lays the document out whole; the
// fuzzer checks that both write the same file and settle alike.

#include "platform/linux/ini/IniDocument.h"

#include "platform/linux/ini/IniLayout.h"

namespace tallowby::platform {

std::optional<IniDocument::Splice> IniDocument::SpliceChange() const
{
    if (!speedUps_.splicedSave)
        return std::nullopt;
    if (state_ != State::OneChangeSinceLaidOut)
        return std::nullopt;
    // Where the line that holds a piece of the text ends.
    auto lineEnd = [&](const Entry &entry) {
        const auto line = ini_layout::Entry(
            entry.name.length, entry.hasValue() ? std::optional<std::size_t>(entry.value.length) : std::nullopt);
        return entry.name.offset - line.name + line.length;
    };
    Splice splice;
    if (unsettled_.size() == 2 && unsettled_[0].entry == kHeader) {
        // A new section, with its one entry, at the end.
        const Section &section = sections_[unsettled_[0].section];
        if (section.name.length == 0)
            return std::nullopt;
        splice.at = text_.size();
        ini_layout::AppendHeader(splice.inserted, View(section.name));
        ini_layout::AppendEntry(splice.inserted, View(section.entries[0].name), View(section.entries[0].value));
        return splice;
    }
    if (unsettled_.size() != 1 || unsettled_[0].entry == kHeader)
        return std::nullopt;
    const Section &section = sections_[unsettled_[0].section];
    const Entry &entry = section.entries[unsettled_[0].entry];
    if ((entry.name.offset & kAdded) == 0) {
        // A new value of a name the text holds: after its "=", or after
        // the name of a bare name, with the "=".
        if (replaced_.offset == kNoValue) {
            splice.at = entry.name.offset + entry.name.length;
            splice.inserted = '=';
        } else {
            splice.at = replaced_.offset;
            splice.removed = replaced_.length;
        }
        splice.inserted += View(entry.value);
        return splice;
    }
    // A new entry, after the section's last line.
    const std::size_t count = section.entries.size();
    if (count >= 2) {
        splice.at = lineEnd(section.entries[count - 2]);
    } else if (section.headed) {
        const auto header = ini_layout::Header(section.name.length);
        splice.at = section.name.offset - header.name + header.length;
    } else {
        splice.at = 0;
    }
    ini_layout::AppendEntry(splice.inserted, View(entry.name), View(entry.value));
    return splice;
}

void IniDocument::SettleSpliced(const Splice &splice)
{
    text_.replace(splice.at, splice.removed, splice.inserted);
    const auto delta = static_cast<std::ptrdiff_t>(splice.inserted.size()) - static_cast<std::ptrdiff_t>(splice.removed);
    if (delta != 0)
        ShiftSpans(splice.at + splice.removed, delta);
    // The changed pieces now lie in the text, where the splice put them.
    auto at = [](std::size_t offset, std::uint32_t length) {
        return Span{static_cast<std::uint32_t>(offset), length};
    };
    std::size_t lineStart = splice.at;
    for (const Written &written : unsettled_) {
        Section &section = sections_[written.section];
        if (written.entry == kHeader) {
            const auto header = ini_layout::Header(section.name.length);
            section.name = at(lineStart + header.name, section.name.length);
            lineStart += header.length;
            continue;
        }
        Entry &entry = section.entries[written.entry];
        const auto line = ini_layout::Entry(entry.name.length, entry.value.length);
        if (entry.name.offset & kAdded)
            entry.name = at(lineStart + line.name, entry.name.length);
        // A new value lies after its name's "=", whether or not the name is
        // new.
        entry.value = at(entry.name.offset - line.name + line.value, entry.value.length);
    }
    added_.clear();
    state_ = TrimWritten() ? State::NotLaidOut : State::LaidOut;
}

std::optional<IniDocument::Splice> IniDocument::SpliceSet(const SetSite &site, std::string_view section,
                                                          std::string_view key, std::string_view value)
{
    Splice splice;
    splice.at = site.at;
    switch (site.kind) {
    case SetSite::Kind::Value:
    case SetSite::Kind::BareName:
        // A new value where the old one lies, or after a bare name.
        if (!ini_layout::EntryReadsBack({}, value))
            return std::nullopt;
        splice.removed = site.removed;
        if (site.kind == SetSite::Kind::BareName)
            splice.inserted = '=';
        splice.inserted += value;
        break;
    case SetSite::Kind::SectionEnd:
        // A new entry after the section's last line.
        if (!ini_layout::EntryReadsBack(TrimLeadingBlanks(key), value))
            return std::nullopt;
        ini_layout::AppendEntry(splice.inserted, TrimLeadingBlanks(key), value);
        break;
    case SetSite::Kind::NoSection:
        // A new section at the end.
        if (!ini_layout::HeaderReadsBack(TrimLeadingBlanks(section)) ||
            !ini_layout::EntryReadsBack(TrimLeadingBlanks(key), value))
            return std::nullopt;
        ini_layout::AppendHeader(splice.inserted, TrimLeadingBlanks(section));
        ini_layout::AppendEntry(splice.inserted, TrimLeadingBlanks(key), value);
        break;
    }
    return splice;
}

void IniDocument::ShiftSpans(std::size_t from, std::ptrdiff_t delta)
{
    auto shift = [&](Span &span) {
        if ((span.offset & kAdded) == 0 && span.offset != kNoValue && span.offset >= from)
            span.offset = static_cast<std::uint32_t>(static_cast<std::ptrdiff_t>(span.offset) + delta);
    };
    for (Section &section : sections_) {
        shift(section.name);
        for (Entry &entry : section.entries) {
            shift(entry.name);
            shift(entry.value);
        }
    }
}

} // namespace tallowby::platform
