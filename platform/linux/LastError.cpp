#include "platform/LastError.h"

namespace tallowby::platform {

namespace {
thread_local std::uint32_t lastError = 0;
}

std::uint32_t LastError() { return lastError; }
void SetLastError(std::uint32_t error) { lastError = error; }

} // namespace tallowby::platform
