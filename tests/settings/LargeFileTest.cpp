// Files and inputs far past the usual: long lines, a 50 MB file, 1 MB keys
// and values. Each reads as the platform reads it, and nothing is lost.

#include "platform/Kernel32Api.h"
#include "tests/support/SettingsTest.h"

#include <string>

namespace tallowby::test {
namespace {

class LargeFileTest : public SettingsTest {};

constexpr std::size_t kLongLine = 100000;

TEST_F(LargeFileTest, LongLinesReadWholeAndSurviveAWrite)
{
    const std::string longValue(kLongLine, 'v'), longKey(kLongLine, 'k');
    const std::string before = "[ExcelData]\r\nLong=" + longValue + "\r\n" + longKey + "=x\r\nNext=1\r\n";
    WriteSettingsFile(before);
    const std::u16string read = Get(u"Long");
    EXPECT_EQ(read.size(), kLongLine);
    EXPECT_TRUE(read == std::u16string(kLongLine, u'v'));
    EXPECT_EQ(Get(u"Next"), u"1");
    ASSERT_EQ(Save(u"Next", u"2"), kSuccess);
    EXPECT_TRUE(ReadSettingsFile() == "[ExcelData]\r\nLong=" + longValue + "\r\n" + longKey + "=x\r\nNext=2\r\n");
}

TEST_F(LargeFileTest, FiftyMegabyteFileReadsAndTakesAWrite)
{
    // 1.6 million entries of 32 bytes in two sections.
    static constexpr char kValue[] = "valuexxxxxxxxxxxxx";
    constexpr int kEntries = 1600000;
    std::string before;
    before.reserve(kEntries * 32 + 64);
    before += "[Other]\r\n";
    auto entry = [](int i) {
        std::string number = std::to_string(i);
        return "key" + std::string(8 - number.size(), '0') + number + "=" + std::string(kValue) + "\r\n";
    };
    for (int i = 0; i < kEntries / 2; ++i)
        before += entry(i);
    before += "[ExcelData]\r\n";
    for (int i = kEntries / 2; i < kEntries; ++i)
        before += entry(i);
    ASSERT_GT(before.size(), 50u * 1000 * 1000);
    WriteSettingsFile(before);

    EXPECT_EQ(Get(u"key00800000"), u"valuexxxxxxxxxxxxx");
    EXPECT_EQ(Get(u"key01599999"), u"valuexxxxxxxxxxxxx");
    EXPECT_EQ(Get(u"key00000001", u"d"), u"d") << "that key is in the other section";
    ASSERT_EQ(Save(u"Added", u"1"), kSuccess);
    ASSERT_EQ(Save(u"key01599999", u"changed"), kSuccess);
    EXPECT_EQ(Get(u"Added"), u"1");
    EXPECT_EQ(Get(u"key01599999"), u"changed");

    const auto after = ReadSettingsFile();
    ASSERT_TRUE(after);
    const std::string last = "key01599999=valuexxxxxxxxxxxxx\r\n";
    const std::string expected =
        before.substr(0, before.size() - last.size()) + "key01599999=changed\r\nAdded=1\r\n";
    EXPECT_TRUE(*after == expected) << "file of " << after->size() << " bytes differs from what was expected";
}

TEST_F(LargeFileTest, MegabyteKeysAndValuesAreRefusedAndWriteNothing)
{
    WriteSettingsFile("[ExcelData]\r\nKeep=1\r\n");
    const std::u16string megabyte(1 << 20, u'm');
    EXPECT_EQ(Save(megabyte, u"v"), kInvalidArgument);
    EXPECT_EQ(Save(u"Key", megabyte), kInvalidArgument);
    EXPECT_EQ(Save(megabyte, megabyte), kInvalidArgument);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nKeep=1\r\n");
}

TEST_F(LargeFileTest, MegabyteKeyReadsLikeAnyOther)
{
    WriteSettingsFile("[ExcelData]\r\nKeep=1\r\n");
    EXPECT_EQ(Get(std::u16string(1 << 20, u'm'), u"d"), u"d");
}

TEST_F(LargeFileTest, DefaultTooLongForThePlatformIsRefused)
{
    // The platform would hand back an empty value for it.
    const std::u16string longest(platform::kLongestProfileString, u'd');
    const TextResult fits = window_->ProfileSettingGet(u"Absent", longest);
    EXPECT_EQ(fits.status, kSuccess);
    EXPECT_TRUE(fits.text == longest);
    for (const std::size_t length : {platform::kLongestProfileString + 1, std::size_t{1} << 20})
        EXPECT_EQ(window_->ProfileSettingGet(u"Absent", std::u16string(length, u'd')).status, kInvalidArgument);
}

} // namespace
} // namespace tallowby::test
