#include "platform/CodePage.h"
#include "platform/Utf8.h"
#include "platform/linux/codepage/AnsiCodec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace tallowby::platform {
namespace {

using namespace std::string_literals;

std::unique_ptr<AnsiCodec> Codec(unsigned page)
{
    auto codec = AnsiCodec::Open(page);
    EXPECT_NE(codec, nullptr) << "iconv lacks code page " << page;
    return codec;
}

std::string AllBytes()
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    return all;
}

TEST(CodePageTest, SingleBytePagesKeepEveryByte)
{
    for (const unsigned page : {874u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u}) {
        const auto codec = Codec(page);
        ASSERT_TRUE(codec);
        EXPECT_FALSE(codec->DoubleByte()) << page;
        EXPECT_TRUE(codec->KeepsBytes()) << page;
        bool usedDefault = true;
        EXPECT_EQ(codec->Encode(codec->Decode(AllBytes()), &usedDefault), AllBytes()) << page;
        EXPECT_FALSE(usedDefault) << page;
    }
    for (const unsigned page : {932u, 936u, 949u, 950u}) {
        const auto codec = Codec(page);
        ASSERT_TRUE(codec);
        EXPECT_TRUE(codec->DoubleByte()) << page;
        EXPECT_FALSE(codec->KeepsBytes()) << page;
    }
    EXPECT_EQ(AnsiCodec::Open(65001), nullptr);
}

TEST(CodePageTest, MeasuredCorrectionsWinOverIconv)
{
    // Bytes iconv refuses and the platform maps to C1 controls or private
    // use, and units iconv maps and the platform does not.
    const auto cp1252 = Codec(1252), cp874 = Codec(874), cp932 = Codec(932), cp936 = Codec(936),
               cp949 = Codec(949);
    ASSERT_TRUE(cp1252 && cp874 && cp932 && cp936 && cp949);
    EXPECT_EQ(cp1252->Decode("\x80\x81\x8a\x9f\xe9"), u"\u20ac\u0081\u0160\u0178\u00e9");
    EXPECT_EQ(cp874->Decode("\xdb\xff"), u"\uf8c1\uf8c8");
    EXPECT_EQ(cp874->Encode(u"\uf8c1\u0081"), "\xdb\x81");
    EXPECT_EQ(cp932->Decode("\x80\xa0\xfd\xff"), u"\u0080\uf8f0\uf8f1\uf8f3");
    EXPECT_EQ(cp932->Encode(u"\u0080\uf8f0\uf8f3"), "\x80\xa0\xff");
    EXPECT_EQ(cp932->Encode(u"\u00a5\u2014\u301c\u30fb"), "???\x81\x45");
    EXPECT_EQ(cp936->Decode("\xa1\x40\xff"), u"\ue4c6\uf8f5");
    EXPECT_EQ(cp936->Encode(u"\ue4c6"), "\xa1\x40");
    EXPECT_EQ(cp949->Decode("\xc9\xa1\x80"), u"\ue000\u0080");
}

TEST(CodePageTest, CombiningMarksAreNeverComposed)
{
    // glibc composes a letter and the mark after it on these two pages and
    // decomposes on the way back; the platform takes one byte at a time.
    const auto cp1255 = Codec(1255), cp1258 = Codec(1258);
    ASSERT_TRUE(cp1255 && cp1258);
    EXPECT_EQ(cp1255->Decode("\xe0\xc8"), u"\u05d0\u05b8");
    EXPECT_EQ(cp1255->Encode(u"\u05d0\u05b8\ufb2f"), "\xe0\xc8?");
    EXPECT_EQ(cp1258->Decode("a\xec"), u"a\u0301");
    EXPECT_EQ(cp1258->Encode(u"a\u0301\u00e1\u00c3\u1ea0"), "a\xec\xe1??");
}

