#pragma once

#include "platform/UniqueHandle.h"

#include <cstdint>

namespace tallowby::platform {

// A loaded library, found by name as LoadLibrary finds it, and its entries,
// found by name as GetProcAddress finds them. Move-only; the library stays
// loaded while its owner lives. On Linux the libraries are the project's
// own stand-ins, registered under the Windows library names.
class Library {
public:
    // Loads `name` into `out`. Returns 0, or the Win32 error number
    // (ERROR_MOD_NOT_FOUND when there is no such library).
    static std::uint32_t Open(const char *name, Library &out);

    // Looks up `entry`. Returns 0 and sets `address`, or the Win32 error
    // number (ERROR_PROC_NOT_FOUND when the library has no such entry).
    std::uint32_t Find(const char *entry, void *&address) const;

    explicit operator bool() const { return static_cast<bool>(handle_); }

private:
    // Each platform's Library.cpp defines how a library is let go.
    struct LibraryTraits : KeepsLastError {
        using Handle = void *;
        static Handle Invalid() { return nullptr; }
        static void Close(Handle handle);
    };

    UniqueHandle<LibraryTraits> handle_;
};

} // namespace tallowby::platform
