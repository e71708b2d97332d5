#pragma once

#include <string>
#include <string_view>

namespace tallowby::platform {

// Conversions between the program's UTF-16 text and the system's ANSI code
// page. A character the code page cannot hold becomes "?"; no look-alike is
// chosen in its place. Only memory exhaustion fails, as std::bad_alloc.
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view bytes);

} // namespace tallowby::platform
