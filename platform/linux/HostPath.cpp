#include "platform/HostPath.h"

#include "platform/CodePage.h"
#include "platform/Utf8.h"
#include "platform/linux/DriveMapping.h"

namespace tallowby::platform {

std::string HostPath(std::u16string_view windowsPath)
{
    // The mapping takes the path as the private-profile calls do: in the code page.
    const auto mapped = MapWindowsPath(ToAnsi(windowsPath));
    return mapped ? mapped->string() : ToUtf8(windowsPath);
}

} // namespace tallowby::platform
