#pragma once

#include "platform/Result.h"
#include "platform/UniqueHandle.h"

namespace tallowby::platform {

// A loaded library, found by name as LoadLibrary finds it, and its entries,
// found by name as GetProcAddress finds them. Move-only; the library stays
// loaded while its owner lives. On Linux the libraries are the project's
// own stand-ins, registered under the Windows library names.
class Library {
public:
    // Loads `name` into `out`, or gives the Win32 error number
    // (ERROR_MOD_NOT_FOUND when there is no such library).
    static Error Open(const char *name, Library &out);

    // Looks up `entry` and sets `address`, or gives the Win32 error number
    // (ERROR_PROC_NOT_FOUND when the library has no such entry).
    Error Find(const char *entry, void *&address) const;

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
