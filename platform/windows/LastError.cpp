#include "platform/LastError.h"

#include <windows.h>

namespace tallowby::platform {

std::uint32_t LastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t error) { ::SetLastError(error); }

} // namespace tallowby::platform
