#pragma once

#include <cstdint>

namespace tallowby::platform {

// The calling thread's last Win32 error, as GetLastError reports it.
std::uint32_t LastError();
void SetLastError(std::uint32_t error);

} // namespace tallowby::platform
