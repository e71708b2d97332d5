#pragma once

#include "platform/UniqueHandle.h"
#include "platform/linux/codepage/tables/Corrections.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby::platform {

// An iconv conversion descriptor, closed with its owner.
class IconvDescriptor {
public:
    // Throws std::bad_alloc only; a pair iconv lacks gives an invalid one.
    IconvDescriptor(const char *to, const char *from);

    bool Valid() const { return static_cast<bool>(descriptor_); }

    // Converts all of `in` from a fresh state into `out`, which holds at
    // most `room` bytes; the count written, or -1 where iconv refuses any
    // of it or it does not fit.
    int Convert(const char *in, std::size_t length, char *out, std::size_t room) const;

private:
    struct Traits : KeepsErrno {
        using Handle = iconv_t;
        static Handle Invalid() { return reinterpret_cast<iconv_t>(-1); }
        static void Close(Handle descriptor) { ::iconv_close(descriptor); }
    };
    UniqueHandle<Traits> descriptor_;
};

// One ANSI code page, converted as the platform converts it: glibc's iconv,
// but for the measured corrections (tables/Corrections.h, whose comment
// gives the rules). iconv's state is not safe to share, so the conversions
// that need it take turns.
class AnsiCodec {
public:
    // The codec for `page`; none for a page the correction table does not
    // hold or iconv lacks.
    static std::unique_ptr<AnsiCodec> Open(unsigned page);

    AnsiCodec(const AnsiCodec &) = delete;
    AnsiCodec &operator=(const AnsiCodec &) = delete;

    unsigned Page() const { return page_.page; }
    bool DoubleByte() const { return page_.leads[0].first != 0; }
    // Whether `byte` starts a character of two bytes.
    bool IsLead(unsigned char byte) const { return lead_[byte]; }

    // Whether every byte is a character of its own that converts back to
    // that byte, so that bytes in the page can stand for their text.
    bool KeepsBytes() const { return keepsBytes_; }

    std::u16string Decode(std::string_view bytes) const;
    // Text a caller passes, as the platform reads its arguments: unlike in
    // a file, a lead byte that ends the text, with no byte to pair with, is
    // dropped.
    std::u16string DecodeArgument(std::string_view bytes) const;

    // One UTF-16 unit at a time; "?" for a unit the page lacks, and then
    // `usedDefault`, when given, is set.
    std::string Encode(std::u16string_view text, bool *usedDefault = nullptr) const;

private:
    explicit AnsiCodec(const codepages::CodePage &page);

    char16_t DecodeOne(const char *sequence, std::size_t length) const;
    std::u16string Decode(std::string_view bytes, bool argument) const;
    // Appends the bytes for `unit`; false, appending nothing, where the page
    // lacks it.
    bool EncodeOne(char16_t unit, std::string &bytes) const;

    const codepages::CodePage &page_;
    std::vector<codepages::Correction> corrections_;
    IconvDescriptor decoder_;
    IconvDescriptor encoder_;
    mutable std::mutex iconvTurn_;
    std::array<bool, 256> lead_{};
    // Each byte that is not a lead byte as a character.
    std::array<char16_t, 256> single_{};
    // Single-byte pages: what each byte's character converts back to, by
    // character, so that text in the page's own repertoire needs no iconv.
    std::vector<std::pair<char16_t, char>> known_;
    bool asciiSame_ = false;
    bool keepsBytes_ = false;
};

// The ANSI code page the platform gives a process whose LC_CTYPE is the
// locale `name`, from the measured table (tables/LocaleCodePages.h):
// 1252 for C, POSIX and names it does not list, 65001 for a locale with no
// ANSI code page.
unsigned CodePageForLocale(std::string_view name);

// The code page for this process's environment: the first of LC_ALL,
// LC_CTYPE and LANG that is set and not empty, 1252 where glibc cannot load
// that locale.
unsigned CodePageFromEnvironment();

// The process's codec, chosen at its first use; 1252 where the locale's
// page has no codec (the Unicode-only locales).
const AnsiCodec &ProcessCodec();

} // namespace tallowby::platform
