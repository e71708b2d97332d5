#include "platform/linux/Kernel32.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"
#include "platform/linux/codepage/AnsiCodec.h"
#include "platform/linux/ini/IniLexer.h"
#include "platform/linux/ProfileFile.h"

#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <system_error>

namespace tallowby::platform::kernel32 {

namespace {

// Runs the body of an entry point so that no exception leaves it: the one
// place where the stand-in turns exceptions into Win32 error numbers.
template <typename Body>
Error Guard(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return win32_error::NotEnoughMemory;
    } catch (const std::system_error &failure) {
        return Win32ErrorFromErrno(failure.code().value());
    } catch (...) {
        return win32_error::GenFailure;
    }
}

// The default as the platform hands it back for a key: without its
// trailing spaces (all but the first character), and nothing at all for one
// this long. For a list of keys it keeps its spaces.
std::string_view Fallback(const char *defaultValue, bool forKey)
{
    std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
    if (fallback.size() > kLongestProfileString)
        return {};
    while (forKey && fallback.size() > 1 && fallback.back() == ' ')
        fallback.remove_suffix(1);
    return fallback;
}

// A value as it fits `room` bytes, its quotes stripped with `unquote`. The
// platform cuts a quoted value before it strips the quotes: a cut one loses
// its opening quote and keeps its cut end.
std::string_view CutToBuffer(std::string_view value, std::size_t room, bool unquote = true)
{
    const bool quoted = unquote && StripQuotes(value).size() + 2 == value.size();
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

// The name a call reads or writes: a null file is win.ini, as for the
// platform's own profile calls.
const char *ProfileName(const char *file) { return file != nullptr ? file : "win.ini"; }

// The empty name is the Windows folder, which is no file to read or write.
bool NamesTheWindowsFolder(const char *name) { return *name == '\0'; }

} // namespace

Win32Bool WritePrivateProfileStringA(const char *section, const char *key, const char *value, const char *file)
{
    const char *name = ProfileName(file);
    const Error error = Guard([&]() -> Error {
        if (NamesTheWindowsFolder(name))
            return win32_error::AccessDenied;
        return ProfileFile::Process().Write(name, {section, key, value});
    });
    SetLastError(error.code());
    return error.failed() ? 0 : 1;
}

Win32Dword GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                                    char *buffer, Win32Dword size, const char *file)
{
    if (buffer == nullptr || size == 0)
        return 0;
    const char *name = ProfileName(file);
    ProfileAnswer answer;
    if (NamesTheWindowsFolder(name)) {
        answer.fileError = win32_error::AccessDenied;
    } else if (const Error error = Guard([&] {
                   answer = ProfileFile::Process().Read(name, {section, key});
                   return Error();
               });
               error.failed()) {
        SetLastError(error.code());
        buffer[0] = '\0';
        return 0;
    }
    // A cut value or list is no error to the platform either.
    SetLastError(answer.fileError.code());
    // A list of the keys of a section that has none gives the default, as a
    // key that is not there does; so does one whose first name is empty,
    // which the platform takes for none.
    if (section == nullptr || (key == nullptr && !answer.text.empty() && answer.text.front() != '\0'))
        return CopyList(answer.text, buffer, size);
    // The platform leaves the quotes on a default when it opened no file:
    // the Windows folder, or a name no file can have.
    const bool opened = !NamesTheWindowsFolder(name) && answer.fileError != Error(win32_error::InvalidName);
    const std::string_view cut =
        CutToBuffer(answer.found ? std::string_view(answer.text) : Fallback(defaultValue, key != nullptr), size - 1,
                    answer.found || opened || key == nullptr);
    // A value cut in a double-byte code page keeps only whole characters;
    // the count still names the room, and the bytes past the last whole
    // character are left as they were, as on the platform.
    std::size_t whole = cut.size();
    if (const AnsiCodec &codec = ProcessCodec(); cut.size() == size - 1 && codec.DoubleByte()) {
        whole = 0;
        for (std::size_t i = 0; i < cut.size();) {
            const std::size_t length = codec.IsLead(static_cast<unsigned char>(cut[i])) ? 2 : 1;
            if (i + length > cut.size())
                break;
            i += length;
            whole = i;
        }
    }
    std::memcpy(buffer, cut.data(), whole);
    buffer[cut.size()] = '\0';
    return static_cast<Win32Dword>(cut.size());
}

} // namespace tallowby::platform::kernel32
