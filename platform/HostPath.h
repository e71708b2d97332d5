#pragma once

#include <filesystem>
#include <string_view>

namespace tallowby::platform {

// The host file system's name for a Windows path such as "C:\dir\file.ini".
// On Windows that is the path itself; on Linux drive C is a folder of the
// settings prefix (see DriveMapping.h).
std::filesystem::path HostPath(std::string_view windowsPath);

} // namespace tallowby::platform
