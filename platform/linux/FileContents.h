#pragma once

#include "platform/linux/FileStamp.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tallowby::platform {

// Reads the whole file at `path` into `contents`, reusing its storage
// unless it is far too large; callers must not count on what it held. Returns 0, or the Win32
// error number (ERROR_FILE_NOT_FOUND when there is no such file,
// ERROR_ACCESS_DENIED for a folder).
// `afterRead`, when given, gets the stamp of the file read, taken once it
// was read.
std::uint32_t ReadFileContents(const std::filesystem::path &path, std::string &contents,
                               FileStamp *afterRead = nullptr);

// Sets `equal` to whether the file at `path` holds exactly `expected`, read
// piece by piece so that no second copy of it is made. Returns 0, or the
// Win32 error number as ReadFileContents does.
std::uint32_t CompareFileContents(const std::filesystem::path &path, std::string_view expected, bool &equal);

} // namespace tallowby::platform
