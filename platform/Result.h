#pragma once

#include <cstdint>
#include <optional>
#include <utility>

namespace tallowby::platform {

// The outcome of a step of the platform layer: none, or the Win32 error
// number of why it failed (Win32Error.h names them). Every function of the
// layer that can fail returns one, or a Result<T> when it also gives a
// value; a caller passes a failure up with TALLOWBY_RETURN_IF_FAILED.
class [[nodiscard]] Error {
public:
    constexpr Error() = default;
    // Zero is no error, as for GetLastError.
    constexpr Error(std::uint32_t code) : code_(code) {}

    constexpr bool failed() const { return code_ != 0; }
    constexpr std::uint32_t code() const { return code_; }

    friend constexpr bool operator==(Error, Error) = default;

private:
    std::uint32_t code_ = 0;
};

// A value, or the error that kept it from being made; it reads like
// std::expected.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    // `error` must have failed.
    Result(Error error) : error_(error) {}

    bool failed() const { return error_.failed(); }
    explicit operator bool() const { return !failed(); }
    Error error() const { return error_; }

    T &operator*() { return *value_; }
    const T &operator*() const { return *value_; }
    T *operator->() { return &*value_; }
    const T *operator->() const { return &*value_; }

    template <typename U>
    friend bool operator==(const Result &result, const U &value)
    {
        return !result.failed() && *result.value_ == value;
    }

private:
    Error error_;
    std::optional<T> value_;
};

} // namespace tallowby::platform

// Returns the error of `expression`, an Error or a Result, from the
// enclosing function when it failed.
#define TALLOWBY_RETURN_IF_FAILED(expression)                                                              \
    do {                                                                                                   \
        if (const auto &tallowby_outcome = (expression); tallowby_outcome.failed())                        \
            return ::tallowby::platform::ErrorOf(tallowby_outcome);                                        \
    } while (false)

namespace tallowby::platform {

inline Error ErrorOf(Error error) { return error; }
template <typename T>
Error ErrorOf(const Result<T> &result)
{
    return result.error();
}

} // namespace tallowby::platform
