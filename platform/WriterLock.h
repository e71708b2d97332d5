#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace tallowby::platform {

// How long a writer of the settings file waits for the others before it
// gives up with ERROR_TIMEOUT.
inline constexpr std::chrono::milliseconds kWriterLockTimeout{5000};

// The byte both builds lock in the settings file while they change it: a
// POSIX lock on Linux and LockFileEx under Wine meet on it. It lies far past
// any real file's end, so it never blocks the platform's own reads and
// writes of the file's bytes.
inline constexpr std::uint64_t kWriterLockOffset = 0x3FFFFFFFFFFFFFF0u;

// Held by the store around each platform write of the settings file, so
// that writers in other processes, of this build or the other, take turns.
// On Windows it is a mutex named after the file, for this program's own
// processes (an abandoned one counts as taken), and the lock on
// kWriterLockOffset, for the Linux build. On Linux the stand-in's write
// takes the same locks itself, so the store has none to take.
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

private:
    struct Held;
    std::unique_ptr<Held> held_;
};

} // namespace tallowby::platform
