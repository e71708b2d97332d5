#include "platform/linux/files/FileSystem.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tallowby::platform {

namespace {

FileSystem systemFileSystem;
FileSystem *current = &systemFileSystem;

} // namespace

int FileSystem::Stat(const char *path, struct stat *info) { return ::stat(path, info); }
int FileSystem::StatOpen(int fd, struct stat *info) { return ::fstat(fd, info); }
int FileSystem::StatLink(const char *path, struct stat *info) { return ::lstat(path, info); }
ssize_t FileSystem::ReadLink(const char *path, char *buffer, size_t size) { return ::readlink(path, buffer, size); }
int FileSystem::Access(const char *path, int mode) { return ::access(path, mode); }
int FileSystem::Open(const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileSystem::Read(int fd, void *data, size_t size) { return ::read(fd, data, size); }
off_t FileSystem::Seek(int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); }
int FileSystem::Lock(int fd, int operation) { return ::flock(fd, operation); }
int FileSystem::LockRange(int fd, int command, struct flock *range) { return ::fcntl(fd, command, range); }
int FileSystem::Advise(void *start, size_t length, int advice) { return ::madvise(start, length, advice); }
int FileSystem::ChangeMode(int fd, mode_t mode) { return ::fchmod(fd, mode); }
ssize_t FileSystem::Write(int fd, const void *data, size_t size) { return ::write(fd, data, size); }
int FileSystem::Sync(int fd) { return ::fsync(fd); }
int FileSystem::Close(int fd) { return ::close(fd); }
int FileSystem::Rename(const char *from, const char *to) { return std::rename(from, to); }
int FileSystem::Remove(const char *path) { return ::unlink(path); }
int FileSystem::MakeFolder(const char *path, mode_t mode) { return ::mkdir(path, mode); }

FileSystem &FileSystem::Current() { return *current; }

FileSystem::Override::Override(FileSystem &replacement) : previous_(current) { current = &replacement; }
FileSystem::Override::~Override() { current = previous_; }

void FileDescriptorTraits::Close(int fd) { (void)FileSystem::Current().Close(fd); }

} // namespace tallowby::platform

