#pragma once

#include <string>
#include <string_view>

namespace tallowby::platform {

class AnsiCodec;

// The one place that knows the forms a settings file's text comes in. A
// file without a byte-order mark is in the ANSI code page; a mark makes it
// UTF-8, UTF-16 LE or UTF-16 BE, and a file is written back in the form it
// came in.
//
// Inside, a file's text is in its text form: the bytes themselves for a
// file in a code page where each byte is a character that converts back to
// itself (AnsiCodec::KeepsBytes), else UTF-8, where an unpaired surrogate
// of a UTF-16 file takes the three bytes its code would, so that any file
// survives a round trip. A double-byte page is read whole to UTF-8, as the
// platform reads it, so that a trail byte is never taken for "[", "]" or a
// letter, and written back through the page. Callers' names and values, in
// the code page, are brought to that form and back by TextFromAnsi and
// TextToAnsi. Each function without a codec uses the process's.
enum class FileEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// Whether a file in `encoding` holds its text form byte for byte, in the
// process's code page.
bool HoldsTextAsIs(FileEncoding encoding);

// A file's text and the form its bytes held it in.
struct DecodedFile {
    FileEncoding encoding = FileEncoding::Ansi;
    std::string text;
};

// The text of a file's `bytes`. A lone last byte of a UTF-16 file is a unit
// whose other byte is zero.
DecodedFile Decode(std::string bytes);
DecodedFile Decode(std::string bytes, const AnsiCodec &codec);

// A file's bytes for a text. Where the file holds the text as it is (a file
// in the code page), they are the text itself, not a copy: then they last
// only as long as the text does, unchanged.
class FileBytes {
public:
    std::string_view view() const { return encoded_ ? std::string_view(bytes_) : text_; }

private:
    friend FileBytes Encode(FileEncoding encoding, std::string_view text, const AnsiCodec &codec);
    std::string_view text_;
    std::string bytes_;
    bool encoded_ = false;
};

// The bytes of a file in `encoding` that holds `text`, its byte-order mark
// first.
FileBytes Encode(FileEncoding encoding, std::string_view text);
FileBytes Encode(FileEncoding encoding, std::string_view text, const AnsiCodec &codec);

// Text in the code page, as callers pass it, in the text form of a file in
// `encoding`.
std::string TextFromAnsi(FileEncoding encoding, std::string_view ansi);
std::string TextFromAnsi(FileEncoding encoding, std::string_view ansi, const AnsiCodec &codec);

// Text in the text form of a file in `encoding` as callers read it, in the
// code page, one byte per UTF-16 unit as the platform converts: "?" for
// what the code page lacks and for each malformed run of bytes.
std::string TextToAnsi(FileEncoding encoding, std::string text);
std::string TextToAnsi(FileEncoding encoding, std::string text, const AnsiCodec &codec);

} // namespace tallowby::platform
