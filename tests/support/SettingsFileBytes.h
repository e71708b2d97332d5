#pragma once

// Direct access to the settings file's bytes, for tests that arrange a file
// before an operation and look at it after.

#include "tests/support/HostPath.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

namespace tallowby::test {

inline void RemoveSettingsFile()
{
    std::error_code error;
    std::filesystem::remove_all(SettingsPath(), error);
}

inline std::optional<std::string> ReadSettingsFile()
{
    std::ifstream in(SettingsPath(), std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteSettingsFile(const std::string &bytes)
{
    std::filesystem::create_directories(SettingsPath().parent_path());
    std::ofstream out(SettingsPath(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace tallowby::test