namespace tallowby::platform::file_calls {

namespace {

Error LastErrno() { return Win32ErrorFromErrno(errno); }

} // namespace

Result<std::optional<struct stat>> StatIfThere(const std::filesystem::path &path)
{
    struct stat info {};
    if (FileSystem::Current().Stat(path.c_str(), &info) == 0)
        return std::optional(info);
    if (errno != ENOENT && errno != ENOTDIR)
        return LastErrno();
    return std::optional<struct stat>();
}

std::optional<struct stat> StatOfOpen(int fd)
{
    struct stat info {};
    if (FileSystem::Current().StatOpen(fd, &info) != 0)
        return std::nullopt;
    return info;
}

Result<UniqueFd> OpenToRead(const std::filesystem::path &path, struct stat &info)
{
    auto fd = OpenToRead(path);
    TALLOWBY_RETURN_IF_FAILED(fd);
    if (FileSystem::Current().StatOpen(fd->get(), &info) != 0)
        return LastErrno();
    if (S_ISDIR(info.st_mode))
        return Error(win32_error::AccessDenied);
    return std::move(*fd);
}

Result<UniqueFd> OpenToRead(const std::filesystem::path &path)
{
    UniqueFd fd(FileSystem::Current().Open(path.c_str(), O_RDONLY | O_CLOEXEC, 0));
    if (!fd)
        return errno == ENOENT ? Error(win32_error::FileNotFound) : LastErrno();
    return fd;
}

bool Rewind(int fd) { return FileSystem::Current().Seek(fd, 0, SEEK_SET) == 0; }

Result<std::size_t> Read(int fd, char *data, std::size_t size)
{
    FileSystem &fs = FileSystem::Current();
    for (;;) {
        const ssize_t got = fs.Read(fd, data, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        // The errno table is the one of writes, where EIO is a write fault.
        if (errno == EIO)
            return Error(win32_error::ReadFault);
        if (errno != EINTR)
            return LastErrno();
    }
}

void TryFaultIn(void *start, std::size_t length)
{
    (void)FileSystem::Current().Advise(start, length, MADV_POPULATE_WRITE);
}

Result<UniqueFd> OpenFolder(const std::filesystem::path &path)
{
    UniqueFd fd(FileSystem::Current().Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (!fd)
        return LastErrno();
    return fd;
}

Result<bool> TryLockFolder(int fd)
{
    if (FileSystem::Current().Lock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    if (errno != EWOULDBLOCK && errno != EINTR)
        return LastErrno();
    return false;
}

OpenedForLock OpenForLock(const std::filesystem::path &path)
{
    FileSystem &fs = FileSystem::Current();
    OpenedForLock opened{UniqueFd(fs.Open(path.c_str(), O_RDWR | O_CLOEXEC, 0)), OpenedForLock::How::Opened};
    if (opened.fd)
        return opened;
    if (errno != ENOENT) {
        opened.how = OpenedForLock::How::Refused;
        return opened;
    }
    opened.fd.reset(fs.Open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    opened.how = opened.fd            ? OpenedForLock::How::Made
                 : errno == EEXIST    ? OpenedForLock::How::MadeElsewhere
                                      : OpenedForLock::How::Refused;
    return opened;
}

RangeLock TryLockRange(int fd, std::uint64_t offset)
{
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = 1;
    // Not a per-process lock: that one would go whenever this process closes
    // any descriptor of the file, as reading it does.
    if (FileSystem::Current().LockRange(fd, F_OFD_SETLK, &range) == 0)
        return RangeLock::Taken;
    return errno == EAGAIN || errno == EACCES || errno == EINTR ? RangeLock::Busy : RangeLock::Unsupported;
}

bool RangeLockedElsewhere(const std::filesystem::path &path, std::uint64_t offset)
{
    FileSystem &fs = FileSystem::Current();
    const UniqueFd fd(fs.Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW, 0));
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = 1;
    return fd && fs.LockRange(fd.get(), F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
}

void TryRemove(const char *path) { (void)FileSystem::Current().Remove(path); }

std::optional<std::filesystem::path> LinkTarget(const std::filesystem::path &path)
{
    FileSystem &fs = FileSystem::Current();
    struct stat info {};
    if (fs.StatLink(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return std::nullopt;
    // The size lstat gives is the target's length, but the link may change
    // meanwhile, and some file systems give none: a target that fills the
    // room may be cut, so it is read again with more.
    std::string target(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 128, '\0');
    for (;;) {
        const ssize_t length = fs.ReadLink(path.c_str(), target.data(), target.size());
        if (length < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return std::filesystem::path(std::move(target));
        }
        if (target.size() > 4096)
            return std::nullopt;
        target.resize(target.size() * 2);
    }
}

Error MakeFolders(const std::filesystem::path &path)
{
    const auto found = StatIfThere(path);
    if (!found)
        return found.error();
    if (*found)
        return S_ISDIR((*found)->st_mode) ? Error() : Error(Win32ErrorFromErrno(ENOTDIR));
    if (const std::filesystem::path parent = path.parent_path(); !parent.empty() && parent != path)
        TALLOWBY_RETURN_IF_FAILED(MakeFolders(parent));
    // Another process may make it meanwhile.
    if (FileSystem::Current().MakeFolder(path.c_str(), 0777) != 0 && errno != EEXIST)
        return LastErrno();
    return {};
}

Result<std::optional<struct stat>> StatForReplace(const std::filesystem::path &path)
{
    struct stat info {};
    if (FileSystem::Current().Stat(path.c_str(), &info) == 0)
        return std::optional(info);
    if (errno != ENOENT)
        return LastErrno();
    return std::optional<struct stat>();
}

bool MayWrite(const std::filesystem::path &path) { return FileSystem::Current().Access(path.c_str(), W_OK) == 0; }

Result<UniqueFd> CreateForReplace(const std::filesystem::path &path, mode_t mode)
{
    UniqueFd fd(FileSystem::Current().Open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd)
        return LastErrno();
    return fd;
}

void TryChangeMode(int fd, mode_t mode) { (void)FileSystem::Current().ChangeMode(fd, mode); }

Error WriteAll(int fd, std::string_view contents)
{
    FileSystem &fs = FileSystem::Current();
    while (!contents.empty()) {
        const ssize_t written = fs.Write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return LastErrno();
        }
        if (written == 0)
            return win32_error::DiskFull;
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

Error FlushAndClose(UniqueFd fd)
{
    FileSystem &fs = FileSystem::Current();
    if (fs.Sync(fd.get()) != 0 || fs.Close(fd.release()) != 0)
        return LastErrno();
    return {};
}

Error Rename(const std::filesystem::path &from, const std::filesystem::path &to)
{
    return FileSystem::Current().Rename(from.c_str(), to.c_str()) == 0 ? Error() : LastErrno();
}

void TryFlushFolder(const std::filesystem::path &path)
{
    FileSystem &fs = FileSystem::Current();
    UniqueFd folder(fs.Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (folder)
        (void)fs.Sync(folder.get());
}

} // namespace tallowby::platform::file_calls
