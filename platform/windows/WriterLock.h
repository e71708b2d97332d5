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

    // Moves the lock on kWriterLockOffset, held, to the file at `ansiPath`:
    // a file that is about to be renamed over the settings file, so that it
    // is locked from the moment it takes the file's place (the platform
    // refuses to rename over a file that is open, so the old file's handle
    // must go first), or the settings file again. The mutex stays held.
    // Returns 0, or the Win32 error number.
    std::uint32_t Move(const char *ansiPath);

private:
    struct Held;
    std::unique_ptr<Held> held_;
};

} // namespace tallowby::platform
