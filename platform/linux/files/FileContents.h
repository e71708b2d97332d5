#pragma once

#include "platform/Result.h"
#include "platform/linux/files/FileStamp.h"
#include "platform/linux/files/UniqueFd.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tallowby::platform {

// The file last read, kept open, so that reading it again after another
// program rewrote it in place needs no open. It holds a file that was
// replaced or removed until the next read or Drop.
class KeptFile {
public:
    // The kept file, to be read from its start, when it is the file `seen`
    // stamps; else -1, and the kept file is dropped.
    int Rewound(const FileStamp &seen);
    // Keeps `fd`, whose stat is `info`, instead; returns it.
    int Keep(UniqueFd fd, const struct stat &info);
    void Drop() { fd_.reset(); }

private:
    UniqueFd fd_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Reads the whole file at `path`, whose stat just gave `seen`, into
// `contents`, reusing its storage unless it is far too large; callers must
// not count on what it held. The file read is `kept`'s when `seen` stamps
// it, else the one opened, which `kept` then keeps. Returns the stamp that
// stands for the bytes read: that of the file as opened (`seen` for the
// kept one) when one read took it whole, else the stamp taken once it was
// read, the file being read again, a few times at most, while that differs
// from the one before. Or the Win32 error number (ERROR_FILE_NOT_FOUND when
// there is no such file, ERROR_ACCESS_DENIED for a folder).
Result<FileStamp> ReadFileContents(const std::filesystem::path &path, const FileStamp &seen, std::string &contents,
                                   KeptFile &kept);

// Whether the file at `path` holds exactly `expected`, read piece by piece
// so that no second copy of it is made; or the Win32 error number as
// ReadFileContents gives it.
Result<bool> FileHolds(const std::filesystem::path &path, std::string_view expected);

} // namespace tallowby::platform
