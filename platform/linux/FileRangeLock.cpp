#include "platform/linux/FileRangeLock.h"

#include "platform/Win32Error.h"
#include "platform/WriterLock.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tallowby::platform {

namespace {

bool SameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Returns 0 once locked, else the errno of the attempt.
int TryLock(int fd)
{
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(kWriterLockOffset);
    range.l_len = 1;
    // Not a per-process lock: that one would go whenever this process closes
    // any descriptor of the file, as reading it does.
    return ::fcntl(fd, F_OFD_SETLK, &range) == 0 ? 0 : errno;
}

} // namespace

FileRangeLock::~FileRangeLock() { Release(); }

void FileRangeLock::Release()
{
    const int saved = errno;
    struct stat ours {}, there {};
    if (made_ && ::fstat(fd_.get(), &ours) == 0 && ours.st_size == 0 && ::stat(path_.c_str(), &there) == 0 &&
        SameFile(ours, there))
        ::unlink(path_.c_str()); // still locked, so no other writer of ours is in it
    fd_.reset();
    made_ = false;
    errno = saved;
}

Result<FileRangeLock> FileRangeLock::Acquire(const std::filesystem::path &path,
                                             std::chrono::steady_clock::time_point deadline)
{
    FileRangeLock out(path);
    auto pause = std::chrono::microseconds(50);
    for (;;) {
        out.Release();
        out.fd_.reset(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        if (!out.fd_ && errno == ENOENT) {
            out.fd_.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            out.made_ = static_cast<bool>(out.fd_);
        }
        // EEXIST: another writer made it meanwhile, and the next turn opens it.
        if (!out.fd_ && errno != EEXIST)
            return out; // the write meets the same refusal and reports it

        int error = 0;
        while (out.fd_ && (error = TryLock(out.fd_.get())) != 0) {
            if (error != EAGAIN && error != EACCES && error != EINTR)
                return out; // a file system without these locks: the folder lock alone stands
            if (std::chrono::steady_clock::now() >= deadline)
                return Error(win32_error::Timeout);
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(5000));
        }
        // A writer that renamed a new file into place meanwhile left this
        // lock on the old one.
        struct stat locked {}, current {};
        if (out.fd_ && ::fstat(out.fd_.get(), &locked) == 0 && ::stat(path.c_str(), &current) == 0 &&
            SameFile(locked, current))
            return out;
        if (std::chrono::steady_clock::now() >= deadline)
            return Error(win32_error::Timeout);
    }
}

} // namespace tallowby::platform
