#pragma once

#include <cstdint>

namespace tallowby::platform {

// The calling thread's last Win32 error, as GetLastError reports it.
std::uint32_t LastError();
void SetLastError(std::uint32_t error);

#if !defined(_WIN32)
// The Win32 error number that stands for a POSIX errno value, so that the
// Linux stand-in reports a failed system call as the platform would.
std::uint32_t Win32ErrorFromErrno(int error);
#endif

} // namespace tallowby::platform
