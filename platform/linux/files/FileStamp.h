#pragma once

#include "platform/Result.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <sys/types.h>

struct stat;

namespace tallowby::platform {

// What stat tells of a file's version: its identity, size and change times.
// A file whose stamp is the same as before holds the same bytes only if it
// last changed before the clock the kernel stamps files with last ticked;
// a change within the tick could leave every field as it was.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    // Whether it is a regular file, whose read gives less than asked only at
    // its end. Not part of the version: its type cannot change in place.
    bool regular = false;

    bool operator==(const FileStamp &other) const;

    static FileStamp Of(const struct stat &info);
    // The stamp of the file at `path`: that of no file when it is missing or
    // cannot be looked at.
    static FileStamp At(const std::filesystem::path &path);
    // The same, or the Win32 error of a look that failed for another reason
    // than a missing file.
    static Result<FileStamp> Take(const std::filesystem::path &path);

    // Whether the file last changed before `moment`.
    bool ChangedBefore(const timespec &moment) const;
    // Whether the file changed in the last 20 ms: time for a program that
    // truncates the file and then writes it to finish, even on a busy
    // machine, before its text is taken as whole. An empty file, the state
    // such a program leaves it in while its disk is busy, is given 500 ms.
    bool ChangedLately() const;
};

// The moment before which a change of a file shows in its stamp: one tick
// of the kernel's file clock before now.
timespec TrustHorizon();

// Waits until the file at `path`, last seen as `seen`, has not changed for
// 20 ms (500 ms while it is empty), and returns its stamp then. A clock set
// back makes a file look new for long, so a file seen to stay as it is for
// as long counts as still too. ERROR_TIMEOUT at `deadline`.
Result<FileStamp> AwaitStill(const std::filesystem::path &path, FileStamp seen,
                             std::chrono::steady_clock::time_point deadline);

} // namespace tallowby::platform
