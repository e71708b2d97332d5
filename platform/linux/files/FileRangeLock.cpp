#include "platform/linux/files/FileRangeLock.h"

#include "platform/Win32Error.h"
#include "platform/WriterLock.h"
#include "platform/linux/files/FileSystem.h"

#include <algorithm>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tallowby::platform {

namespace {

bool SameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether the Windows build's copy beside the file at `path` is locked: a
// Windows writer is then about to rename it over the file.
bool CopyOnItsWay(const std::filesystem::path &path)
{
    return file_calls::RangeLockedElsewhere(
        path.parent_path() / ("." + path.filename().string() + kWindowsCopySuffix), kWriterLockOffset);
}

} // namespace

FileRangeLock::~FileRangeLock() { Release(); }

void FileRangeLock::Release()
{
    struct stat ours {}, there {};
    if (made_ && ::fstat(fd_.get(), &ours) == 0 && ours.st_size == 0 && ::stat(path_.c_str(), &there) == 0 &&
        SameFile(ours, there))
        ::unlink(path_.c_str()); // still locked, so no other writer of ours is in it
    fd_.reset();
    made_ = false;
}

Result<FileRangeLock> FileRangeLock::Acquire(const std::filesystem::path &path,
                                             std::chrono::steady_clock::time_point deadline)
{
    FileRangeLock out(path);
    auto pause = std::chrono::microseconds(50);
    for (;;) {
        out.Release();
        file_calls::OpenedForLock opened = file_calls::OpenForLock(path);
        out.fd_ = std::move(opened.fd);
        out.made_ = opened.made;
        // Made by another writer meanwhile: the next turn opens it.
        if (!out.fd_ && !opened.madeMeanwhile)
            return out; // the write meets the same refusal and reports it

        while (out.fd_) {
            const auto lock = file_calls::TryLockRange(out.fd_.get(), kWriterLockOffset);
            if (lock == file_calls::RangeLock::Taken)
                break;
            if (lock == file_calls::RangeLock::Unsupported)
                return out; // a file system without these locks: the folder lock alone stands
            if (std::chrono::steady_clock::now() >= deadline)
                return Error(win32_error::Timeout);
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(5000));
        }
        // A writer that renamed a new file into place meanwhile left this
        // lock on the old one; a Windows writer's locked copy is about to
        // do so. The copy is looked at first: once it is gone, the rename
        // shows in the file's identity.
        struct stat locked {}, current {};
        if (out.fd_ && CopyOnItsWay(path)) {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(5000));
        } else if (out.fd_ && ::fstat(out.fd_.get(), &locked) == 0 && ::stat(path.c_str(), &current) == 0 &&
                   SameFile(locked, current)) {
            return out;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return Error(win32_error::Timeout);
    }
}

} // namespace tallowby::platform