TEST(CodePageTest, OneQuestionMarkPerUnitTheFirstPageLacks)
{
    for (const unsigned page : {1252u, 1251u, 932u, 936u, 949u, 950u}) {
        const auto codec = Codec(page);
        ASSERT_TRUE(codec);
        bool usedDefault = false;
        // A character beyond the BMP is two units, so two "?"; so is each
        // unpaired surrogate.
        EXPECT_EQ(codec->Encode(u"a\U0001F600", &usedDefault), "a??") << page;
        EXPECT_TRUE(usedDefault) << page;
        EXPECT_EQ(codec->Encode(std::u16string(u"\xDC00" "b\xD800", 3)), "?b?") << page;
        EXPECT_EQ(codec->Encode(u"a=b", &usedDefault), "a=b") << page;
        EXPECT_FALSE(usedDefault) << page;
    }
    const auto cp1251 = Codec(1251);
    ASSERT_TRUE(cp1251);
    EXPECT_EQ(cp1251->Encode(u"\u0416\u00e9\u0100"), "\xc6??");
}

TEST(CodePageTest, LeadByteTakesTheNextByteButNul)
{
    const auto cp932 = Codec(932), cp936 = Codec(936), cp949 = Codec(949), cp950 = Codec(950);
    ASSERT_TRUE(cp932 && cp936 && cp949 && cp950);
    // "‐" is 81 5D in 932: a trail byte that is "]" is no bracket.
    EXPECT_EQ(cp932->Decode("[A\x81\x5dz]"), u"[A\u2010z]");
    EXPECT_EQ(cp932->Encode(u"[A\u2010z]"), "[A\x81\x5dz]");
    // An invalid pair is one character, whatever the second byte was; 932
    // reads it as U+30FB, the others as "?".
    EXPECT_EQ(cp932->Decode("x\x81 z"), u"x\u30fbz");
    EXPECT_EQ(cp932->Decode("w\x82\r\n"), u"w\u30fb\n");
    EXPECT_EQ(cp936->Decode("x\x81 z"), u"x?z");
    // Before NUL and at the end, a lead byte alone is invalid; NUL stays.
    EXPECT_EQ(cp932->Decode("\x82\0A\x82"s), u"\u30fb\0A\u30fb"s);
    EXPECT_EQ(cp949->Decode("\x81\0"s), u"?\0"s);
    // A caller's text loses a lead byte it ends with, where a file's keeps
    // it as an invalid character.
    EXPECT_EQ(cp932->DecodeArgument("S\x82"), u"S");
    EXPECT_EQ(cp936->DecodeArgument("a b\x81"), u"a b");
    EXPECT_EQ(cp932->DecodeArgument("x\x81 z"), u"x\u30fbz");
    // Letters as trail bytes: two different characters.
    EXPECT_EQ(cp949->Decode("\xb0\x41\xb0\x61"), u"\uce9a\ucebb");
    EXPECT_EQ(cp950->Encode(cp950->Decode("\xa1\x5c\xa4\x40")), "\xa1\x5c\xa4\x40");
}

TEST(CodePageTest, LocaleNamesGiveThePlatformsPages)
{
    const std::map<std::string, unsigned> pages = {
        {"C", 1252},           {"POSIX", 1252},          {"C.UTF-8", 1252},
        {"en_US.UTF-8", 1252}, {"xx_YY.UTF-8", 1252},    {"ru_RU.UTF-8", 1251},
        {"ru_RU", 1251},       {"ru_RU.KOI8-R", 1251},   {"ru_RU.UTF-8@foo", 1251},
        {"el_GR.UTF-8", 1253}, {"ja_JP.UTF-8", 932},     {"zh_CN.UTF-8", 936},
        {"ko_KR.UTF-8", 949},  {"zh_TW.UTF-8", 950},     {"th_TH.UTF-8", 874},
        {"pl_PL.UTF-8", 1250}, {"tr_TR.UTF-8", 1254},    {"he_IL.UTF-8", 1255},
        {"ar_SA.UTF-8", 1256}, {"lt_LT.UTF-8", 1257},    {"vi_VN", 1258},
        {"sr_RS.UTF-8", 1252}, {"sr_RS.UTF-8@latin", 1250}, {"bn_IN.UTF-8", 65001},
    };
    for (const auto &[name, page] : pages)
        EXPECT_EQ(CodePageForLocale(name), page) << name;
}

