#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallowby::platform {

// UTF-8 and UTF-16 conversions for the edges that speak UTF-8: Linux file
// names and the command-line tool. An unpaired surrogate becomes U+FFFD on
// the way out; malformed UTF-8 on the way in yields no result at all.
std::string ToUtf8(std::u16string_view text);
// Appends the UTF-8 form of `c`, whatever it is: a surrogate takes the three
// bytes its code would.
void AppendUtf8(std::string &out, char32_t c);
std::optional<std::u16string> FromUtf8(std::string_view bytes);

} // namespace tallowby::platform
