#pragma once

#include "platform/Result.h"

#include <exception>
#include <string>
#include <string_view>

namespace tallowby::platform {

// A conversion the platform refused, with the Win32 error number it gave.
class ConversionFailure : public std::exception {
public:
    explicit ConversionFailure(Error error) : error_(error) {}
    Error error() const { return error_; }
    const char *what() const noexcept override { return "code page conversion failed"; }

private:
    Error error_;
};

// Conversions between the program's UTF-16 text and the system's ANSI code
// page. A character the code page cannot hold becomes "?"; no look-alike is
// chosen in its place. Memory exhaustion fails as std::bad_alloc, anything
// else the platform refuses as ConversionFailure.
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view bytes);

} // namespace tallowby::platform
