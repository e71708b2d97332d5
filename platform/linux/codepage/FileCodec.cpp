#include "platform/linux/codepage/FileCodec.h"

#include "platform/linux/codepage/AnsiCodec.h"
#include "platform/Utf8.h"

#include <utility>

namespace tallowby::platform {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

std::string_view ByteOrderMark(FileEncoding encoding)
{
    switch (encoding) {
    case FileEncoding::Utf8:
        return kUtf8Mark;
    case FileEncoding::Utf16Le:
        return kUtf16LeMark;
    case FileEncoding::Utf16Be:
        return kUtf16BeMark;
    case FileEncoding::Ansi:
        break;
    }
    return {};
}

FileEncoding Detect(std::string_view bytes)
{
    for (const FileEncoding encoding : {FileEncoding::Utf8, FileEncoding::Utf16Le, FileEncoding::Utf16Be}) {
        if (bytes.substr(0, ByteOrderMark(encoding).size()) == ByteOrderMark(encoding))
            return encoding;
    }
    return FileEncoding::Ansi;
}

bool IsUtf16(FileEncoding encoding) { return encoding == FileEncoding::Utf16Le || encoding == FileEncoding::Utf16Be; }

// How text in that form reads as UTF-16 units.
Utf8Policy TextPolicy(FileEncoding encoding)
{
    return IsUtf16(encoding) ? Utf8Policy::LenientSurrogates : Utf8Policy::Lenient;
}

std::u16string Utf16Units(std::string_view bytes, bool bigEndian)
{
    std::u16string units;
    units.reserve(bytes.size() / 2 + 1);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        units.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return units;
}

std::string Utf16Bytes(std::u16string_view units, bool bigEndian)
{
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

} // namespace

bool HoldsTextAsIs(FileEncoding encoding) { return encoding == FileEncoding::Ansi && ProcessCodec().KeepsBytes(); }

DecodedFile Decode(std::string bytes) { return Decode(std::move(bytes), ProcessCodec()); }

DecodedFile Decode(std::string bytes, const AnsiCodec &codec)
{
    DecodedFile file{Detect(bytes), {}};
    const std::size_t mark = ByteOrderMark(file.encoding).size();
    switch (file.encoding) {
    case FileEncoding::Ansi:
        if (codec.KeepsBytes()) {
            file.text = std::move(bytes);
        } else {
            const std::u16string units = codec.Decode(bytes);
            bytes = std::string();
            file.text = ToUtf8(units);
        }
        break;
    case FileEncoding::Utf8:
        bytes.erase(0, mark);
        file.text = std::move(bytes);
        break;
    case FileEncoding::Utf16Le:
    case FileEncoding::Utf16Be: {
        const bool bigEndian = file.encoding == FileEncoding::Utf16Be;
        const std::u16string units = Utf16Units(std::string_view(bytes).substr(mark), bigEndian);
        bytes = std::string(); // not two copies of the file at once
        file.text = ToUtf8(units, true);
        break;
    }
    }
    return file;
}

FileBytes Encode(FileEncoding encoding, std::string_view text) { return Encode(encoding, text, ProcessCodec()); }

FileBytes Encode(FileEncoding encoding, std::string_view text, const AnsiCodec &codec)
{
    FileBytes bytes;
    if (encoding == FileEncoding::Ansi && codec.KeepsBytes()) {
        bytes.text_ = text;
        return bytes;
    }
    bytes.encoded_ = true;
    if (encoding == FileEncoding::Ansi) {
        bytes.bytes_ = codec.Encode(*FromUtf8(text, TextPolicy(encoding)));
        return bytes;
    }
    bytes.bytes_ = ByteOrderMark(encoding);
    if (encoding == FileEncoding::Utf8)
        bytes.bytes_ += text;
    else
        bytes.bytes_ += Utf16Bytes(*FromUtf8(text, TextPolicy(encoding)), encoding == FileEncoding::Utf16Be);
    return bytes;
}

std::string TextFromAnsi(FileEncoding encoding, std::string_view ansi)
{
    return TextFromAnsi(encoding, ansi, ProcessCodec());
}

std::string TextFromAnsi(FileEncoding encoding, std::string_view ansi, const AnsiCodec &codec)
{
    if (encoding == FileEncoding::Ansi && codec.KeepsBytes())
        return std::string(ansi);
    return ToUtf8(codec.DecodeArgument(ansi));
}

std::string TextToAnsi(FileEncoding encoding, std::string text)
{
    return TextToAnsi(encoding, std::move(text), ProcessCodec());
}

std::string TextToAnsi(FileEncoding encoding, std::string text, const AnsiCodec &codec)
{
    if (encoding == FileEncoding::Ansi && codec.KeepsBytes())
        return text;
    return codec.Encode(*FromUtf8(text, TextPolicy(encoding)));
}

} // namespace tallowby::platform
