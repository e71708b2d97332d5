#pragma once

#include "platform/LastError.h"

#include <cerrno>
#include <cstdint>
#include <utility>

namespace tallowby::platform {

// Owner of one handle of a system resource, move-only, like unique_ptr.
// `Traits` gives the handle type `Handle`, its invalid value `Invalid()`,
// `Close(handle)`, and the error that closing must keep, `LastError()` and
// `SetLastError(error)`: cleanup must not overwrite the reason a call
// failed. KeepsErrno and KeepsLastError below give the two kinds of error.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(std::move(handle)) {}
    UniqueHandle(UniqueHandle &&other) noexcept : handle_(other.release()) {}
    UniqueHandle &operator=(UniqueHandle &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;
    ~UniqueHandle() { reset(); }

    const Handle &get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    // Closes the handle held and gives the place of the next, for a call
    // that hands one out through a pointer.
    Handle *put()
    {
        reset();
        return &handle_;
    }
    // Gives the handle up without closing it, for a close whose result counts.
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid())
    {
        if (Handle old = std::exchange(handle_, std::move(handle)); old != Traits::Invalid()) {
            const auto saved = Traits::LastError();
            Traits::Close(old);
            Traits::SetLastError(saved);
        }
    }

private:
    Handle handle_ = Traits::Invalid();
};

// For handles closed by POSIX calls, which report through errno.
struct KeepsErrno {
    static int LastError() { return errno; }
    static void SetLastError(int error) { errno = error; }
};

// For handles closed by platform calls, which report through the thread's
// last error.
struct KeepsLastError {
    static std::uint32_t LastError() { return platform::LastError(); }
    static void SetLastError(std::uint32_t error) { platform::SetLastError(error); }
};

} // namespace tallowby::platform
