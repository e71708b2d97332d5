#pragma once

// The ANSI code page in force in this process, for tests whose expectations
// follow the locale they run under.

#include <cstdint>
#include <cstdlib>
#include <optional>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "platform/linux/codepage/AnsiCodec.h"
#endif

namespace tallowby::test {

// The code page the store's conversions and the private-profile calls use.
inline std::uint32_t CodePageInForce()
{
#if defined(_WIN32)
    return ::GetACP();
#else
    return platform::ProcessCodec().Page();
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
