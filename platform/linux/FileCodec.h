#pragma once

#include <string>
#include <string_view>

namespace tallowby::platform {

// The one place that knows the forms a settings file's text comes in. A
// file without a byte-order mark is in the ANSI code page; a mark makes it
// UTF-8, UTF-16 LE or UTF-16 BE, and a file is written back in the form it
// came in.
//
// Inside, a file's text is in its text form: the bytes themselves for a
// file in the code page, else UTF-8, where an unpaired surrogate of a
// UTF-16 file takes the three bytes its code would, so that any file
// survives a round trip. Callers' names and values, in the code page, are
// brought to that form and back by TextFromAnsi and TextToAnsi.
enum class FileEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// A file's text and the form its bytes held it in.
struct DecodedFile {
    FileEncoding encoding = FileEncoding::Ansi;
    std::string text;
};

// The text of a file's `bytes`. A lone last byte of a UTF-16 file is a unit
// whose other byte is zero.
DecodedFile Decode(std::string bytes);

// A file's bytes for a text. Where the file holds the text as it is (a file
// in the code page), they are the text itself, not a copy: then they last
// only as long as the text does, unchanged.
class FileBytes {
public:
    std::string_view view() const { return encoded_ ? std::string_view(bytes_) : text_; }

private:
    friend FileBytes Encode(FileEncoding encoding, std::string_view text);
    std::string_view text_;
    std::string bytes_;
    bool encoded_ = false;
};

// The bytes of a file in `encoding` that holds `text`, its byte-order mark
// first.
FileBytes Encode(FileEncoding encoding, std::string_view text);

// Text in the code page, as callers pass it, in the text form of a file in
// `encoding`.
std::string TextFromAnsi(FileEncoding encoding, std::string_view ansi);

// Text in the text form of a file in `encoding` as callers read it, in the
// code page, one byte per UTF-16 unit as the platform converts: "?" for
// what the code page lacks and for each malformed run of bytes.
std::string TextToAnsi(FileEncoding encoding, std::string text);

} // namespace tallowby::platform
