#include "settings/Status.h"

#include <cstdio>

namespace tallowby {

std::string StatusMessage(Status status)
{
    if (status.ok())
        return "success";
    switch (status.code()) {
    case E_OutOfMemory.code(): return "out of memory";
    case E_InvalidArg.code(): return "invalid argument";
    case E_Unexpected.code(): return "unexpected failure";
    default: break;
    }
    if ((status.code() & 0xFFFF0000u) != 0x80070000u)
        return "error";
    switch (status.code() & 0xFFFFu) {
    case win32_error::FileNotFound: return "file not found";
    case win32_error::PathNotFound: return "path not found";
    case win32_error::AccessDenied: return "access denied";
    case win32_error::NotEnoughMemory: return "out of memory";
    case win32_error::WriteProtect: return "media is write protected";
    case win32_error::WriteFault: return "write fault";
    case win32_error::ReadFault: return "read fault";
    case win32_error::GenFailure: return "device failure";
    case win32_error::SharingViolation: return "file in use by another process";
    case win32_error::LockViolation: return "file locked by another process";
    case win32_error::DiskFull: return "disk full";
    case win32_error::FileTooLarge: return "file too large";
    case win32_error::InvalidParameter: return "invalid argument";
    case win32_error::InvalidName: return "invalid file name";
    case win32_error::ModNotFound: return "library not found";
    case win32_error::ProcNotFound: return "entry point not found";
    case win32_error::FilenameTooLong: return "file name too long";
    case win32_error::DirectoryNotSupported: return "path is a folder";
    case win32_error::Timeout: return "timed out";
    default: return "system error " + std::to_string(status.code() & 0xFFFFu);
    }
}

std::string DescribeStatus(Status status)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(status.code()));
    return StatusMessage(status) + " (" + code + ")";
}

} // namespace tallowby
