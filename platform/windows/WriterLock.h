#pragma once

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
    // the Windows path `ansiPath`. Returns 0, or the Win32 error number
    // (ERROR_TIMEOUT when another writer keeps it).
    std::uint32_t Acquire(const char *ansiPath);

    // Moves the lock on kWriterLockOffset to the copy at `ansiCopyPath`,
    // which is about to be renamed over the settings file: the platform
    // renames over no open file, so the file's handle must go first, and the
    // copy is locked before it goes (see kWindowsCopySuffix). Back to the
    // settings file at `ansiPath` when `back`. The mutex stays held. Returns
    // 0, or the Win32 error number.
    std::uint32_t MoveToCopy(const char *ansiCopyPath);
    std::uint32_t MoveBack(const char *ansiPath);

private:
    struct Held;
    std::unique_ptr<Held> held_;
};

} // namespace tallowby::platform
