#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby::platform {

// The text of an INI file in the platform's format, as the private-profile
// calls read and change it. Text is bytes of the ANSI code page. Names of
// sections and keys match regardless of case. A change touches only the
// line of its key; every other line keeps its bytes and its place.
class IniDocument {
public:
    // Splits `bytes` into lines at CR LF, LF or a lone CR.
    static IniDocument Parse(std::string_view bytes);

    // The value of `key` in `section`, its surrounding blanks and a matching
    // pair of surrounding quotes removed; none when either is absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Stores `value` under `key` in `section`: the key's line is replaced
    // where it stands, else a line is added at the end of the section, else
    // the section is added at the end. Names and value are trimmed.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key's line; removes nothing when there is none.
    void RemoveKey(std::string_view section, std::string_view key);
    // Removes the section, its header and its lines.
    void RemoveSection(std::string_view section);

    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    // The file's bytes, every line ending in CR LF.
    std::string Serialize() const;

private:
    struct Section {
        std::size_t header; // index of the "[name]" line
        std::size_t end;    // one past its last line
    };

    std::optional<Section> FindSection(std::string_view name) const;
    std::optional<std::size_t> FindKey(const Section &section, std::string_view key) const;

    std::vector<std::string> lines_;
};

// Blanks the platform trims from names and values.
std::string_view TrimBlanks(std::string_view text);
// Equality of names regardless of case, in the Windows-1252 code page.
bool SameName(std::string_view a, std::string_view b);

} // namespace tallowby::platform
