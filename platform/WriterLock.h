#pragma once

#include <chrono>
#include <cstdint>

namespace tallowby::platform {

// How long a writer of the settings file waits for the others before it
// gives up with ERROR_TIMEOUT.
inline constexpr std::chrono::milliseconds kWriterLockTimeout{5000};

// The byte both builds lock in the settings file while they change it: a
// POSIX lock on Linux and LockFileEx under Wine meet on it. It lies far past
// any real file's end, so it never blocks the platform's own reads and
// writes of the file's bytes.
inline constexpr std::uint64_t kWriterLockOffset = 0x3FFFFFFFFFFFFFF0u;

} // namespace tallowby::platform
