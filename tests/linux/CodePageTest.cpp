#include "platform/CodePage.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

namespace tallowby::platform {
namespace {

TEST(CodePageTest, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    EXPECT_EQ(ToAnsi(FromAnsi(all)), all);
    EXPECT_EQ(FromAnsi("\x80\x8a\x9f\xe9"), u"\u20ac\u0160\u0178\u00e9");
}

TEST(CodePageTest, UnmappableTextBecomesOneQuestionMarkPerUnit)
{
    EXPECT_EQ(ToAnsi(u"\u0100\u4e2d\U0001F600"), "????");
    EXPECT_EQ(ToAnsi(std::u16string(u"a\xD800" "b\xDC00", 4)), "a?b?");
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
