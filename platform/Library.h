#pragma once

#include <cstdint>
#include <utility>

namespace tallowby::platform {

// A loaded library, found by name as LoadLibrary finds it, and its entries,
// found by name as GetProcAddress finds them. Move-only; the library stays
// loaded while its owner lives. On Linux the libraries are the project's
// own stand-ins, registered under the Windows library names.
class Library {
public:
    Library() = default;
    Library(Library &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Library &operator=(Library &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;
    ~Library() { reset(); }

    // Loads `name` into `out`. Returns 0, or the Win32 error number
    // (ERROR_MOD_NOT_FOUND when there is no such library).
    static std::uint32_t Open(const char *name, Library &out);

    // Looks up `entry`. Returns 0 and sets `address`, or the Win32 error
    // number (ERROR_PROC_NOT_FOUND when the library has no such entry).
    std::uint32_t Find(const char *entry, void *&address) const;

    explicit operator bool() const { return handle_ != nullptr; }

private:
    explicit Library(void *handle) : handle_(handle) {}
    void reset(void *handle = nullptr);

    void *handle_ = nullptr;
};

} // namespace tallowby::platform
