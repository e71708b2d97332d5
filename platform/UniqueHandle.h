#pragma once

#include <utility>

namespace tallowby::platform {

// Owner of one handle of a system resource, move-only, like unique_ptr.
// `Traits` gives the handle type, its invalid value and `Close(handle)`;
// closing keeps the caller's last error (errno, or GetLastError), since
// cleanup must not overwrite the reason a call failed.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
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

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid())
    {
        if (const Handle old = std::exchange(handle_, handle); old != Traits::Invalid()) {
            const auto saved = Traits::LastError();
            Traits::Close(old);
            Traits::SetLastError(saved);
        }
    }

private:
    Handle handle_ = Traits::Invalid();
};

} // namespace tallowby::platform
