#pragma once

#include "platform/Result.h"
#include "platform/linux/files/UniqueFd.h"

#include <chrono>
#include <filesystem>
#include <utility>

namespace tallowby::platform {

// The lock every writer of a settings file takes on the file itself: an
// open-file-description write lock on the byte at kWriterLockOffset, which
// Wine maps to and from the LockFileEx lock of the Windows build. It is held
// for the whole of a read, change and replace, and goes with the descriptor.
class FileRangeLock {
public:
    FileRangeLock(FileRangeLock &&other) noexcept
        : path_(std::move(other.path_)), fd_(std::move(other.fd_)), madeFile_(std::exchange(other.madeFile_, false))
    {
    }
    FileRangeLock &operator=(FileRangeLock &&) = delete;
    // Removes the file when this lock made it and it is still empty, so that
    // a call that wrote nothing leaves no file behind; then unlocks.
    ~FileRangeLock();

    // Locks the file at `path`, making it empty when missing so that writers
    // of both builds meet on one file, and waits for other holders until
    // `deadline`. A file that cannot be opened for writing is left unlocked
    // for the write itself to refuse. Gives ERROR_TIMEOUT when other
    // writers keep it.
    static Result<FileRangeLock> Acquire(const std::filesystem::path &path,
                                         std::chrono::steady_clock::time_point deadline);

    // Whether the file was missing and this lock made it.
    bool MadeFile() const { return madeFile_; }

private:
    explicit FileRangeLock(std::filesystem::path path) : path_(std::move(path)) {}
    void Release();

    std::filesystem::path path_;
    UniqueFd fd_;
    bool madeFile_ = false;
};

} // namespace tallowby::platform
