#pragma once

#include <string>
#include <string_view>

namespace tallowby::platform {

// How a settings file's bytes hold its text. A file without a byte-order
// mark is ANSI; a mark makes it UTF-8, UTF-16 LE or UTF-16 BE, and writes
// keep the file in the form it came in.
enum class FileEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

constexpr bool IsUtf16(FileEncoding encoding)
{
    return encoding == FileEncoding::Utf16Le || encoding == FileEncoding::Utf16Be;
}

FileEncoding DetectEncoding(std::string_view bytes);
std::string_view ByteOrderMark(FileEncoding encoding);

// UTF-16 bytes (after the mark) as UTF-8, losslessly: an unpaired surrogate
// takes the three bytes its code would, and a lone last byte is a unit
// whose other byte is zero.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
// The reverse: UTF-8, surrogates in their three-byte form allowed, as
// UTF-16 bytes without a mark.
std::string Utf8ToUtf16(std::string_view text, bool bigEndian);

// Windows-1252 bytes as UTF-8.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 as Windows-1252, one byte per UTF-16 unit as the platform converts:
// "?" for what the code page lacks and for each malformed run of bytes.
// With `surrogates`, a surrogate's three-byte form is that unit.
std::string Utf8ToAnsi(std::string_view text, bool surrogates);

} // namespace tallowby::platform
