#include "platform/ProfileSave.h"

#include "platform/CodePage.h"
#include "platform/Win32Error.h"
#include "platform/windows/WriterLock.h"
#include "platform/windows/KernelHandle.h"

#include <string>

// The platform's WritePrivateProfileStringA truncates the file and writes it
// again in place, without flushing: a crash, a kill or a power cut between
// the two leaves the file empty or cut. So the platform's call writes a copy
// beside the file instead, and the copy, once flushed, replaces the file:
//
//   lock, remove a copy a killed writer left, copy the file, let the platform
//   write the copy, make it drop what it caches of the copy, flush the copy,
//   replace the file by it, flush the folder.
//
// A save that cannot make the copy (a standard user may not create files in
// the root of drive C, even where the file itself was made writable for
// them) or whose replacement the file system refuses falls back to the
// platform's write in place, as it would be without this.

namespace tallowby::platform {

namespace {

std::uint32_t LastErrorOr(std::uint32_t fallback)
{
    const DWORD error = ::GetLastError();
    return error != 0 ? error : fallback;
}

// The copy's name: the file's, behind a dot and before ".tallowby-new", the
// name the Linux build gives its own new version. Writers of both builds
// hold the file's lock while a copy exists, so they can share the name, and
// a killed writer leaves at most this one file behind. The path is split in
// UTF-16, where a double-byte character's trail byte cannot pass for a
// backslash.
std::u16string CopyName(const std::u16string &path)
{
    const std::size_t slash = path.find_last_of(u"\\/");
    const std::size_t start = slash == std::u16string::npos ? 0 : slash + 1;
    return path.substr(0, start) + u"." + path.substr(start) + u".tallowby-new";
}

std::u16string FolderOf(const std::u16string &path)
{
    const std::size_t slash = path.find_last_of(u"\\/");
    if (slash == std::u16string::npos)
        return u".";
    // "C:\" is the folder of "C:\file"; "C:" alone would be the current
    // folder of drive C.
    return path.substr(0, slash == 2 && path[1] == u':' ? slash + 1 : slash);
}

const wchar_t *Wide(const std::u16string &text) { return reinterpret_cast<const wchar_t *>(text.c_str()); }

// The name of the copy, removed again unless it has taken the file's place.
struct CopyTraits : KeepsLastError {
    using Handle = std::u16string;
    static Handle Invalid() { return {}; }
    static void Close(const Handle &name) { ::DeleteFileW(Wide(name)); }
};
using UniqueCopy = UniqueHandle<CopyTraits>;

enum class Route { Copied, InPlace };

// Makes the copy at `copyName` holding the bytes of the file at `path`, or
// none when there is no file. Returns 0, ERROR_ACCESS_DENIED with `route`
// InPlace when the folder takes no new file, or the error of the step that
// failed.
std::uint32_t CopyFile(const std::u16string &path, const std::u16string &copyName, UniqueCopy &copy, Route &route)
{
    const UniqueFileHandle target(::CreateFileW(Wide(copyName), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) {
        const std::uint32_t error = LastErrorOr(win32_error::WriteFault);
        if (error == win32_error::AccessDenied)
            route = Route::InPlace;
        return error;
    }
    copy.reset(copyName);
    const UniqueFileHandle source(::CreateFileW(Wide(path), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : LastErrorOr(win32_error::ReadFault);
    static constexpr DWORD kChunk = 64 * 1024;
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(source.get(), buffer.get(), kChunk, &read, nullptr))
            return LastErrorOr(win32_error::ReadFault);
        if (read == 0)
            return 0;
        DWORD written = 0;
        if (!::WriteFile(target.get(), buffer.get(), read, &written, nullptr))
            return LastErrorOr(win32_error::WriteFault);
        if (written != read)
            return win32_error::DiskFull;
    }
}

// The platform's call on the copy, after which it is made to drop what it
// keeps of the copy: the next save's copy has the same name, and must be
// read from disk, not from a cache of this one.
std::uint32_t WriteEntry(WritePrivateProfileStringAFn write, const char *section, const char *key,
                         const char *value, const char *file)
{
    ::SetLastError(0);
    const bool written = write(section, key, value, file) != 0;
    const std::uint32_t error = written ? 0 : LastErrorOr(win32_error::WriteFault);
    write(nullptr, nullptr, nullptr, file);
    return error;
}

// Flushes the data the platform wrote to the copy: only data on disk may
// take the file's place, or a power cut after the replacement could leave
// the file empty.
std::uint32_t FlushData(const std::u16string &name)
{
    const UniqueFileHandle file(::CreateFileW(Wide(name), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !::FlushFileBuffers(file.get()))
        return LastErrorOr(win32_error::WriteFault);
    return 0;
}

// Puts the copy in the file's place. ReplaceFile keeps the file's
// attributes and security; a file that is not there is simply taken by the
// copy.
std::uint32_t Replace(const std::u16string &path, UniqueCopy &copy, Route &route)
{
    if (::GetFileAttributesW(Wide(path)) == INVALID_FILE_ATTRIBUTES) {
        if (!::MoveFileExW(Wide(copy.get()), Wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return LastErrorOr(win32_error::WriteFault);
        copy.release();
        return 0;
    }
    if (::ReplaceFileW(Wide(path), Wide(copy.get()), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        copy.release();
        return 0;
    }
    const std::uint32_t error = LastErrorOr(win32_error::WriteFault);
    switch (error) {
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        // The file is gone and the copy still has its own name: the copy
        // must take the file's place now.
        if (!::MoveFileExW(Wide(copy.get()), Wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return LastErrorOr(win32_error::WriteFault);
        copy.release();
        return 0;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
        // The file may not be removed or renamed, but may still be written.
        route = Route::InPlace;
        return error;
    default:
        return error;
    }
}

// Makes the replacement itself durable: the folder's entry is what a power
// cut would otherwise lose. Only a failure to open or flush the folder is
// ignored on purpose: some file systems take no flush of a folder, and the
// file's data is on disk already, so the cut can bring back the old file but
// never an empty or a cut one.
void FlushFolder(const std::u16string &path)
{
    const UniqueFileHandle folder(::CreateFileW(Wide(FolderOf(path)), GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder)
        ::FlushFileBuffers(folder.get());
}

// The save through a copy, step by step. Sets `route` to InPlace where the
// folder or the file system refuses the copy's way but the file itself may
// still be written in place.
std::uint32_t SaveThroughCopy(WritePrivateProfileStringAFn write, const char *section, const char *key,
                              const char *value, const std::u16string &path, Route &route)
{
    // The platform refuses a read-only file itself, with its own error.
    if (const DWORD attributes = ::GetFileAttributesW(Wide(path));
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        route = Route::InPlace;
        return win32_error::AccessDenied;
    }
    const std::u16string copyName = CopyName(path);
    const std::string ansiCopyName = ToAnsi(copyName);
    // A writer killed before its replacement left its copy behind.
    ::DeleteFileW(Wide(copyName));

    UniqueCopy copy;
    if (const std::uint32_t error = CopyFile(path, copyName, copy, route); error != 0)
        return error;
    if (const std::uint32_t error = WriteEntry(write, section, key, value, ansiCopyName.c_str()); error != 0)
        return error;
    if (const std::uint32_t error = FlushData(copyName); error != 0)
        return error;
    if (const std::uint32_t error = Replace(path, copy, route); error != 0)
        return error;
    FlushFolder(path);
    return 0;
}

} // namespace

std::uint32_t SaveProfileEntry(WritePrivateProfileStringAFn write, const char *section, const char *key,
                               const char *value, const char *file)
{
    WriterLock lock;
    if (const std::uint32_t error = lock.Acquire(file); error != 0)
        return error;
    Route route = Route::Copied;
    const std::uint32_t error = SaveThroughCopy(write, section, key, value, FromAnsi(file), route);
    return route == Route::InPlace ? WriteEntry(write, section, key, value, file) : error;
}

} // namespace tallowby::platform
