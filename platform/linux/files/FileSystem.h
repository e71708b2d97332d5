#pragma once

#include "platform/Result.h"
#include "platform/linux/files/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

struct flock;

namespace tallowby::platform {

// The seam under the stand-in's file layer: the one place that makes its
// system calls and reads errno, as a table tests can swap to make any call
// fail. Each returns what the system call returns and leaves errno as it
// does. file_calls below gives every call the layer makes as a result.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual int Stat(const char *path, struct stat *info);
    // fstat and lstat.
    virtual int StatOpen(int fd, struct stat *info);
    virtual int StatLink(const char *path, struct stat *info);
    virtual ssize_t ReadLink(const char *path, char *buffer, size_t size);
    virtual int Access(const char *path, int mode);
    virtual int Open(const char *path, int flags, mode_t mode);
    virtual ssize_t Read(int fd, void *data, size_t size);
    // lseek.
    virtual off_t Seek(int fd, off_t offset, int whence);
    // flock, and fcntl's record locks (F_OFD_SETLK, F_OFD_GETLK).
    virtual int Lock(int fd, int operation);
    virtual int LockRange(int fd, int command, struct flock *range);
    // madvise.
    virtual int Advise(void *start, size_t length, int advice);
    virtual int ChangeMode(int fd, mode_t mode);
    virtual ssize_t Write(int fd, const void *data, size_t size);
    virtual int Sync(int fd);
    virtual int Close(int fd);
    virtual int Rename(const char *from, const char *to);
    // unlink.
    virtual int Remove(const char *path);
    // mkdir.
    virtual int MakeFolder(const char *path, mode_t mode);

    // The file system the stand-in uses now: the system's own unless a
    // test has put another in place.
    static FileSystem &Current();

    // Puts `replacement` in place while the override lives.
    class Override {
    public:
        explicit Override(FileSystem &replacement);
        ~Override();
        Override(const Override &) = delete;
        Override &operator=(const Override &) = delete;

    private:
        FileSystem *previous_;
    };
};

} // namespace tallowby::platform

namespace tallowby::platform::file_calls {

// The system calls of the stand-in's file layer as results, each through
// FileSystem::Current(). Each tries again when a signal cuts a call short
// and gives the Win32 error number of a failure: errno is read here and
// nowhere else.

// The stat of the file at `path`; none when it is missing (no such file or
// folder).
Result<std::optional<struct stat>> StatIfThere(const std::filesystem::path &path);
// The stat of the open file `fd`; none when it cannot be taken.
std::optional<struct stat> StatOfOpen(int fd);

// The file at `path` opened for reading, and its stat in `info`:
// ERROR_FILE_NOT_FOUND when missing, ERROR_ACCESS_DENIED for a folder.
Result<UniqueFd> OpenToRead(const std::filesystem::path &path, struct stat &info);
// The same without the stat, for a caller that has one: a folder opens too,
// and reading it fails with ERROR_ACCESS_DENIED.
Result<UniqueFd> OpenToRead(const std::filesystem::path &path);

// Up to `size` bytes read into `data`; 0 at the file's end.
Result<std::size_t> Read(int fd, char *data, std::size_t size);
// Whether the open file `fd` will be read again from its start.
bool Rewind(int fd);

// Asks the kernel to fault in the pages from `start` on at once; a kernel
// that cannot leaves them to fault one by one, as before.
void TryFaultIn(void *start, std::size_t length);

// The folder at `path` opened, to be locked.
Result<UniqueFd> OpenFolder(const std::filesystem::path &path);
// Whether the exclusive lock on the open folder `fd` was taken; false when
// another holds it.
Result<bool> TryLockFolder(int fd);

// The file at `path` opened for reading and writing, made empty when it is
// missing; no descriptor when it cannot be opened, or when another writer
// made it meanwhile, which is worth another try.
struct OpenedForLock {
    enum class How { Opened, Made, MadeElsewhere, Refused };
    UniqueFd fd;
    How how = How::Refused;
};
OpenedForLock OpenForLock(const std::filesystem::path &path);
// The write lock on the byte at `offset` of the open file `fd`: taken,
// held by another, or not offered by the file system.
enum class RangeLock { Taken, Busy, Unsupported };
RangeLock TryLockRange(int fd, std::uint64_t offset);
// Whether another holds the write lock on the byte at `offset` of the file
// at `path`; false when there is no such file.
bool RangeLockedElsewhere(const std::filesystem::path &path, std::uint64_t offset);

// Removes the file at `path`; one that cannot be removed stays. Takes a C
// string, as it runs in cleanup, which must not allocate.
void TryRemove(const char *path);

// What the link at `path` names; none when it is no link or cannot be read.
std::optional<std::filesystem::path> LinkTarget(const std::filesystem::path &path);

// The folder at `path` and the folders above it made where missing; one stat
// when it is there already.
Error MakeFolders(const std::filesystem::path &path);

// The steps of replacing a file: the stat of the file to be replaced (none
// when missing), whether it may be written, the new version opened,
// written, flushed and closed, and renamed over the old one.
Result<std::optional<struct stat>> StatForReplace(const std::filesystem::path &path);
bool MayWrite(const std::filesystem::path &path);
Result<UniqueFd> CreateForReplace(const std::filesystem::path &path, mode_t mode);
// Sets the modes of the new version; a file system without modes refuses,
// which counts for nothing.
void TryChangeMode(int fd, mode_t mode);
Error WriteAll(int fd, std::string_view contents);
// The close reports a write that failed late, as on network file systems.
Error FlushAndClose(UniqueFd fd);
Error Rename(const std::filesystem::path &from, const std::filesystem::path &to);
// Flushes the folder at `path`; a folder that cannot be flushed fails
// nothing (see FileReplacement::Commit).
void TryFlushFolder(const std::filesystem::path &path);

} // namespace tallowby::platform::file_calls
