#include "platform/linux/Kernel32.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"
#include "platform/linux/IniLexer.h"
#include "platform/linux/ProfileFile.h"

#include <cstring>
#include <string>
#include <string_view>

namespace tallowby::platform::kernel32 {

namespace {

// The default as the platform hands it back: without its trailing spaces
// (all but the first character), and nothing at all for one this long.
std::string_view Fallback(const char *defaultValue)
{
    std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
    if (fallback.size() > kLongestProfileString)
        return {};
    while (fallback.size() > 1 && fallback.back() == ' ')
        fallback.remove_suffix(1);
    return fallback;
}

// A value as it fits `room` bytes. The platform cuts a quoted value before it
// strips the quotes: a cut one loses its opening quote and keeps its cut end.
std::string_view CutToBuffer(std::string_view value, std::size_t room)
{
    const bool quoted = StripQuotes(value).size() + 2 == value.size();
    if (value.size() <= room)
        return quoted ? value.substr(1, value.size() - 2) : value;
    const std::string_view cut = value.substr(0, room);
    return quoted && !cut.empty() ? cut.substr(1) : cut;
}

// A list of names, each ending in a NUL, ends in a second NUL; when cut,
// both NULs still fit.
Win32Dword CopyList(std::string_view names, char *buffer, Win32Dword size)
{
    if (names.size() + 1 > size) {
        if (size < 2) {
            buffer[0] = '\0';
            return 0;
        }
        std::memcpy(buffer, names.data(), size - 2);
        buffer[size - 2] = '\0';
        buffer[size - 1] = '\0';
        return size - 2;
    }
    std::memcpy(buffer, names.data(), names.size());
    buffer[names.size()] = '\0';
    return static_cast<Win32Dword>(names.size());
}

} // namespace

Win32Bool WritePrivateProfileStringA(const char *section, const char *key, const char *value, const char *file)
{
    const std::uint32_t error = section == nullptr || file == nullptr
                                    ? win32_error::InvalidParameter
                                    : ProfileFile::Process().Write(file, ProfileChange{section, key, value});
    SetLastError(error);
    return error == 0 ? 1 : 0;
}

Win32Dword GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                                    char *buffer, Win32Dword size, const char *file)
{
    if (buffer == nullptr || size == 0)
        return 0;
    std::string text;
    bool found = false;
    if (const auto error = ProfileFile::Process().Read(file, ProfileQuery{section, key}, text, found); error != 0) {
        SetLastError(error);
        buffer[0] = '\0';
        return 0;
    }
    if (section == nullptr || key == nullptr)
        return CopyList(text, buffer, size);
    const std::string_view cut = CutToBuffer(found ? std::string_view(text) : Fallback(defaultValue), size - 1);
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = '\0';
    SetLastError(0); // a cut value is no error to the platform either
    return static_cast<Win32Dword>(cut.size());
}

} // namespace tallowby::platform::kernel32
