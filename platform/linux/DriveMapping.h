#pragma once

#include "platform/Result.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
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

// The place of the settings file at the Windows path `windowsPath`, as the
// private-profile calls take it: ERROR_INVALID_NAME for a path holding a
// character no Windows file name holds (* ? < > " |), ERROR_PATH_NOT_FOUND
// where MapWindowsPath gives none.
Result<std::filesystem::path> MapProfilePath(std::string_view windowsPath);

// MapProfilePath for a caller that asks for the same path again and again:
// it remembers the last path it mapped, and maps again only when the path
// or the environment the prefix comes from has changed. Not thread-safe.
class RememberedMapping {
public:
    const Result<std::filesystem::path> &Map(std::string_view windowsPath);

private:
    // Whether the mapping remembered is that of `windowsPath` in the
    // environment as it is now.
    bool Remembers(std::string_view windowsPath) const;

    // None until one is remembered whole: a mapping cut short by an
    // exception is not remembered.
    bool remembered_ = false;
    std::string windowsPath_;
    std::array<std::string, 3> environment_;
    Result<std::filesystem::path> mapped_ = Error();
};

} // namespace tallowby::platform
