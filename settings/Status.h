#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Win32Error.h"

namespace tallowby {

// The result of every public operation: success, or a 32-bit failure code in
// the HRESULT style (bit 31 set). Platform error numbers travel wrapped as
// FromWin32(code), so one type carries both kinds of failure.
class Status {
public:
    constexpr Status() = default;
    constexpr explicit Status(std::uint32_t code) : code_(code) {}

    // Wraps a Win32 error number; zero stays success.
    static constexpr Status FromWin32(std::uint32_t error)
    {
        return error == 0 ? Status() : Status(0x80070000u | (error & 0xFFFFu));
    }

    constexpr bool ok() const { return (code_ & 0x80000000u) == 0; }
    constexpr bool failed() const { return !ok(); }
    constexpr std::uint32_t code() const { return code_; }

    friend constexpr bool operator==(Status, Status) = default;

private:
    std::uint32_t code_ = 0;
};

// The statuses the program's own code raises, by their meaning; the codes
// are the platform's E_OUTOFMEMORY, E_INVALIDARG and E_UNEXPECTED.
inline constexpr Status kSuccess{};
inline constexpr Status kOutOfMemory{0x8007000Eu};
inline constexpr Status kInvalidArgument{0x80070057u};
inline constexpr Status kUnexpected{0x8000FFFFu};

// Short, lower-case description of a status, without its code,
// e.g. "access denied". Unknown codes read "error".
std::string StatusMessage(Status status);

// The description followed by the code, e.g. "access denied (0x80070005)".
std::string DescribeStatus(Status status);

// The cause in one PascalCase word, for other programs to match on, e.g.
// "AccessDenied"; "SystemError" for other Win32 errors, "Failed" for other
// codes.
std::string StatusCause(Status status);

// The status a cause of StatusCause stands for; nothing for "SystemError",
// "Failed" and names it does not know.
std::optional<Status> StatusFromCause(std::string_view cause);

// The failure status whose DescribeStatus text is `description`, read from
// the code at its end; nothing when the text carries no failure code.
std::optional<Status> ParseStatusDescription(std::string_view description);

} // namespace tallowby
