#include "platform/ProfileSave.h"

#include "platform/CodePage.h"
#include "platform/Win32Error.h"
#include "platform/windows/WriterLock.h"
#include "platform/windows/KernelHandle.h"

#include <memory>
#include <string>
#include <vector>

// The platform's WritePrivateProfileStringA truncates the file and writes it
// again in place, without flushing: a crash, a kill or a power cut between
// the two leaves the file empty or cut. So the platform's call writes a copy
// beside the file instead, and the copy, once flushed, replaces the file:
//
//   lock, remove a copy a killed writer left, copy the file, let the platform
//   write the copy, make it drop what it caches of the copy, give the copy
//   the file's attributes and rights, flush the copy, rename it over the
//   file, flush the folder.
//
// A save refused the copy's way (a standard user may not create files in the
// root of drive C, even where the file itself was made writable for them)
// falls back to the platform's write in place, as it would be without this.

namespace tallowby::platform {

namespace {

Error LastErrorOr(std::uint32_t fallback)
{
    const DWORD error = ::GetLastError();
    return error != 0 ? error : fallback;
}

// The copy's name: the file's, behind a dot and before kWindowsCopySuffix,
// which the Linux build's writers look for. A killed writer leaves at most
// this one file behind. The path is split in UTF-16, where a double-byte
// character's trail byte cannot pass for a backslash.
std::u16string CopyName(const std::u16string &path)
{
    const std::size_t slash = path.find_last_of(u"\\/");
    const std::size_t start = slash == std::u16string::npos ? 0 : slash + 1;
    return path.substr(0, start) + u"." + path.substr(start) + FromAnsi(kWindowsCopySuffix);
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

// A refusal that another way of writing the file may not meet.
bool Refused(Error error)
{
    return error == Error(win32_error::AccessDenied) || error == Error(win32_error::SharingViolation);
}

const wchar_t *Wide(const std::u16string &text) { return reinterpret_cast<const wchar_t *>(text.c_str()); }

// The name of the copy, removed again unless it has taken the file's place.
struct CopyTraits : KeepsLastError {
    using Handle = std::u16string;
    static Handle Invalid() { return {}; }
    static void Close(const Handle &name) { ::DeleteFileW(Wide(name)); }
};
using UniqueCopy = UniqueHandle<CopyTraits>;

// Makes the copy at `copyName` holding the bytes of the file at `path`, or
// none when there is no file. Fails with the error of the step that failed
// (ERROR_ACCESS_DENIED where the folder takes no new file).
Error CopyBytes(const std::u16string &path, const std::u16string &copyName, UniqueCopy &copy)
{
    const UniqueFileHandle target(::CreateFileW(Wide(copyName), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target)
        return LastErrorOr(win32_error::WriteFault);
    copy.reset(copyName);
    const UniqueFileHandle source(::CreateFileW(Wide(path), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND ? Error() : LastErrorOr(win32_error::ReadFault);
    static constexpr DWORD kChunk = 64 * 1024;
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(source.get(), buffer.get(), kChunk, &read, nullptr))
            return LastErrorOr(win32_error::ReadFault);
        if (read == 0)
            return {};
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
Error WriteEntry(WritePrivateProfileStringAFn write, const char *section, const char *key,
                         const char *value, const char *file)
{
    ::SetLastError(0);
    const bool written = write(section, key, value, file) != 0;
    const Error error = written ? Error() : LastErrorOr(win32_error::WriteFault);
    write(nullptr, nullptr, nullptr, file);
    return error;
}

// Flushes the data the platform wrote to the copy: only data on disk may
// take the file's place, or a power cut after the replacement could leave
// the file empty.
Error FlushData(const std::u16string &name)
{
    const UniqueFileHandle file(::CreateFileW(Wide(name), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !::FlushFileBuffers(file.get()))
        return LastErrorOr(win32_error::WriteFault);
    return {};
}

// The access rights of the file at `path`, as a security descriptor that
// holds only them; empty where the file system keeps none.
std::vector<char> AccessRights(const std::u16string &path)
{
    DWORD size = 0;
    ::GetFileSecurityW(Wide(path), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<char> descriptor(size);
    if (size == 0 || !::GetFileSecurityW(Wide(path), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size))
        descriptor.clear();
    return descriptor;
}

// Gives the copy what the file carries besides its bytes: its attributes
// and its access rights, which an administrator may have set for the user.
// ReplaceFile would carry them too, but under Wine it renames the file away
// before it renames the copy in, and a crash between the two leaves no file
// at all; one rename with MOVEFILE_REPLACE_EXISTING is atomic on both.
// Fails with ERROR_ACCESS_DENIED where the rights cannot be carried over, so
// that replacing the file would change them.
Error CarryOver(const std::u16string &path, const std::u16string &copyName)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
    // Only rights that differ are set: a copy made in the same folder
    // inherits the same ones, and Wine, which maps rights onto the Unix mode,
    // would add execute permissions if they were set again.
    const std::vector<char> rights = AccessRights(path);
    if (!rights.empty() && rights != AccessRights(copyName) &&
        !::SetFileSecurityW(Wide(copyName), DACL_SECURITY_INFORMATION,
                            const_cast<char *>(rights.data())))
        return win32_error::AccessDenied;
    const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (kept != 0 && !::SetFileAttributesW(Wide(copyName), kept))
        return LastErrorOr(win32_error::AccessDenied);
    return {};
}

// Puts the copy in the file's place with one rename, the writers' lock
// moved onto the copy first. Another process of the platform's that has the
// file open for a moment (a reader) makes the rename fail, so it is tried
// again for a while; a refusal that lasts means the file may be written but
// not replaced, and the lock goes back to the file.
Error Replace(WriterLock &lock, const std::u16string &path, const char *ansiPath, UniqueCopy &copy,
                      const std::string &ansiCopyName)
{
    static constexpr int kAttempts = 200;
    TALLOWBY_RETURN_IF_FAILED(lock.MoveToCopy(ansiCopyName.c_str()));
    Error error;
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(Wide(copy.get()), Wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            copy.release();
            return {};
        }
        error = LastErrorOr(win32_error::WriteFault);
        if (!Refused(error) || attempt == kAttempts)
            break;
        ::Sleep(1);
    }
    TALLOWBY_RETURN_IF_FAILED(lock.MoveBack(ansiPath));
    return error;
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

// The save through a copy, step by step; the copy is gone again when it
// returns, whatever the step that failed.
Error SaveThroughCopy(WriterLock &lock, WritePrivateProfileStringAFn write, const char *section,
                              const char *key, const char *value, const char *file)
{
    const std::u16string path = FromAnsi(file);
    // A read-only file is left to the platform, which refuses it itself.
    if (const DWORD attributes = ::GetFileAttributesW(Wide(path));
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return Error(win32_error::AccessDenied);
    const std::u16string copyName = CopyName(path);
    const std::string ansiCopyName = ToAnsi(copyName);
    // A writer killed before its replacement left its copy behind.
    ::DeleteFileW(Wide(copyName));

    UniqueCopy copy;
    TALLOWBY_RETURN_IF_FAILED(CopyBytes(path, copyName, copy));
    TALLOWBY_RETURN_IF_FAILED(WriteEntry(write, section, key, value, ansiCopyName.c_str()));
    TALLOWBY_RETURN_IF_FAILED(CarryOver(path, copyName));
    TALLOWBY_RETURN_IF_FAILED(FlushData(copyName));
    TALLOWBY_RETURN_IF_FAILED(Replace(lock, path, file, copy, ansiCopyName));
    FlushFolder(path);
    return {};
}

} // namespace

Error SaveProfileEntry(WritePrivateProfileStringAFn write, const char *section, const char *key, const char *value,
                       const char *file)
{
    WriterLock lock;
    TALLOWBY_RETURN_IF_FAILED(lock.Acquire(file));
    const Error error = SaveThroughCopy(lock, write, section, key, value, file);
    // Refused the copy's way (no new file in the folder, rights that would
    // not carry over, a file that may not be replaced), the file may still
    // take the platform's write in place, or be refused by it.
    return Refused(error) ? WriteEntry(write, section, key, value, file) : error;
}

} // namespace tallowby::platform
