#pragma once

// Signatures of the kernel32 entries the settings store binds by name. They
// are spelled here without <windows.h>; each platform's binding checks them
// against the real declarations at compile time.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define TALLOWBY_WINAPI __stdcall
#else
#define TALLOWBY_WINAPI
#endif

namespace tallowby::platform {

using Win32Bool = int;
#if defined(_WIN32)
using Win32Dword = unsigned long;
#else
using Win32Dword = std::uint32_t;
#endif

// The longest key, value or default, in bytes, that the private-profile
// calls take: past it a write fails or crashes the platform, and a get
// hands back nothing at all instead of the default.
inline constexpr std::size_t kLongestProfileString = 32766;

using WritePrivateProfileStringAFn = Win32Bool(TALLOWBY_WINAPI *)(
    const char *section, const char *key, const char *value, const char *file);
using GetPrivateProfileStringAFn = Win32Dword(TALLOWBY_WINAPI *)(
    const char *section, const char *key, const char *defaultValue, char *buffer,
    Win32Dword size, const char *file);

} // namespace tallowby::platform
