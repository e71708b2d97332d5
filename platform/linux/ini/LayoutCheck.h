#pragma once

#include <string_view>

namespace tallowby::platform {

// The vectors the bytes are classed with: the widest the processor has, or
// the narrowest that every processor of its kind has, for tests to compare.
enum class LayoutVectors { Widest, Narrowest };

// Whether every line of `text` is as the platform's layout writes it
// (ini_layout::IsLaidOut) and no entry without a name follows another: what
// reading every line tells (IniDocument), told in one pass over the bytes.
// Each byte is looked at beside the one before it, 32 or 16 at a time as
// the processor's vectors allow; only the lines that may be headers
// or entries without a name, or that hold a blank other than a space, a
// control character, or a space at an edge or beside an "=", are read.
bool IsInLayout(std::string_view text, LayoutVectors vectors = LayoutVectors::Widest);

} // namespace tallowby::platform
