#include "platform/CodePage.h"

#include <array>

// Linux has no ANSI code page; the program's locale (US English) uses
// Windows-1252. Bytes 0x00-0x7F and 0xA0-0xFF are the same code points in
// Unicode; 0x80-0x9F hold the table below, and its five unassigned bytes map
// to the C1 control of the same number, as the platform maps them.

namespace tallowby::platform {

namespace {

constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Decode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

char Encode(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<char>(unit);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == unit)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

std::string ToAnsi(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    // Each UTF-16 unit on its own, as the platform converts: a character
    // beyond the BMP becomes two "?".
    for (const char16_t unit : text)
        bytes.push_back(Encode(unit));
    return bytes;
}

std::u16string FromAnsi(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text.push_back(Decode(static_cast<unsigned char>(byte)));
    return text;
}

} // namespace tallowby::platform
