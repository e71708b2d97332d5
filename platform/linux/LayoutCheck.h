#pragma once

#include <string_view>

namespace tallowby::platform {

// Whether every line of `text` is as the platform's layout writes it
// (ini_layout::IsLaidOut) and no entry without a name follows another: what
// reading every line tells (IniDocument), told in one pass over the bytes.
// Sixty-four bytes are classed at once; only lines that start with "[" or
// "=", or hold an "=" beside a blank, are read.
bool IsInLayout(std::string_view text);

} // namespace tallowby::platform
