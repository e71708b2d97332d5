#include "platform/linux/ini/IniLexer.h"

#include <algorithm>
#include <cstring>

namespace tallowby::platform {

std::string_view StripQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string_view NextLine(std::string_view text, std::size_t &start)
{
    const void *newline = std::memchr(text.data() + start, '\n', text.size() - start);
    const std::size_t end = newline ? static_cast<const char *>(newline) - text.data() : text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (const auto cr = line.find('\r'); cr != std::string_view::npos && cr + 1 < line.size()) {
        start = static_cast<std::size_t>(line.data() - text.data()) + cr + 1;
        line = line.substr(0, cr);
    }
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (const auto nul = line.find('\0'); nul != std::string_view::npos)
        line = line.substr(0, nul);
    return line;
}

IniLine ReadLine(std::string_view line)
{
    line = TrimBlanks(line);
    if (line.empty())
        return {};
    if (line.front() == '[') {
        if (const auto close = line.find(']'); close != std::string_view::npos)
            return {IniLine::Kind::Header, TrimBlanks(line.substr(1, close - 1)), std::nullopt};
    }
    if (const auto equals = line.find('='); equals != std::string_view::npos)
        return {IniLine::Kind::Entry, TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1))};
    return {IniLine::Kind::Entry, line, std::nullopt};
}

} // namespace tallowby::platform
