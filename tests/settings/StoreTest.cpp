// Saving and reading settings through the window's operations.

#include "platform/Win32Error.h"
#include "tests/support/SettingsTest.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tallowby::test {
namespace {

using StoreTest = SettingsTest;

TEST_F(StoreTest, ReadsBackWhatWasSaved)
{
    ASSERT_EQ(Save(u"Colour", u"Blue"), kSuccess);
    EXPECT_EQ(Get(u"Colour", u"none"), u"Blue");
    ASSERT_EQ(Save(u"Colour", u"Green"), kSuccess);
    EXPECT_EQ(Get(u"Colour", u"none"), u"Green");
}

TEST_F(StoreTest, AbsentKeySectionOrFileGivesTheDefault)
{
    EXPECT_EQ(Get(u"Colour", u"none"), u"none");
    EXPECT_FALSE(ReadSettingsFile()) << "a read must not create the file";

    WriteSettingsFile("[Other]\r\nColour=Red\r\n");
    EXPECT_EQ(Get(u"Colour", u"none"), u"none");

    ASSERT_EQ(Save(u"Size", u"3"), kSuccess);
    EXPECT_EQ(Get(u"Colour", u"none"), u"none");
    EXPECT_EQ(Get(u"Colour"), u"") << "a left-out default reads as empty text";
}

TEST_F(StoreTest, EmptyValueIsNotTheDefault)
{
    ASSERT_EQ(Save(u"Colour", u""), kSuccess);
    EXPECT_EQ(Get(u"Colour", u"none"), u"");
}

// The read buffer's edges: a store whose first buffer is the usual 255
// bytes, and one that starts at the smallest, so that every step of its
// growth is crossed with short values.
class BufferEdgeTest : public SettingsTest, public testing::WithParamInterface<std::uint32_t> {
protected:
    BufferEdgeTest() { window_ = CreateWindowlessOperations(store_); }

    // The sizes the buffer takes as it grows, up to the longest value.
    std::vector<std::size_t> BufferSizes() const
    {
        std::vector<std::size_t> sizes;
        for (std::size_t size = std::max<std::uint32_t>(GetParam(), 3); size <= 4 * platform::kLongestProfileString;
             size *= 4)
            sizes.push_back(size);
        return sizes;
    }

    ProfileStore store_{"kernel32", GetParam()};
};

TEST_P(BufferEdgeTest, LongValuesReadBackWhole)
{
    // Each side of the edges where the read buffer grows, and the longest.
    std::vector<std::size_t> lengths{platform::kLongestProfileString};
    for (const std::size_t size : BufferSizes()) {
        for (std::size_t length = size > 4 ? size - 3 : 1; length <= size; ++length)
            lengths.push_back(length);
    }
    for (const std::size_t length : lengths) {
        if (length > platform::kLongestProfileString)
            continue;
        std::u16string value(length, u'x');
        value.back() = u'!';
        ASSERT_EQ(Save(u"Long", value), kSuccess) << length;
        const std::u16string read = Get(u"Long");
        EXPECT_EQ(read.size(), length);
        EXPECT_TRUE(read == value) << "value of " << length << " characters differs";
    }
}

TEST_P(BufferEdgeTest, QuotedValuesAtTheBuffersEdgeReadBackWhole)
{
    // The platform cuts a quoted value before dropping its quotes, so a cut
    // one comes back a character short of the buffer's fill.
    for (const std::size_t size : BufferSizes()) {
        for (std::size_t length = size > 5 ? size - 5 : 0; length < size && length + 2 <= 4096; ++length) {
            const std::u16string inner(length, u'q');
            ASSERT_EQ(Save(u"Quoted", u"\"" + inner + u"\""), kSuccess);
            EXPECT_TRUE(Get(u"Quoted") == inner) << length << " characters in a buffer of " << size;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FirstBuffer, BufferEdgeTest, testing::Values(kReadBufferSize, 3u),
                         [](const auto &test) { return "Of" + std::to_string(test.param); });

TEST_F(StoreTest, RefusesTextTooLongForThePlatform)
{
    ASSERT_EQ(Save(u"Long", u"old"), kSuccess);
    const std::u16string tooLong(platform::kLongestProfileString + 1, u'x');
    EXPECT_EQ(Save(u"Long", tooLong), kInvalidArgument);
    EXPECT_EQ(Save(tooLong, u"v"), kInvalidArgument);
    EXPECT_EQ(Save(u"Long", std::u16string(1 << 20, u'y')), kInvalidArgument);
    EXPECT_EQ(Get(u"Long"), u"old");
}

TEST_F(StoreTest, TextOutsideTheCodePageBecomesQuestionMarks)
{
    ASSERT_EQ(Save(u"Text", u"caf\u00e9 \u20ac5 \u4e2d\u0100"), kSuccess);
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
    ASSERT_EQ(Save(u"All", all), kSuccess);
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
    ASSERT_EQ(Save(key, u"value"), kSuccess);
    EXPECT_EQ(Get(key), u"value");
    ASSERT_EQ(Save(key, u"again"), kSuccess);
    EXPECT_EQ(Get(key), u"again") << "the second save finds the key the first wrote";
}

TEST_F(StoreTest, EachSurrogateBecomesAQuestionMark)
{
    const std::u16string pair = u"a\U0001F600b";
    const std::u16string lone = std::u16string(u"c") + char16_t(0xD800) + u"d" + char16_t(0xDC00);
    ASSERT_EQ(Save(u"Pair", pair), kSuccess);
    ASSERT_EQ(Save(u"Lone", lone), kSuccess);
    EXPECT_EQ(Get(u"Pair"), u"a??b") << "the platform converts UTF-16 units, not characters";
    EXPECT_EQ(Get(u"Lone"), u"c?d?");
}

TEST_F(StoreTest, RefusesTextThatWouldChangeOtherLines)
{
    WriteSettingsFile("[ExcelData]\r\nKeep=1\r\n");
    for (const std::u16string &value : {std::u16string(u"line1\r\n[Evil]\r\nx=1"), std::u16string(u"a\nb"),
                                        std::u16string(u"a\rb"), std::u16string(u"a\0b", 3)}) {
        EXPECT_EQ(Save(u"Key", value), kInvalidArgument);
        EXPECT_EQ(Save(value, u"v"), kInvalidArgument);
    }
    EXPECT_EQ(Save(u"a=b", u"v"), kInvalidArgument);
    EXPECT_EQ(*ReadSettingsFile(), "[ExcelData]\r\nKeep=1\r\n") << "a refused save writes nothing";
    EXPECT_EQ(Save(u"Key", u"x=1; [not a section]"), kSuccess) << "'=' and brackets are fine in a value";
    EXPECT_EQ(Get(u"Key"), u"x=1; [not a section]");
}

TEST_F(StoreTest, RefusedWriteIsReportedAndStoresNothing)
{
    // A folder in the settings file's place: the platform cannot write it.
    std::filesystem::create_directories(SettingsPath());
    const Status saved = Save(u"Colour", u"Blue");
    EXPECT_EQ(saved, Status::FromWin32(platform::win32_error::AccessDenied)) << DescribeStatus(saved);
    EXPECT_EQ(Get(u"Colour", u"none"), u"none");
}

} // namespace
} // namespace tallowby::test
