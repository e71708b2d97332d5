#include "platform/ProfileSave.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"

namespace tallowby::platform {

// The stand-in's own write already takes the writers' locks and replaces the
// file by a flushed new version, so the call alone is the whole save.
Error SaveProfileEntry(WritePrivateProfileStringAFn write, const char *section, const char *key, const char *value,
                       const char *file)
{
    SetLastError(0);
    if (write(section, key, value, file) != 0)
        return {};
    const std::uint32_t error = LastError();
    return error != 0 ? error : win32_error::WriteFault;
}

} // namespace tallowby::platform
