#include "platform/linux/files/FolderLock.h"

#include "platform/Win32Error.h"
#include "platform/linux/files/FileSystem.h"

#include <algorithm>
#include <thread>

namespace tallowby::platform {

Result<FolderLock> FolderLock::Acquire(const std::filesystem::path &folder,
                                       std::chrono::steady_clock::time_point deadline)
{
    auto fd = file_calls::OpenFolder(folder);
    TALLOWBY_RETURN_IF_FAILED(fd);
    auto pause = std::chrono::microseconds(50);
    for (;;) {
        const auto locked = file_calls::TryLockFolder(fd->get());
        TALLOWBY_RETURN_IF_FAILED(locked);
        if (*locked)
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            return Error(win32_error::Timeout);
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    return FolderLock(std::move(*fd));
}

} // namespace tallowby::platform
