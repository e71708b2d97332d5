#pragma once

// The speed-up of the first look-up after another program changed the file:
// a get reads the file once and finds its answer in the text, without
// reading its lines. IniDocument uses it unless switched off
// (IniSpeedUps), and a process's first look-up and set, made while the
// file is read, find their lines the same way (StreamedLookUp.h,
// StreamedSet.h).

#include "platform/linux/ini/IniDocument.h"
#include "platform/linux/ini/IniLexer.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace tallowby::platform {

// Where `needle` first occurs in `text` at or after `from`, ASCII case
// aside; npos when nowhere. `needle` must not be empty. At memory speed: a
// block of positions is tested at once for the needle's first and last
// bytes, and only those that pass are compared whole.
std::size_t FindFolded(std::string_view text, std::size_t from, std::string_view needle);

// What a whole parse of `text` would answer for the value of `key` in the
// first section named `section` (see IniDocument::Find), found without the
// parse: the section's header and the key's line are looked for directly,
// and only lines that hold their names are read. Both names must hold more
// than blanks. The value is without surrounding blanks, quotes still on;
// none when the section, the key or the key's value is absent.
std::optional<std::string_view> ScanForValue(std::string_view text, std::string_view section,
                                             std::string_view key);

// Where a whole parse of `text` would find the entry that ScanForValue
// looks for, found the same way.
enum class SectionEnd { Unwanted, Wanted };
struct ScannedEntry {
    // Where the section's lines start; npos when there is no such section.
    std::size_t body = std::string_view::npos;
    // The key's line, read, its pieces within `text`; none when the section
    // does not hold the key.
    std::optional<IniLine> entry;
    // When the section is there without the key, and its end was wanted:
    // where its lines end, at the next header's line or the text's end.
    std::size_t end = std::string_view::npos;
};
ScannedEntry ScanForEntry(std::string_view text, std::string_view section, std::string_view key,
                          SectionEnd sectionEnd);

// Where a set of the key goes, by what ScanForEntry found in `text`.
IniDocument::SetSite SiteOf(const ScannedEntry &scanned, std::string_view text);

// ScanForEntry's look for the key, in the section whose lines start at
// `body`: in text that starts within that section, at 0.
ScannedEntry ScanSection(std::string_view text, std::size_t body, std::string_view key, SectionEnd sectionEnd);

// Where the first line in [from, to) that reads as a header starts; npos
// when none does.
std::size_t FindHeaderLine(std::string_view text, std::size_t from, std::size_t to);

} // namespace tallowby::platform
