#include "platform/linux/codepage/AnsiCodec.h"

#include "platform/linux/codepage/tables/LocaleCodePages.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <new>

namespace tallowby::platform {

namespace cp = codepages;

namespace {

// Text of ASCII alone, which a page whose ASCII is ASCII converts unit for
// byte: the usual names and values take no table.
template <typename Char>
bool IsAscii(std::basic_string_view<Char> text)
{
    return std::all_of(text.begin(), text.end(), [](Char c) { return static_cast<std::uint16_t>(c) < 0x80; });
}

} // namespace

IconvDescriptor::IconvDescriptor(const char *to, const char *from) : descriptor_(::iconv_open(to, from))
{
    if (!Valid() && errno == ENOMEM)
        throw std::bad_alloc();
}

int IconvDescriptor::Convert(const char *in, std::size_t length, char *out, std::size_t room) const
{
    if (!Valid())
        return -1;
    ::iconv(descriptor_.get(), nullptr, nullptr, nullptr, nullptr);
    char *from = const_cast<char *>(in);
    char *to = out;
    std::size_t left = length, free = room;
    if (::iconv(descriptor_.get(), &from, &left, &to, &free) == static_cast<std::size_t>(-1) || left != 0)
        return -1;
    // glibc holds a character back on some pages, to compose it with the
    // next one; this gives it up.
    if (::iconv(descriptor_.get(), nullptr, nullptr, &to, &free) == static_cast<std::size_t>(-1))
        return -1;
    return static_cast<int>(room - free);
}

std::unique_ptr<AnsiCodec> AnsiCodec::Open(unsigned page)
{
    for (const cp::CodePage &known : cp::kCodePages) {
        if (known.page != page)
            continue;
        std::unique_ptr<AnsiCodec> codec(new AnsiCodec(known));
        // Without glibc's conversion modules, 1252 is kept as ASCII alone,
        // the rest "?", so that there is always a process codec.
        if ((!codec->decoder_.Valid() || !codec->encoder_.Valid()) && page != 1252)
            return nullptr;
        return codec;
    }
    return nullptr;
}

AnsiCodec::AnsiCodec(const cp::CodePage &page)
    : page_(page), decoder_("UTF-16LE", std::string(page.iconvName).c_str()),
      encoder_(std::string(page.iconvName).c_str(), "UTF-16LE")
{
    for (const cp::Correction &c : cp::kCorrections) {
        if (c.page == page.page)
            corrections_.push_back(c);
    }
    for (const auto &range : page.leads) {
        for (unsigned byte = range.first; range.first != 0 && byte <= range.last; ++byte)
            lead_[byte] = true;
    }
    if (!decoder_.Valid() || !encoder_.Valid()) {
        for (unsigned byte = 0; byte < 256; ++byte)
            single_[byte] = byte < 0x80 ? static_cast<char16_t>(byte) : page.invalid;
        asciiSame_ = true;
        return;
    }

    std::string bytes;
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char one = static_cast<char>(byte);
        single_[byte] = lead_[byte] ? page.invalid : DecodeOne(&one, 1);
    }
    asciiSame_ = true;
    for (char16_t unit = 0; unit < 0x80; ++unit) {
        bytes.clear();
        asciiSame_ = asciiSame_ && !lead_[unit] && single_[unit] == unit && EncodeOne(unit, bytes) &&
                     bytes == std::string(1, static_cast<char>(unit));
    }
    if (DoubleByte())
        return;
    keepsBytes_ = true;
    for (unsigned byte = 0; byte < 256; ++byte) {
        bytes.clear();
        if (EncodeOne(single_[byte], bytes) && bytes.size() == 1)
            known_.emplace_back(single_[byte], bytes[0]);
        keepsBytes_ = keepsBytes_ && bytes == std::string(1, static_cast<char>(byte));
    }
    std::sort(known_.begin(), known_.end());
    known_.erase(std::unique(known_.begin(), known_.end()), known_.end());
}

char16_t AnsiCodec::DecodeOne(const char *sequence, std::size_t length) const
{
    unsigned value = static_cast<unsigned char>(sequence[0]);
    if (length == 2)
        value = value << 8 | static_cast<unsigned char>(sequence[1]);
    for (const cp::Correction &c : corrections_) {
        if ((c.way == cp::Way::Both || c.way == cp::Way::ToUnicode) && value >= c.bytes &&
            value < c.bytes + c.count)
            return static_cast<char16_t>(c.unit + (value - c.bytes));
    }
    char out[16];
    // A character glibc reads as two, or as none, the platform lacks.
    if (decoder_.Convert(sequence, length, out, sizeof out) != 2)
        return page_.invalid;
    return static_cast<char16_t>(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8);
}

