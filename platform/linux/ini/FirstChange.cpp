// The speed-up of the first change of a text read, as a process that makes
// one change and ends meets it: the set's line is found by the first
// look-up's scan (FirstLookUp.h), and a text already in the platform's
// layout, checked in one pass over its bytes (LayoutCheck.h), takes the
// change as a splice without its lines being read. A later call that needs
// the lines reads them and makes the change in them. Switched off
// (IniSpeedUps::firstChange), every change reads the lines; the fuzzer
// checks that both answer and write alike.

#include "platform/linux/ini/IniDocument.h"

#include "platform/linux/ini/FirstLookUp.h"
#include "platform/linux/ini/IniLayout.h"
#include "platform/linux/ini/IniLexer.h"
#include "platform/linux/ini/LayoutCheck.h"

namespace tallowby::platform {

// As SpliceChange would splice the change once the lines were read; none
// for what it would not splice.
std::optional<bool> IniDocument::ScanSet(std::string_view section, std::string_view key, std::string_view value)
{
    // As with a look-up, one change is cheaper in the text than reading its
    // lines, and the next calls pay for them.
    if (!speedUps_.firstChange || state_ != State::Unread || TrimBlanks(section).empty() || TrimBlanks(key).empty())
        return std::nullopt;
    state_ = State::Scanned;
    const ScannedEntry scanned = ScanForEntry(text_, section, key, SectionEnd::Wanted);
    const std::string_view text = text_;
    if (scanned.entry && scanned.entry->value == value)
        return false;
    if (!IsInLayout(text))
        return std::nullopt;
    const SetSite site = SiteOf(scanned, text);
    auto splice = SpliceSet(site, section, key, value);
    if (!splice)
        return std::nullopt;
    pending_ = PendingSet{std::string(section), std::string(key), std::string(value), std::move(*splice)};
    state_ = State::ChangePending;
    return true;
}

IniDocument::SetSite SiteOf(const ScannedEntry &scanned, std::string_view text)
{
    using Kind = IniDocument::SetSite::Kind;
    auto offset = [&](std::string_view piece) { return static_cast<std::size_t>(piece.data() - text.data()); };
    if (!scanned.entry)
        return scanned.body != std::string_view::npos ? IniDocument::SetSite{Kind::SectionEnd, scanned.end}
                                                      : IniDocument::SetSite{Kind::NoSection, text.size()};
    const IniLine &line = *scanned.entry;
    if (line.value)
        return {Kind::Value, offset(*line.value), line.value->size()};
    return {Kind::BareName, offset(line.name) + line.name.size()};
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

} // namespace tallowby::platform
