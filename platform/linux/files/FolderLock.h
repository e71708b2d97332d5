#pragma once

#include "platform/Result.h"
#include "platform/linux/files/UniqueFd.h"

#include <chrono>
#include <filesystem>

namespace tallowby::platform {

// An exclusive advisory lock (flock) on a folder, held by this build's
// writers of a file in it for the whole of a read, change and replace. It
// goes with the descriptor, so a writer that is killed leaves no lock.
class FolderLock {
public:
    // Waits until `deadline` for the lock on `folder`. Gives the Win32
    // error number (ERROR_TIMEOUT when another process keeps it).
    static Result<FolderLock> Acquire(const std::filesystem::path &folder,
                                      std::chrono::steady_clock::time_point deadline);

private:
    explicit FolderLock(UniqueFd fd) : fd_(std::move(fd)) {}

    UniqueFd fd_;
};

} // namespace tallowby::platform
