#pragma once

#include "platform/Result.h"
#include "platform/linux/files/FileStamp.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tallowby::platform {

// Reads the whole file at `path`, whose stat just gave `seen`, into
// `contents`, reusing its storage unless it is far too large; callers must
// not count on what it held. Returns the stamp that stands for the bytes
// read: `seen` when one read took the file whole, else the stamp taken once
// it was read, the file being read again, a few times at most, while that
// differs from the one before. Or the Win32 error number
// (ERROR_FILE_NOT_FOUND when there is no such file, ERROR_ACCESS_DENIED for
// a folder).
Result<FileStamp> ReadFileContents(const std::filesystem::path &path, const FileStamp &seen, std::string &contents);

// Whether the file at `path` holds exactly `expected`, read piece by piece
// so that no second copy of it is made; or the Win32 error number as
// ReadFileContents gives it.
Result<bool> FileHolds(const std::filesystem::path &path, std::string_view expected);

} // namespace tallowby::platform
