#pragma once

#include "platform/linux/ini/IniLexer.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tallowby::platform {

// The layout in which the platform writes a settings file back: a line
// "[name]" per section, then a line "name=value" per entry ("name" alone for
// a bare name), each line ending in CR LF, and no blank lines. A section
// without a name gets no header line, so its lines join the section before
// it when the file is read again.
//
// Where each piece of a line lands is known from the pieces' lengths alone,
// so that a document can size its text before laying it out and find its
// names and values in it afterwards without a second pass over the text.
// Inline, since a file of 100,000 keys takes 200,000 calls.
namespace ini_layout {

inline constexpr std::string_view kLineEnd = "\r\n";

// Where a line's name and value begin, from the line's start, and the
// line's length with its line end.
struct Line {
    std::size_t name = 0;
    std::size_t value = 0;
    std::size_t length = 0;
};

// "[" name "]" line end; nothing for a section without a name.
inline Line Header(std::size_t nameLength)
{
    return nameLength == 0 ? Line{} : Line{1, 0, 1 + nameLength + 1 + kLineEnd.size()};
}

// name "=" value line end, or name line end for a bare name.
inline Line Entry(std::size_t nameLength, std::optional<std::size_t> valueLength)
{
    return Line{0, nameLength + 1, nameLength + (valueLength ? 1 + *valueLength : 0) + kLineEnd.size()};
}

// Whether `raw`, a line of a text as NextLine splits it, is what AppendHeader
// or AppendEntry writes for `line`, which ReadLine read in it: then the
// pieces of that line lie where this layout puts them. `ended` is what
// follows `raw` up to the next line, its line end.
inline bool IsLaidOut(std::string_view raw, std::string_view ended, const IniLine &line)
{
    if (ended != kLineEnd)
        return false;
    const std::size_t length = raw.size() + ended.size();
    switch (line.kind) {
    case IniLine::Kind::Blank:
        return false;
    case IniLine::Kind::Header: {
        const Line header = Header(line.name.size());
        return !line.name.empty() && line.name.data() == raw.data() + header.name && length == header.length;
    }
    case IniLine::Kind::Entry:
        break;
    }
    const Line entry =
        Entry(line.name.size(), line.value ? std::optional<std::size_t>(line.value->size()) : std::nullopt);
    return line.name.data() == raw.data() + entry.name && length == entry.length &&
           (!line.value || line.value->data() == raw.data() + entry.value);
}

// Whether the line laid out for a header named `name`, or for an entry of
// `name` and `value`, reads back as that header or entry: a line break
// would split it, a "]" end a header's name early, and an "=" split an
// entry's name, as would a "[" first make it a header. Names come without
// their leading blanks.
inline bool HeaderReadsBack(std::string_view name)
{
    return name.find_first_of(std::string_view("\r\n\0]", 4)) == std::string_view::npos;
}
inline bool EntryReadsBack(std::string_view name, std::optional<std::string_view> value)
{
    constexpr std::string_view kLineBreaks("\r\n\0", 3);
    return name.find_first_of(std::string_view("\r\n\0=", 4)) == std::string_view::npos &&
           !name.starts_with('[') && (!value || value->find_first_of(kLineBreaks) == std::string_view::npos);
}

inline void AppendHeader(std::string &out, std::string_view name)
{
    if (name.empty())
        return;
    out += '[';
    out.append(name);
    out.append("]\r\n");
}

inline void AppendEntry(std::string &out, std::string_view name, std::optional<std::string_view> value)
{
    out.append(name);
    if (value) {
        out += '=';
        out.append(*value);
    }
    out.append("\r\n");
}

} // namespace ini_layout

} // namespace tallowby::platform
