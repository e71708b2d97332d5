#include "platform/HostPath.h"

#include "platform/CodePage.h"

namespace tallowby::platform {

std::filesystem::path HostPath(std::string_view windowsPath)
{
    const std::u16string wide = FromAnsi(windowsPath);
    return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
}

} // namespace tallowby::platform
