#include "platform/HostPath.h"

#include "platform/Utf8.h"

namespace tallowby::platform {

std::string HostPath(std::u16string_view windowsPath) { return ToUtf8(windowsPath); }

} // namespace tallowby::platform
