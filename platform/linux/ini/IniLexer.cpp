#include "platform/linux/ini/IniLexer.h"

#include <algorithm>
#include <cstring>

namespace tallowby::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

} // namespace

std::string_view TrimLeadingBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimBlanks(std::string_view text)
{
    text = TrimLeadingBlanks(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view StripQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool SameName(std::string_view a, std::string_view b)
{
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
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
