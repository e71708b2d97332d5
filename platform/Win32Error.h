#pragma once

#include <cstdint>

// The Win32 error numbers the project reports or meets, by their meaning.
namespace tallowby::platform::win32_error {
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t PathNotFound = 3;
inline constexpr std::uint32_t AccessDenied = 5;
inline constexpr std::uint32_t NotEnoughMemory = 8;
inline constexpr std::uint32_t WriteProtect = 19;
inline constexpr std::uint32_t WriteFault = 29;
inline constexpr std::uint32_t ReadFault = 30;
inline constexpr std::uint32_t GenFailure = 31;
inline constexpr std::uint32_t SharingViolation = 32;
inline constexpr std::uint32_t LockViolation = 33;
inline constexpr std::uint32_t FileTooLarge = 223;
inline constexpr std::uint32_t DiskFull = 112;
inline constexpr std::uint32_t InvalidParameter = 87;
inline constexpr std::uint32_t InvalidName = 123;
inline constexpr std::uint32_t ModNotFound = 126;
inline constexpr std::uint32_t ProcNotFound = 127;
inline constexpr std::uint32_t FilenameTooLong = 206;
inline constexpr std::uint32_t DirectoryNotSupported = 336;
inline constexpr std::uint32_t Timeout = 1460;
inline constexpr std::uint32_t RpcServerUnavailable = 1722;
} // namespace tallowby::platform::win32_error
