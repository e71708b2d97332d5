#include "platform/linux/DriveMapping.h"

#include "platform/Utf8.h"
#include "platform/Win32Error.h"
#include "platform/linux/codepage/AnsiCodec.h"

#include <cstdlib>

namespace tallowby::platform {

namespace {

// The variables SettingsPrefix reads, in the order it reads them.
constexpr std::array<const char *, 3> kPrefixVariables = {"TALLOWBY_PREFIX", "XDG_DATA_HOME", "HOME"};

std::string_view Variable(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

std::filesystem::path FromEnvironment(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::filesystem::path(value) : std::filesystem::path();
}

} // namespace

std::filesystem::path SettingsPrefix()
{
    if (auto prefix = FromEnvironment("TALLOWBY_PREFIX"); !prefix.empty())
        return prefix;
    auto data = FromEnvironment("XDG_DATA_HOME");
    if (data.empty()) {
        auto home = FromEnvironment("HOME");
        data = (home.empty() ? std::filesystem::path("/tmp") : home) / ".local" / "share";
    }
    return data / "tallowby";
}

namespace {

// Names arrive in the ANSI code page, Linux names are UTF-8. The whole
// path is converted first, as the platform reads it: in a double-byte page a
// trail byte can be "\\" or "|".
std::string DecodePath(std::string_view ansiPath) { return ToUtf8(ProcessCodec().DecodeArgument(ansiPath)); }

std::optional<std::filesystem::path> MapDecoded(std::string_view windowsPath)
{
    std::filesystem::path mapped = SettingsPrefix() / "drive_c";
    std::string_view rest;
    const bool hasDrive = windowsPath.size() >= 2 && windowsPath[1] == ':';
    if (hasDrive) {
        if (windowsPath[0] != 'C' && windowsPath[0] != 'c')
            return std::nullopt;
        rest = windowsPath.substr(2);
        if (rest.empty() || (rest.front() != '\\' && rest.front() != '/'))
            return std::nullopt;
    } else {
        if (windowsPath.empty() || windowsPath.find_first_of("\\/") != std::string_view::npos)
            return std::nullopt;
        mapped /= "windows";
        rest = windowsPath;
    }

    while (!rest.empty()) {
        const auto cut = rest.find_first_of("\\/");
        const std::string_view part = rest.substr(0, cut);
        if (part == "..") {
            if (mapped.filename() != "drive_c")
                mapped = mapped.parent_path();
        } else if (!part.empty() && part != ".") {
            mapped /= part;
        }
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return mapped;
}

} // namespace

std::optional<std::filesystem::path> MapWindowsPath(std::string_view ansiPath)
{
    return MapDecoded(DecodePath(ansiPath));
}

Result<std::filesystem::path> MapProfilePath(std::string_view ansiPath)
{
    const std::string windowsPath = DecodePath(ansiPath);
    // Wildcards and the characters a command line gives meaning to are in
    // no Windows file name, so the platform refuses them before it looks
    // at the drive.
    if (windowsPath.find_first_of("*?<>\"|") != std::string::npos)
        return Error(win32_error::InvalidName);
    auto mapped = MapDecoded(windowsPath);
    if (!mapped)
        return Error(win32_error::PathNotFound);
    return std::move(*mapped);
}

bool RememberedMapping::Remembers(std::string_view windowsPath) const
{
    if (!remembered_ || windowsPath != windowsPath_)
        return false;
    // Only the variables up to the first one set decide the prefix.
    for (std::size_t i = 0; i < kPrefixVariables.size(); ++i) {
        const std::string_view value = Variable(kPrefixVariables[i]);
        if (value != environment_[i])
            return false;
        if (!value.empty())
            return true;
    }
    return true;
}

const Result<std::filesystem::path> &RememberedMapping::Map(std::string_view windowsPath)
{
    if (Remembers(windowsPath))
        return mapped_;
    remembered_ = false;
    mapped_ = MapProfilePath(windowsPath);
    windowsPath_ = windowsPath;
    for (std::size_t i = 0; i < kPrefixVariables.size(); ++i)
        environment_[i] = Variable(kPrefixVariables[i]);
    remembered_ = true;
    return mapped_;
}

} // namespace tallowby::platform
