#include "platform/linux/files/FileRangeLock.h"

#include "platform/Win32Error.h"
#include "platform/WriterLock.h"
#include "platform/linux/files/FileSystem.h"

#include <algorithm>
#include <sys/stat.h>
#include <thread>

namespace tallowby::platform {

namespace {

// Whether the file `ours` describes is still the one at `path`.
bool StillAt(const struct stat &ours, const std::filesystem::path &path)
{
    const auto there = file_calls::StatIfThere(path);
    return there && *there && (*there)->st_dev == ours.st_dev && (*there)->st_ino == ours.st_ino;
}

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
    if (madeFile_) {
        const auto ours = file_calls::StatOfOpen(fd_.get());
        if (ours && ours->st_size == 0 && StillAt(*ours, path_))
            file_calls::TryRemove(path_.c_str()); // still locked, so no other writer of ours is in it
    }
    fd_.reset();
    madeFile_ = false;
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
        out.madeFile_ = opened.how == file_calls::OpenedForLock::How::Made;
        // A file another writer made meanwhile is opened next turn.
        if (opened.how == file_calls::OpenedForLock::How::Refused)
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
        if (out.fd_ && CopyOnItsWay(path)) {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(5000));
        } else if (const auto locked = out.fd_ ? file_calls::StatOfOpen(out.fd_.get()) : std::nullopt;
                   locked && StillAt(*locked, path)) {
            return out;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return Error(win32_error::Timeout);
    }
}

} // namespace tallowby::platform
