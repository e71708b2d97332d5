#pragma once

#include "platform/Result.h"
#include "platform/WriterLock.h"

#include <cstdint>
#include <memory>

namespace tallowby::platform {

// Held around each save of the settings file, so that writers in other
// processes, of this build or the Linux one, take turns: a mutex named after
// the file, for this program's own processes (an abandoned one counts as
// taken), and the lock on kWriterLockOffset, for the Linux build, whose
// stand-in takes the same lock itself.
class WriterLock {
public:
    WriterLock();
    WriterLock(const WriterLock &) = delete;
    WriterLock &operator=(const WriterLock &) = delete;
    ~WriterLock();

    // Waits up to kWriterLockTimeout for the lock of the settings file at
    // the Windows path `ansiPath`. Fails with the Win32 error
    // (ERROR_TIMEOUT when another writer keeps it).
    Error Acquire(const char *ansiPath);

    // Moves the lock on kWriterLockOffset to the copy at `ansiCopyPath`,
    // which is about to be renamed over the settings file: the platform
    // renames over no open file, so the file's handle must go first, and the
    // copy is locked before it goes (see kWindowsCopySuffix). Back to the
    // settings file at `ansiPath` with MoveBack. The mutex stays held.
    Error MoveToCopy(const char *ansiCopyPath);
    Error MoveBack(const char *ansiPath);

private:
    struct Held;
    std::unique_ptr<Held> held_;
};

} // namespace tallowby::platform
