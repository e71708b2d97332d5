#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/linux/FileSystem.h"

namespace tallowby::platform {

// The Win32 error number that stands for a POSIX errno value.
std::uint32_t Win32ErrorFromErrno(int error);

// Reads the whole file at `path` into `contents`. Returns 0, or the Win32
// error number (ERROR_FILE_NOT_FOUND when there is no such file).
std::uint32_t ReadFileContents(const std::filesystem::path &path, std::string &contents);

// Sets `equal` to whether the file at `path` holds exactly `expected`, read
// piece by piece so that no second copy of it is made. Returns 0, or the
// Win32 error number.
std::uint32_t CompareFileContents(const std::filesystem::path &path, std::string_view expected, bool &equal);

// What ReplaceFileContents returns when its check before the rename fails
// (ERROR_RETRY).
inline constexpr std::uint32_t kReplaceRetry = 1237;

// Replaces the file at `path` with `contents` so that a reader or a crash at
// any moment finds either the old file or the new one whole: the new file is
// written beside the old, flushed to disk, renamed over it, and the folder
// flushed. The old file's permissions carry over. `unchanged`, when given,
// is asked once the new file is on disk, just before the rename, whether
// the old file is still as the caller read it; when it is not, the new file
// is dropped and the result is kReplaceRetry. Returns 0, or the Win32 error
// number with the old file left as it was.
std::uint32_t ReplaceFileContents(const std::filesystem::path &path, std::string_view contents,
                                  const std::function<bool()> &unchanged = {});

// An exclusive advisory lock on a folder, held by writers of the files in it
// for the whole of a read, change and replace.
class FolderLock {
public:
    // Waits up to `timeout` for the lock on `folder`. Returns 0, or the
    // Win32 error number (ERROR_TIMEOUT when another process keeps it).
    static std::uint32_t Acquire(const std::filesystem::path &folder, std::chrono::milliseconds timeout,
                                 FolderLock &out);

private:
    UniqueFd fd_;
};

} // namespace tallowby::platform
