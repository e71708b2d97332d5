#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace tallowby::platform {

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
// number with the old file left as it was. Every system call goes through
// FileSystem::Current().
std::uint32_t ReplaceFileContents(const std::filesystem::path &path, std::string_view contents,
                                  const std::function<bool()> &unchanged = {});

} // namespace tallowby::platform
