#include "platform/linux/FolderLock.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>

namespace tallowby::platform {

Result<FolderLock> FolderLock::Acquire(const std::filesystem::path &folder,
                                       std::chrono::steady_clock::time_point deadline)
{
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return Error(Win32ErrorFromErrno(errno));
    auto pause = std::chrono::microseconds(50);
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return Error(Win32ErrorFromErrno(errno));
        if (std::chrono::steady_clock::now() >= deadline)
            return Error(win32_error::Timeout);
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    return FolderLock(std::move(fd));
}

} // namespace tallowby::platform
