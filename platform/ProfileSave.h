#pragma once

#include "platform/Kernel32Api.h"
#include "platform/Result.h"

namespace tallowby::platform {

// Changes one entry of the private-profile file `file` through the
// platform's own `write` (WritePrivateProfileStringA: a key's value, or with
// a null value the key's removal), so that the file keeps the platform's
// format and a crash, a kill or a power cut at any moment leaves the old
// file or the new one whole; once it has returned, the new one stays.
// Writers in other processes, of either build, take turns around it.
// Returns the Win32 error of the step that failed, if one did, with the file
// as it was and nothing left beside it.
Error SaveProfileEntry(WritePrivateProfileStringAFn write, const char *section, const char *key,
                               const char *value, const char *file);

} // namespace tallowby::platform
