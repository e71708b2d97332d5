#include "platform/LastError.h"

#include "platform/Win32Error.h"

#include <cerrno>

namespace tallowby::platform {

namespace {
thread_local std::uint32_t lastError = 0;
}

std::uint32_t LastError() { return lastError; }
void SetLastError(std::uint32_t error) { lastError = error; }

std::uint32_t Win32ErrorFromErrno(int error)
{
    switch (error) {
    case 0: return 0;
    case ENOENT: return win32_error::PathNotFound;
    case ENOTDIR: return win32_error::PathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return win32_error::AccessDenied;
    case EROFS: return win32_error::WriteProtect;
    case ENOSPC:
    case EDQUOT: return win32_error::DiskFull;
    case EFBIG: return win32_error::FileTooLarge;
    case ENOMEM: return win32_error::NotEnoughMemory;
    case ENAMETOOLONG: return win32_error::FilenameTooLong;
    case EWOULDBLOCK: return win32_error::LockViolation;
    case EIO: return win32_error::WriteFault;
    default: return win32_error::GenFailure;
    }
}

} // namespace tallowby::platform
