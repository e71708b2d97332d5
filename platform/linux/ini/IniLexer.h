#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tallowby::platform {

// The blanks the platform trims: space, tab, vertical tab, form feed.
// Inline, as every look-up of a name trims and compares.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
inline std::string_view TrimLeadingBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}
inline std::string_view TrimBlanks(std::string_view text)
{
    text = TrimLeadingBlanks(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// `value` without a matching pair of surrounding quotes, single or double.
std::string_view StripQuotes(std::string_view value);

// `c` in lower case when it is an ASCII capital, as SameName compares it.
inline char FoldAscii(char c)
{
    return static_cast<unsigned char>(c - 'A') < 26 ? static_cast<char>(c + ('a' - 'A')) : c;
}
// Equality of `a`, trimmed here, and `trimmed`, which the caller trimmed,
// regardless of ASCII case: a look-up trims its name once for all the
// names it compares it with.
inline bool SameAsTrimmed(std::string_view a, std::string_view trimmed)
{
    a = TrimBlanks(a);
    if (a.size() != trimmed.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != trimmed[i] && FoldAscii(a[i]) != FoldAscii(trimmed[i]))
            return false;
    }
    return true;
}
// Equality of names regardless of ASCII case and surrounding blanks.
inline bool SameName(std::string_view a, std::string_view b) { return SameAsTrimmed(a, TrimBlanks(b)); }

// The next line of `text` from `start`, which moves past the line's end:
// lines end at LF, CR LF or a lone CR, and a NUL ends the text of its line
// though the next line still starts after the line's end. `start` must lie
// within `text`.
std::string_view NextLine(std::string_view text, std::size_t &start);

// One line of an INI file, as the platform reads it.
struct IniLine {
    enum class Kind { Blank, Header, Entry };
    Kind kind = Kind::Blank;
    // A header's or an entry's name, without surrounding blanks; an entry
    // without "=" is a bare name, the whole line (comments are bare names).
    std::string_view name;
    // An entry's value, without surrounding blanks; none for a bare name.
    std::optional<std::string_view> value;
};

// What `line`, as NextLine gives it, holds: nothing but blanks; a header,
// "[" then the name up to the first "]", whatever follows it; or an entry,
// split at its first "=".
IniLine ReadLine(std::string_view line);

} // namespace tallowby::platform
