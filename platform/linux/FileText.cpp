#include "platform/linux/FileText.h"

#include "platform/CodePage.h"
#include "platform/Utf8.h"

namespace tallowby::platform {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Calls `put` with each UTF-16 unit of `text`. A malformed run becomes one
// U+FFFD, split where the platform splits it: a lead byte alone when the
// next byte cannot follow any lead, the lead and its next byte when that
// byte is out of the lead's range, else the bytes up to the one that
// breaks the sequence.
template <typename Put> void ForEachUnit(std::string_view text, bool surrogates, Put put)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            put(static_cast<char16_t>(lead));
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t c = 0;
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2, c = lead & 0x1F;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3, c = lead & 0x0F;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4, c = lead & 0x07;
        if (length == 0 || i + 1 >= text.size() || !IsContinuation(static_cast<unsigned char>(text[i + 1]))) {
            put(kReplacement);
            ++i;
            continue;
        }
        const auto second = static_cast<unsigned char>(text[i + 1]);
        const bool inRange = (lead != 0xE0 || second >= 0xA0) && (lead != 0xED || surrogates || second <= 0x9F) &&
                             (lead != 0xF0 || second >= 0x90) && (lead != 0xF4 || second <= 0x8F);
        if (!inRange) {
            put(kReplacement);
            i += 2;
            continue;
        }
        std::size_t taken = 1;
        while (taken < length && i + taken < text.size() &&
               IsContinuation(static_cast<unsigned char>(text[i + taken]))) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + taken]) & 0x3F);
            ++taken;
        }
        i += taken;
        if (taken < length) {
            put(kReplacement);
        } else if (c >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
    }
}

} // namespace

FileEncoding DetectEncoding(std::string_view bytes)
{
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark)
        return FileEncoding::Utf8;
    if (bytes.substr(0, kUtf16LeMark.size()) == kUtf16LeMark)
        return FileEncoding::Utf16Le;
    if (bytes.substr(0, kUtf16BeMark.size()) == kUtf16BeMark)
        return FileEncoding::Utf16Be;
    return FileEncoding::Ansi;
}

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

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() / 2 + bytes.size() / 8);
    auto unitAt = [&](std::size_t i) -> char16_t {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        return static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian)
{
    std::string out;
    out.reserve(text.size() * 2);
    ForEachUnit(text, true, [&](char16_t unit) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    });
    return out;
}

std::string AnsiToUtf8(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size());
    for (const char16_t unit : FromAnsi(ansi))
        AppendUtf8(out, unit);
    return out;
}

std::string Utf8ToAnsi(std::string_view text, bool surrogates)
{
    std::u16string units;
    units.reserve(text.size());
    ForEachUnit(text, surrogates, [&](char16_t unit) { units.push_back(unit); });
    return ToAnsi(units);
}

} // namespace tallowby::platform
