// Saving and reading settings through the window's operations.

#include "platform/Win32Error.h"
#include "tests/support/SettingsTest.h"

#include <string>

namespace tallowby::test {
namespace {

using StoreTest = SettingsTest;

TEST_F(StoreTest, ReadsBackWhatWasSaved)
{
    ASSERT_EQ(Save(u"Colour", u"Blue"), Status::Ok());
    EXPECT_EQ(Get(u"Colour", u"none"), u"Blue");
    ASSERT_EQ(Save(u"Colour", u"Green"), Status::Ok());
    EXPECT_EQ(Get(u"Colour", u"none"), u"Green");
}

TEST_F(StoreTest, AbsentKeySectionOrFileGivesTheDefault)
{
    EXPECT_EQ(Get(u"Colour", u"none"), u"none");
    EXPECT_FALSE(ReadSettingsFile()) << "a read must not create the file";

    WriteSettingsFile("[Other]\r\nColour=Red\r\n");
    EXPECT_EQ(Get(u"Colour", u"none"), u"none");

    ASSERT_EQ(Save(u"Size", u"3"), Status::Ok());
    EXPECT_EQ(Get(u"Colour", u"none"), u"none");
    EXPECT_EQ(Get(u"Colour"), u"") << "a left-out default reads as empty text";
}

TEST_F(StoreTest, EmptyValueIsNotTheDefault)
{
    ASSERT_EQ(Save(u"Colour", u""), Status::Ok());
    EXPECT_EQ(Get(u"Colour", u"none"), u"");
}

TEST_F(StoreTest, LongValuesReadBackWhole)
{
    // Each side of the edges where the read buffer grows, and the longest.
    for (const std::size_t length :
         std::initializer_list<std::size_t>{253, 254, 255, 1019, 1020, 4079, 16319, platform::kLongestProfileString}) {
        std::u16string value(length, u'x');
        value.back() = u'!';
        ASSERT_EQ(Save(u"Long", value), Status::Ok()) << length;
        const std::u16string read = Get(u"Long");
        EXPECT_EQ(read.size(), length);
        EXPECT_TRUE(read == value) << "value of " << length << " characters differs";
    }
}

TEST_F(StoreTest, QuotedValuesAtTheBuffersEdgeReadBackWhole)
{
    // The platform cuts a quoted value before dropping its quotes, so a cut
    // one comes back a character short of the buffer's fill.
    for (const std::size_t length : {251u, 252u, 253u, 254u, 1017u, 1018u}) {
        const std::u16string inner(length, u'q');
        ASSERT_EQ(Save(u"Quoted", u"\"" + inner + u"\""), Status::Ok());
        EXPECT_TRUE(Get(u"Quoted") == inner) << length;
    }
}

TEST_F(StoreTest, RefusesTextTooLongForThePlatform)
{
    ASSERT_EQ(Save(u"Long", u"old"), Status::Ok());
    const std::u16string tooLong(platform::kLongestProfileString + 1, u'x');
    EXPECT_EQ(Save(u"Long", tooLong), E_InvalidArg);
    EXPECT_EQ(Save(tooLong, u"v"), E_InvalidArg);
    EXPECT_EQ(Save(u"Long", std::u16string(1 << 20, u'y')), E_InvalidArg);
    EXPECT_EQ(Get(u"Long"), u"old");
}

TEST_F(StoreTest, TextOutsideTheCodePageBecomesQuestionMarks)
{
    ASSERT_EQ(Save(u"Text", u"caf\u00e9 \u20ac5 \u4e2d\u0100"), Status::Ok());
    EXPECT_EQ(Get(u"Text"), u"caf\u00e9 \u20ac5 ??");
    EXPECT_EQ(*ReadSettingsFile(), "[ExcelData]\r\nText=caf\xe9 \x80" "5 ??\r\n");
}

TEST_F(StoreTest, EveryCodePageCharacterRoundTrips)
{
    std::u16string all;
    for (char16_t c = 0x21; c < 0x7F; ++c)
        all += c;
    all += u"\u20ac\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u017d\u2018\u2019"
           u"\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u017e\u0178";
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        all += c;
    ASSERT_EQ(Save(u"All", all), Status::Ok());
    // Blanks at the ends are the platform's to trim; there are none here.
    EXPECT_EQ(Get(u"All"), all);
}

TEST_F(StoreTest, EveryCodePageCharacterButEqualsServesInAKey)
{
    // Controls and blanks too, inside the name where no trimming reaches.
    std::u16string key = u"k";
    for (char16_t c = 0x01; c < 0x7F; ++c) {
        if (c != u'=' && c != u'\r' && c != u'\n')
            key += c;
    }
    key += u"\u20ac\u201a\u0192\u0160\u0152\u017d\u2122\u0178";
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        key += c;
    key += u"k";
    ASSERT_EQ(Save(key, u"value"), Status::Ok());
    EXPECT_EQ(Get(key), u"value");
    ASSERT_EQ(Save(key, u"again"), Status::Ok());
    EXPECT_EQ(Get(key), u"again") << "the second save finds the key the first wrote";
}

TEST_F(StoreTest, EachSurrogateBecomesAQuestionMark)
{
    const std::u16string pair = u"a\U0001F600b";
    const std::u16string lone = std::u16string(u"c") + char16_t(0xD800) + u"d" + char16_t(0xDC00);
    ASSERT_EQ(Save(u"Pair", pair), Status::Ok());
    ASSERT_EQ(Save(u"Lone", lone), Status::Ok());
    EXPECT_EQ(Get(u"Pair"), u"a??b") << "the platform converts UTF-16 units, not characters";
    EXPECT_EQ(Get(u"Lone"), u"c?d?");
}

TEST_F(StoreTest, RefusesTextThatWouldChangeOtherLines)
{
    WriteSettingsFile("[ExcelData]\r\nKeep=1\r\n");
    for (const std::u16string &value : {std::u16string(u"line1\r\n[Evil]\r\nx=1"), std::u16string(u"a\nb"),
                                        std::u16string(u"a\rb"), std::u16string(u"a\0b", 3)}) {
        EXPECT_EQ(Save(u"Key", value), E_InvalidArg);
        EXPECT_EQ(Save(value, u"v"), E_InvalidArg);
    }
    EXPECT_EQ(Save(u"a=b", u"v"), E_InvalidArg);
    EXPECT_EQ(*ReadSettingsFile(), "[ExcelData]\r\nKeep=1\r\n") << "a refused save writes nothing";
    EXPECT_EQ(Save(u"Key", u"x=1; [not a section]"), Status::Ok()) << "'=' and brackets are fine in a value";
    EXPECT_EQ(Get(u"Key"), u"x=1; [not a section]");
}

TEST_F(StoreTest, RefusedWriteIsReportedAndStoresNothing)
{
    // A folder in the settings file's place: the platform cannot write it.
    std::filesystem::create_directories(SettingsPath());
    const Status saved = Save(u"Colour", u"Blue");
    EXPECT_EQ(saved, Status::FromWin32(win32_error::AccessDenied)) << DescribeStatus(saved);
    EXPECT_EQ(Get(u"Colour", u"none"), u"none");
}

} // namespace
} // namespace tallowby::test
