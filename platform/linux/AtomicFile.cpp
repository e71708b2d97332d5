#include "platform/linux/AtomicFile.h"

#include "platform/Win32Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tallowby::platform {

namespace {

// Removes the temporary file unless the replace went through.
class TemporaryFile {
public:
    explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile()
    {
        if (!path_.empty()) {
            const int saved = errno;
            ::unlink(path_.c_str());
            errno = saved;
        }
    }
    const std::filesystem::path &path() const { return path_; }
    void keep() { path_.clear(); }

private:
    std::filesystem::path path_;
};

std::uint32_t LastErrno() { return Win32ErrorFromErrno(errno); }

std::uint32_t WriteAll(FileSystem &fs, int fd, std::string_view contents)
{
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
    return 0;
}

} // namespace

std::uint32_t Win32ErrorFromErrno(int error)
{
    switch (error) {
    case 0: return 0;
    case ENOENT: return win32_error::PathNotFound;
    case ENOTDIR: return win32_error::PathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return win32_error::AccessDenied;
    case EROFS: return win32_error::WriteProtect;
    case ENOSPC:
    case EDQUOT: return win32_error::DiskFull;
    case EFBIG: return win32_error::FileTooLarge;
    case ENOMEM: return win32_error::NotEnoughMemory;
    case ENAMETOOLONG: return win32_error::FilenameTooLong;
    case EWOULDBLOCK: return win32_error::LockViolation;
    case EIO: return win32_error::WriteFault;
    default: return win32_error::GenFailure;
    }
}

// Hands the file's bytes to `take` piece by piece until it returns false or
// the file ends. Returns 0, or the Win32 error number.
template <typename Take>
std::uint32_t ReadInPieces(const std::filesystem::path &path, Take take)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT ? win32_error::FileNotFound : LastErrno();
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return LastErrno();
    if (S_ISDIR(info.st_mode))
        return win32_error::AccessDenied;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return LastErrno();
        }
        if (!take(std::string_view(chunk, static_cast<std::size_t>(got)), info) || got == 0)
            return 0;
    }
}

std::uint32_t ReadFileContents(const std::filesystem::path &path, std::string &contents)
{
    contents.clear();
    return ReadInPieces(path, [&](std::string_view piece, const struct stat &info) {
        if (contents.empty())
            contents.reserve(static_cast<std::size_t>(info.st_size));
        contents.append(piece);
        return true;
    });
}

std::uint32_t CompareFileContents(const std::filesystem::path &path, std::string_view expected, bool &equal)
{
    equal = false;
    return ReadInPieces(path, [&](std::string_view piece, const struct stat &) {
        if (piece.empty()) {
            equal = expected.empty();
            return false;
        }
        if (piece.size() > expected.size() || std::memcmp(piece.data(), expected.data(), piece.size()) != 0)
            return false;
        expected.remove_prefix(piece.size());
        return true;
    });
}

std::uint32_t ReplaceFileContents(const std::filesystem::path &path, std::string_view contents,
                                  const std::function<bool()> &unchanged)
{
    FileSystem &fs = FileSystem::Current();

    struct stat old {};
    mode_t mode = 0666; // narrowed by the umask, as a new file would be
    if (::stat(path.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return win32_error::AccessDenied;
        // The rename would replace a file its owner may not change: a file
        // without write bits is read-only even to root, as the read-only
        // attribute is on Windows.
        if ((old.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
            return win32_error::AccessDenied;
        mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return LastErrno();
    }

    // One name per target: writers hold the folder lock, and a temporary
    // file left by a writer that was killed is simply written over.
    TemporaryFile temporary(path.parent_path() / ("." + path.filename().string() + ".tallowby-new"));
    UniqueFd fd(fs.Open(temporary.path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd) {
        temporary.keep(); // nothing of ours to remove
        return LastErrno();
    }
    if (old.st_mode != 0)
        ::fchmod(fd.get(), mode);
    if (const auto error = WriteAll(fs, fd.get(), contents); error != 0)
        return error;
    if (fs.Sync(fd.get()) != 0 || fd.close() != 0)
        return LastErrno();
    // A program that writes the file in place, without our locks, may have
    // changed it since it was read.
    if (unchanged && !unchanged())
        return kReplaceRetry;
    if (fs.Rename(temporary.path().c_str(), path.c_str()) != 0)
        return LastErrno();
    temporary.keep();

    // The rename is durable only once the folder is on disk too.
    UniqueFd folder(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder)
        ::fsync(folder.get());
    return 0;
}

std::uint32_t FolderLock::Acquire(const std::filesystem::path &folder, std::chrono::milliseconds timeout,
                                  FolderLock &out)
{
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return LastErrno();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::microseconds(50);
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return LastErrno();
        if (std::chrono::steady_clock::now() >= deadline)
            return win32_error::Timeout;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    out.fd_ = std::move(fd);
    return 0;
}

} // namespace tallowby::platform
