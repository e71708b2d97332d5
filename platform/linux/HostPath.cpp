#include "platform/HostPath.h"

#include "platform/Utf8.h"
#include "platform/linux/DriveMapping.h"

namespace tallowby::platform {

std::string HostPath(std::u16string_view windowsPath)
{
    const std::string path = ToUtf8(windowsPath);
    const auto mapped = MapWindowsPath(path);
    return mapped ? mapped->string() : path;
}

} // namespace tallowby::platform
