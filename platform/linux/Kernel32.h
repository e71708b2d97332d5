#pragma once

// The Linux stand-ins for the kernel32 entries the settings store uses, with
// the platform's names, C signatures and behaviour. They keep the file in
// the platform's INI format, so a file written here is read alike by the
// Windows build and the other way round.

#include "platform/Kernel32Api.h"

namespace tallowby::platform::kernel32 {

// Stores `value` under `key` in `section` of `file`, creating what is missing.
// Returns nonzero on success; on failure zero, with the reason as last error.
// A null value removes the key, a null key the whole section; a null file is
// win.ini in C:\windows. A null section is refused as the platform refuses
// it, with ERROR_FILE_NOT_FOUND, and a file name holding a character no
// Windows name holds with ERROR_INVALID_NAME.
Win32Bool WritePrivateProfileStringA(const char *section, const char *key, const char *value,
                                     const char *file);

// Copies the value of `key` in `section` of `file`, or `defaultValue` when
// there is none, into `buffer` of `size` bytes, NUL-terminated and cut to
// fit. Returns the number of bytes before the NUL. A null key lists the
// section's keys (the default when it has none), a null section the file's
// sections, each name followed by a NUL and the list by another. The last
// error tells whether the file was read (ERROR_FILE_NOT_FOUND when missing).
Win32Dword GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                                    char *buffer, Win32Dword size, const char *file);

} // namespace tallowby::platform::kernel32
