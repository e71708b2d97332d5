#pragma once

// The ANSI code page in force in this process, for tests whose expectations
// follow the locale they run under.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "platform/CodePage.h"
#endif

namespace tallowby::test {

// The code page the store's conversions and the private-profile calls use.
// On Linux, 0 when the stand-in's page is none of those the tests know.
inline std::uint32_t CodePageInForce()
{
#if defined(_WIN32)
    return ::GetACP();
#else
    // The stand-in does not name its page; one character that each page
    // holds at bytes of its own tells them apart.
    struct Mark {
        std::uint32_t page;
        char16_t character;
        const char *bytes;
    };
    static constexpr Mark kMarks[] = {
        {1252, u'\u20ac', "\x80"},     {1251, u'\u0416', "\xc6"},     {1253, u'\u03a9', "\xd9"},
        {932, u'\u0416', "\x84\x47"}, {936, u'\u0416', "\xa7\xa8"},
    };
    for (const Mark &mark : kMarks) {
        if (platform::ToAnsi(std::u16string(1, mark.character)) == mark.bytes)
            return mark.page;
    }
    return 0;
#endif
}

// The code page a run was registered for, from TALLOWBY_CODE_PAGE. A locale
// that glibc has not generated silently falls back to 1252 on both builds,
// so a run in another locale must be able to tell.
inline std::optional<std::uint32_t> ExpectedCodePage()
{
    const char *page = std::getenv("TALLOWBY_CODE_PAGE");
    if (page == nullptr || *page == '\0')
        return std::nullopt;
    return static_cast<std::uint32_t>(std::strtoul(page, nullptr, 10));
}

} // namespace tallowby::test
