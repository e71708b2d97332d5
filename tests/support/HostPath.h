#pragma once

// Where a Windows path lies on the host, for tests and the benchmark, which
// look at the settings file behind the private-profile calls' back.

#include "platform/CodePage.h"
#include "settings/SettingsFile.h"
#if !defined(_WIN32)
#include "platform/linux/DriveMapping.h"
#endif

#include <filesystem>
#include <string>
#include <string_view>

namespace tallowby::test {

// The host file system's name for a Windows path such as "C:\dir\file.ini",
// in the code page. On Windows that is the path itself; on Linux drive C is
// a folder of the settings prefix (see DriveMapping.h).
inline std::filesystem::path HostPath(std::string_view windowsPath)
{
#if defined(_WIN32)
    const std::u16string wide = platform::FromAnsi(windowsPath);
    return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#else
    return platform::MapWindowsPath(windowsPath).value_or(std::filesystem::path(windowsPath));
#endif
}

// The settings file's name as the private-profile calls take it.
inline const std::string &SettingsFileName()
{
    static const std::string name = platform::ToAnsi(kSettingsFile);
    return name;
}

// Where the settings file lies on the host.
inline std::filesystem::path SettingsPath() { return HostPath(SettingsFileName()); }

} // namespace tallowby::test
