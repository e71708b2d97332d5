#include "settings/Status.h"

#include <array>
#include <cstdio>

namespace tallowby {

namespace {

namespace win32_error = platform::win32_error;

struct KnownStatus {
    Status status;
    const char *message; // as the tool prints it
    const char *cause;   // the name other programs see, e.g. in a D-Bus error
};

constexpr KnownStatus Win32(std::uint32_t error, const char *message, const char *cause)
{
    return {Status::FromWin32(error), message, cause};
}

// Where two codes share a message, the first is the one a cause stands for.
constexpr std::array kKnown{
    KnownStatus{kOutOfMemory, "out of memory", "OutOfMemory"},
    KnownStatus{kInvalidArgument, "invalid argument", "InvalidArgument"},
    KnownStatus{kUnexpected, "unexpected failure", "Unexpected"},
    Win32(win32_error::FileNotFound, "file not found", "FileNotFound"),
    Win32(win32_error::PathNotFound, "path not found", "PathNotFound"),
    Win32(win32_error::AccessDenied, "access denied", "AccessDenied"),
    Win32(win32_error::NotEnoughMemory, "out of memory", "OutOfMemory"),
    Win32(win32_error::WriteProtect, "media is write protected", "WriteProtected"),
    Win32(win32_error::WriteFault, "write fault", "WriteFault"),
    Win32(win32_error::ReadFault, "read fault", "ReadFault"),
    Win32(win32_error::GenFailure, "device failure", "DeviceFailure"),
    Win32(win32_error::SharingViolation, "file in use by another process", "SharingViolation"),
    Win32(win32_error::LockViolation, "file locked by another process", "LockViolation"),
    Win32(win32_error::DiskFull, "disk full", "DiskFull"),
    Win32(win32_error::FileTooLarge, "file too large", "FileTooLarge"),
    Win32(win32_error::InvalidParameter, "invalid argument", "InvalidArgument"),
    Win32(win32_error::InvalidName, "invalid file name", "InvalidFileName"),
    Win32(win32_error::ModNotFound, "library not found", "LibraryNotFound"),
    Win32(win32_error::ProcNotFound, "entry point not found", "EntryPointNotFound"),
    Win32(win32_error::FilenameTooLong, "file name too long", "FileNameTooLong"),
    Win32(win32_error::DirectoryNotSupported, "path is a folder", "PathIsAFolder"),
    Win32(win32_error::Timeout, "timed out", "Timeout"),
    // What a call to the window meets when the window has gone.
    Win32(win32_error::RpcServerUnavailable, "no Tallowby window is running", "NoWindowRunning"),
};

const KnownStatus *Find(Status status)
{
    for (const KnownStatus &known : kKnown)
        if (known.status == status)
            return &known;
    return nullptr;
}

bool IsWin32(Status status) { return (status.code() & 0xFFFF0000u) == 0x80070000u; }

} // namespace

std::string StatusMessage(Status status)
{
    if (status.ok())
        return "success";
    if (const KnownStatus *known = Find(status))
        return known->message;
    if (IsWin32(status))
        return "system error " + std::to_string(status.code() & 0xFFFFu);
    return "error";
}

std::string StatusCause(Status status)
{
    if (status.ok())
        return "Success";
    if (const KnownStatus *known = Find(status))
        return known->cause;
    return IsWin32(status) ? "SystemError" : "Failed";
}

std::optional<Status> StatusFromCause(std::string_view cause)
{
    for (const KnownStatus &known : kKnown)
        if (cause == known.cause)
            return known.status;
    return std::nullopt;
}

std::string DescribeStatus(Status status)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(status.code()));
    return StatusMessage(status) + " (" + code + ")";
}

std::optional<Status> ParseStatusDescription(std::string_view description)
{
    // The code closes the text: "... (0x80070005)".
    constexpr std::size_t kCodeLength = 12;
    if (description.size() < kCodeLength || description.substr(description.size() - kCodeLength, 3) != "(0x" ||
        description.back() != ')')
        return std::nullopt;
    std::uint32_t code = 0;
    for (const char digit : description.substr(description.size() - 9, 8)) {
        const int value = digit >= '0' && digit <= '9'   ? digit - '0'
                          : digit >= 'A' && digit <= 'F' ? digit - 'A' + 10
                                                         : -1;
        if (value < 0)
            return std::nullopt;
        code = code << 4 | static_cast<std::uint32_t>(value);
    }
    const Status status(code);
    if (status.ok())
        return std::nullopt;
    return status;
}

} // namespace tallowby