bool AnsiCodec::EncodeOne(char16_t unit, std::string &bytes) const
{
    for (const cp::Correction &c : corrections_) {
        if (unit < c.unit || unit >= c.unit + c.count || c.way == cp::Way::ToUnicode)
            continue;
        if (c.way == cp::Way::Refused)
            return false;
        const unsigned sequence = c.bytes + (unit - c.unit);
        if (sequence > 0xFF)
            bytes.push_back(static_cast<char>(sequence >> 8));
        bytes.push_back(static_cast<char>(sequence & 0xFF));
        return true;
    }
    const char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    char out[16];
    // More bytes than one character of the page takes is glibc decomposing,
    // which the platform does not do.
    const int length = encoder_.Convert(in, 2, out, sizeof out);
    if (length < 1 || length > (DoubleByte() ? 2 : 1))
        return false;
    bytes.append(out, static_cast<std::size_t>(length));
    return true;
}

std::u16string AnsiCodec::Decode(std::string_view bytes) const { return Decode(bytes, false); }

std::u16string AnsiCodec::DecodeArgument(std::string_view bytes) const { return Decode(bytes, true); }

std::u16string AnsiCodec::Decode(std::string_view bytes, bool argument) const
{
    if (asciiSame_ && IsAscii(bytes))
        return std::u16string(bytes.begin(), bytes.end());
    // At most one unit a byte: written in place, then cut to size.
    std::u16string text(bytes.size(), u'\0');
    std::size_t units = 0;
    std::unique_lock turn(iconvTurn_, std::defer_lock);
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (!lead_[byte]) {
            text[units++] = single_[byte];
            ++i;
        } else if (argument && i + 1 == bytes.size()) {
            ++i;
        } else if (i + 1 == bytes.size() || bytes[i + 1] == '\0') {
            // The NUL after a lead byte stays a character of its own.
            text[units++] = page_.invalid;
            ++i;
        } else {
            if (!turn.owns_lock())
                turn.lock();
            text[units++] = DecodeOne(bytes.data() + i, 2);
            i += 2;
        }
    }
    text.resize(units);
    return text;
}

std::string AnsiCodec::Encode(std::u16string_view text, bool *usedDefault) const
{
    if (asciiSame_ && IsAscii(text)) {
        if (usedDefault != nullptr)
            *usedDefault = false;
        return std::string(text.begin(), text.end());
    }
    std::string bytes;
    bytes.reserve(text.size());
    std::unique_lock turn(iconvTurn_, std::defer_lock);
    bool anyDefault = false;
    for (const char16_t unit : text) {
        if (unit < 0x80 && asciiSame_) {
            bytes.push_back(static_cast<char>(unit));
            continue;
        }
        const auto known = std::lower_bound(known_.begin(), known_.end(), std::pair(unit, '\0'),
                                            [](const auto &a, const auto &b) { return a.first < b.first; });
        if (known != known_.end() && known->first == unit) {
            bytes.push_back(known->second);
            continue;
        }
        if (!turn.owns_lock())
            turn.lock();
        if (!EncodeOne(unit, bytes)) {
            bytes.push_back('?');
            anyDefault = true;
        }
    }
    if (usedDefault != nullptr)
        *usedDefault = anyDefault;
    return bytes;
}

unsigned CodePageForLocale(std::string_view name)
{
    std::string_view modifier;
    if (const auto at = name.find('@'); at != std::string_view::npos) {
        modifier = name.substr(at + 1);
        name = name.substr(0, at);
    }
    name = name.substr(0, name.find('.'));
    const auto underscore = name.find('_');
    const std::string_view language = name.substr(0, underscore);
    const std::string_view territory =
        underscore == std::string_view::npos ? std::string_view() : name.substr(underscore + 1);
    // The platform knows these scripts; any other modifier it ignores.
    if (modifier != "latin" && modifier != "cyrillic" && modifier != "arabic" && modifier != "devanagari" &&
        modifier != "mongolian")
        modifier = {};
    for (const cp::LocaleCodePage &row : cp::kLocaleCodePages) {
        if (row.language == language && row.modifier == modifier && row.territory == territory)
            return row.page;
    }
    return 1252;
}

unsigned CodePageFromEnvironment()
{
    for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char *name = std::getenv(variable);
        if (name == nullptr || *name == '\0')
            continue;
        // A locale glibc cannot load leaves the process in C.
        const locale_t loaded = ::newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
        if (loaded == static_cast<locale_t>(nullptr))
            return 1252;
        ::freelocale(loaded);
        return CodePageForLocale(name);
    }
    return 1252;
}

const AnsiCodec &ProcessCodec()
{
    static const std::unique_ptr<AnsiCodec> codec = [] {
        auto chosen = AnsiCodec::Open(CodePageFromEnvironment());
        return chosen ? std::move(chosen) : AnsiCodec::Open(1252);
    }();
    return *codec;
}

} // namespace tallowby::platform
