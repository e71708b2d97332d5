#include "platform/Utf8.h"

namespace tallowby::platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void AppendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::u16string &out, char32_t c)
{
    if (c >= 0x10000) {
        out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(c));
    }
}

// The length of the sequence that `lead` starts; 0 for a byte no sequence
// starts with.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Whether `second` may follow `lead`: the ranges that rule out overlong
// forms, surrogates (unless allowed) and code points past U+10FFFF.
bool InRange(unsigned char lead, unsigned char second, bool surrogates)
{
    return (lead != 0xE0 || second >= 0xA0) && (lead != 0xED || surrogates || second <= 0x9F) &&
           (lead != 0xF0 || second >= 0x90) && (lead != 0xF4 || second <= 0x8F);
}

} // namespace

std::string ToUtf8(std::u16string_view text, bool keepSurrogates)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (!keepSurrogates && (IsHighSurrogate(c) || IsLowSurrogate(c)))
            c = kReplacement;
        AppendUtf8(out, c);
    }
    return out;
}

std::optional<std::u16string> FromUtf8(std::string_view bytes, Utf8Policy policy)
{
    const bool surrogates = policy == Utf8Policy::LenientSurrogates;
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = SequenceLength(lead);
        if (length == 1) {
            out.push_back(lead);
            ++i;
            continue;
        }
        // How many bytes a malformed run takes, or 0 for a whole sequence.
        std::size_t malformed = 0;
        char32_t c = lead & (0xFF >> (length + 1));
        if (length == 0 || i + 1 >= bytes.size() || !IsContinuation(static_cast<unsigned char>(bytes[i + 1]))) {
            malformed = 1;
        } else if (!InRange(lead, static_cast<unsigned char>(bytes[i + 1]), surrogates)) {
            malformed = 2;
        } else {
            std::size_t taken = 1;
            while (taken < length && i + taken < bytes.size() &&
                   IsContinuation(static_cast<unsigned char>(bytes[i + taken]))) {
                c = (c << 6) | (static_cast<unsigned char>(bytes[i + taken]) & 0x3F);
                ++taken;
            }
            if (taken < length)
                malformed = taken;
            else
                i += taken;
        }
        if (malformed == 0) {
            AppendUtf16(out, c);
            continue;
        }
        if (policy == Utf8Policy::Strict)
            return std::nullopt;
        out.push_back(kReplacement);
        i += malformed;
    }
    return out;
}

} // namespace tallowby::platform