// Sets the locale variables for one test and puts them back after.
class LocaleVariables {
public:
    LocaleVariables()
    {
        for (const char *name : kNames) {
            const char *value = std::getenv(name);
            saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
            ::unsetenv(name);
        }
    }
    ~LocaleVariables()
    {
        for (const auto &[name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    void Set(const char *name, const char *value) { ::setenv(name, value, 1); }

private:
    static constexpr const char *kNames[] = {"LC_ALL", "LC_CTYPE", "LANG", "LOCPATH"};
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(CodePageTest, EnvironmentNamesTheLocaleAsGlibcResolvesIt)
{
    // These locales are generated by scripts/install-deps.sh.
    LocaleVariables locale;
    EXPECT_EQ(CodePageFromEnvironment(), 1252u);
    locale.Set("LANG", "ja_JP.UTF-8");
    EXPECT_EQ(CodePageFromEnvironment(), 932u) << "is ja_JP.UTF-8 generated?";
    locale.Set("LC_CTYPE", "ru_RU.UTF-8");
    EXPECT_EQ(CodePageFromEnvironment(), 1251u) << "is ru_RU.UTF-8 generated?";
    locale.Set("LC_ALL", "el_GR.UTF-8");
    EXPECT_EQ(CodePageFromEnvironment(), 1253u) << "is el_GR.UTF-8 generated?";
    locale.Set("LC_ALL", "");
    EXPECT_EQ(CodePageFromEnvironment(), 1251u);
    locale.Set("LC_ALL", "C");
    EXPECT_EQ(CodePageFromEnvironment(), 1252u);
    // A locale glibc cannot load leaves the process in C, whatever comes
    // after it.
    locale.Set("LC_ALL", "");
    locale.Set("LC_CTYPE", "xx_YY.UTF-8");
    EXPECT_EQ(CodePageFromEnvironment(), 1252u);
    locale.Set("LC_CTYPE", "ru_RU.UTF-8");
    locale.Set("LOCPATH", "/nonexistent");
    EXPECT_EQ(CodePageFromEnvironment(), 1252u);
}

TEST(CodePageTest, ProcessKeepsThePageItFirstChose)
{
    const AnsiCodec &first = ProcessCodec();
    LocaleVariables locale;
    locale.Set("LC_ALL", first.Page() == 1251 ? "el_GR.UTF-8" : "ru_RU.UTF-8");
    EXPECT_EQ(&ProcessCodec(), &first);
    EXPECT_EQ(ProcessCodec().Page(), first.Page());
    EXPECT_EQ(ToAnsi(FromAnsi("abc")), "abc");
}

TEST(Utf8Test, RoundTripsAndRejectsMalformedInput)
{
    const std::u16string text = u"a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(ToUtf8(text), "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    for (const char *bad : {"\xc3", "\xc0\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xff"})
        EXPECT_FALSE(FromUtf8(bad)) << bad;
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xef\xbf\xbd");
    EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800'), true), "\xed\xa0\x80");
}

TEST(Utf8Test, LenientReadingSplitsMalformedRunsAsThePlatformDoes)
{
    const std::u16string bad(1, u'\xFFFD');
    // A byte no sequence starts with, a lead whose next byte is out of its
    // range, and a sequence cut short, each one character.
    EXPECT_EQ(FromUtf8("\xff" "a", Utf8Policy::Lenient), bad + u"a");
    EXPECT_EQ(FromUtf8("\xe0\x80" "a", Utf8Policy::Lenient), bad + u"a");
    EXPECT_EQ(FromUtf8("\xe2\x82" "a", Utf8Policy::Lenient), bad + u"a");
    EXPECT_EQ(FromUtf8("\xf0\x9f\x98", Utf8Policy::Lenient), bad);
    EXPECT_EQ(FromUtf8("\xed\xa0\x80", Utf8Policy::Lenient), bad + bad);
    EXPECT_EQ(FromUtf8("\xed\xa0\x80", Utf8Policy::LenientSurrogates), std::u16string(1, u'\xD800'));
}

} // namespace
} // namespace tallowby::platform
