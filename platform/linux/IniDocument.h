#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby::platform {

// An INI file as the platform's private-profile calls hold it: sections of
// entries, where an entry is a name with a value or a bare name (comments
// are bare names too). Text is bytes of the ANSI code page. Names match
// regardless of ASCII case and of surrounding blanks.
//
// Written back, the file takes the platform's layout: "[name]" headers,
// "name=value" lines with blanks trimmed, CR LF line ends, no blank lines,
// and whatever preceded the first header still first. Lines that are not
// changed keep their place and order.
class IniDocument {
public:
    // Reads `bytes`: lines end at CR LF, LF or a lone CR, and a NUL ends the
    // text of its line. A UTF-8 byte-order mark is kept for writing back.
    static IniDocument Parse(std::string_view bytes);

    // The value of `key` in the first section named `section`, without
    // surrounding blanks and a matching pair of surrounding quotes; none
    // when the section, the key or the key's value is absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Stores `value` under `key`: the key's entry takes it where it stands,
    // else an entry is added at the end of the section, else the section at
    // the end of the file. New names and values lose their leading blanks.
    // Returns whether anything changed.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);

    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    std::string Serialize() const;

private:
    struct Entry {
        std::string name;
        std::optional<std::string> value;
    };
    struct Section {
        std::string name;
        bool headed = true; // false for the lines before the first header
        std::vector<Entry> entries;
    };

    Section *FindSection(std::string_view name);
    const Section *FindSection(std::string_view name) const;

    std::vector<Section> sections_;
    bool byteOrderMark_ = false;
};

// The blanks the platform trims: space, tab, vertical tab, form feed.
std::string_view TrimBlanks(std::string_view text);
std::string_view TrimLeadingBlanks(std::string_view text);
// Equality of names regardless of ASCII case.
bool SameName(std::string_view a, std::string_view b);

} // namespace tallowby::platform
