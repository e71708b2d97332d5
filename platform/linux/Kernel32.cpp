#include "platform/linux/Kernel32.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"
#include "platform/WriterLock.h"
#include "platform/linux/AtomicFile.h"
#include "platform/linux/DriveMapping.h"
#include "platform/linux/FileRangeLock.h"
#include "platform/linux/FileText.h"
#include "platform/linux/FolderLock.h"
#include "platform/linux/IniDocument.h"
#include "platform/linux/ProfileCache.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>

namespace tallowby::platform::kernel32 {

namespace {

constexpr std::size_t kLongestDefault = 32766;

// Guards the process's cache of the settings file.
std::mutex cacheMutex;

// An ANSI argument in the form a document holds its text; an ANSI document
// takes it as it is.
class InDocument {
public:
    InDocument(const IniDocument &document, const char *ansi)
    {
        if (ansi == nullptr)
            return;
        if (document.Encoding() == FileEncoding::Ansi) {
            view_ = ansi;
        } else {
            converted_ = AnsiToUtf8(ansi);
            view_ = converted_;
        }
        present_ = true;
    }
    InDocument(const InDocument &) = delete;
    InDocument &operator=(const InDocument &) = delete;

    bool present() const { return present_; }
    std::string_view view() const { return view_; }

private:
    std::string converted_;
    std::string_view view_;
    bool present_ = false;
};

// A document's text as the ANSI the caller reads.
std::string ToCaller(const IniDocument &document, std::string_view text)
{
    if (document.Encoding() == FileEncoding::Ansi)
        return std::string(text);
    return Utf8ToAnsi(text, IsUtf16(document.Encoding()));
}

// Writes go to the file a link names, so that the link stays a link.
std::filesystem::path ResolveLinks(const std::filesystem::path &path)
{
    std::error_code error;
    std::filesystem::path target = path;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, error); ++hops) {
        const auto next = std::filesystem::read_symlink(target, error);
        if (error)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

// Drive C's folder stands in for a drive that always exists; folders below
// it are the caller's to make, as on the platform.
std::uint32_t EnsureDrive()
{
    std::error_code error;
    std::filesystem::create_directories(SettingsPrefix() / "drive_c", error);
    return error ? Win32ErrorFromErrno(error.value()) : 0;
}

std::uint32_t Update(const char *section, const char *key, const char *value, const char *file)
{
    if (section == nullptr || file == nullptr)
        return win32_error::InvalidParameter;
    const auto mapped = MapWindowsPath(file);
    if (!mapped)
        return win32_error::PathNotFound;
    if (const auto error = EnsureDrive(); error != 0)
        return error;
    const std::filesystem::path path = ResolveLinks(*mapped);

    const auto deadline = std::chrono::steady_clock::now() + kWriterLockTimeout;
    FolderLock lock;
    if (const auto error = FolderLock::Acquire(path.parent_path(), deadline, lock); error != 0)
        return error;
    // The Windows build's writers take this one, not the folder's.
    FileRangeLock fileLock;
    if (const auto error = FileRangeLock::Acquire(path, deadline, fileLock); error != 0)
        return error;

    const std::lock_guard guard(cacheMutex);
    return ProfileCache::Process().Update(
        path, fileLock.MadeFile(),
        [&](IniDocument &document) {
            const InDocument sectionText(document, section), keyText(document, key), valueText(document, value);
            return !keyText.present()     ? document.RemoveSection(sectionText.view())
                   : !valueText.present() ? document.RemoveKey(sectionText.view(), keyText.view())
                                          : document.Set(sectionText.view(), keyText.view(), valueText.view());
        },
        [&](const std::string &bytes, const std::function<bool()> &unchanged) {
            return ReplaceFileContents(path, bytes, unchanged);
        },
        deadline);
}

// The value, or the list of names, that a get hands back, before it is cut
// to the caller's buffer.
std::string ReadValue(const char *section, const char *key, const char *defaultValue, const char *file)
{
    std::string result;
    bool found = false;
    const auto mapped = file != nullptr ? MapWindowsPath(file) : std::nullopt;
    if (mapped) {
        const std::lock_guard guard(cacheMutex);
        // An unreadable file reads as an absent one.
        ProfileCache::Process().Read(*mapped, [&](const IniDocument &document) {
            auto joined = [&](const std::vector<std::string> &names) {
                for (const auto &name : names) {
                    result += ToCaller(document, name);
                    result += '\0';
                }
                found = true;
            };
            const InDocument sectionText(document, section), keyText(document, key);
            if (section == nullptr)
                joined(document.SectionNames());
            else if (key == nullptr)
                joined(document.KeyNames(sectionText.view()));
            else if (const auto value = document.FindQuoted(sectionText.view(), keyText.view())) {
                result = ToCaller(document, *value);
                found = true;
            }
        });
    }
    if (found || section == nullptr || key == nullptr)
        return result;
    // As on the platform, the default loses its trailing spaces (all but
    // the first character); its quotes go as a value's do.
    std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
    // The platform gives nothing for a default this long.
    if (fallback.size() > kLongestDefault)
        return {};
    while (fallback.size() > 1 && fallback.back() == ' ')
        fallback.remove_suffix(1);
    return std::string(fallback);
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

} // namespace

Win32Bool WritePrivateProfileStringA(const char *section, const char *key, const char *value, const char *file)
{
    std::uint32_t error = 0;
    try {
        error = Update(section, key, value, file);
    } catch (const std::bad_alloc &) {
        error = win32_error::NotEnoughMemory;
    } catch (const std::filesystem::filesystem_error &failure) {
        error = Win32ErrorFromErrno(failure.code().value());
    }
    SetLastError(error);
    return error == 0 ? 1 : 0;
}

Win32Dword GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                                    char *buffer, Win32Dword size, const char *file)
{
    if (buffer == nullptr || size == 0)
        return 0;
    std::string value;
    try {
        value = ReadValue(section, key, defaultValue, file);
    } catch (const std::bad_alloc &) {
        SetLastError(win32_error::NotEnoughMemory);
        buffer[0] = '\0';
        return 0;
    }
    const bool isList = section == nullptr || key == nullptr;
    if (isList) {
        // A list ends in a second NUL; when cut, both NULs still fit.
        if (value.size() + 1 > size) {
            if (size < 2) {
                buffer[0] = '\0';
                return 0;
            }
            std::memcpy(buffer, value.data(), size - 2);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer, value.data(), value.size());
        buffer[value.size()] = '\0';
        return static_cast<Win32Dword>(value.size() == 0 ? 0 : value.size());
    }
    const std::string_view cut = CutToBuffer(value, size - 1);
    const std::size_t count = cut.size();
    std::memcpy(buffer, cut.data(), count);
    buffer[count] = '\0';
    SetLastError(0); // a cut value is no error to the platform either
    return static_cast<Win32Dword>(count);
}

} // namespace tallowby::platform::kernel32
