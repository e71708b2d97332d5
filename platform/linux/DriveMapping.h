#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace tallowby::platform {

// The folder that stands for the Windows system: drive C is its "drive_c",
// the layout of a Wine prefix, so that pointing TALLOWBY_PREFIX at a Wine
// prefix shares one settings file with the Windows build running under Wine.
// TALLOWBY_PREFIX, else ${XDG_DATA_HOME:-$HOME/.local/share}/tallowby.
std::filesystem::path SettingsPrefix();

// Maps "C:\dir\file" (either slash, any case of the drive letter) to its
// place under SettingsPrefix(). A name without a folder goes to C:\windows,
// as the platform keeps such profiles there. Other drives and relative paths
// with folders have no mapping.
std::optional<std::filesystem::path> MapWindowsPath(std::string_view windowsPath);

} // namespace tallowby::platform
