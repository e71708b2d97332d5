// The stand-in's reading of files with a byte-order mark: lossless round
// trips, and the places where it keeps bytes the platform would lose.

#include "platform/linux/FileCodec.h"
#include "tests/support/SettingsTest.h"

#include <random>

namespace tallowby::test {
namespace {

using namespace std::string_literals;
using platform::Decode;
using platform::Encode;
using platform::FileEncoding;
using platform::TextFromAnsi;
using platform::TextToAnsi;

TEST(FileCodecTest, MarkTellsTheFormAndIsNoPartOfTheText)
{
    struct Case {
        std::string bytes;
        FileEncoding encoding;
        std::string text;
    };
    for (const Case &file : {Case{"[a]\r\n", FileEncoding::Ansi, "[a]\r\n"},
                             Case{"\xef\xbb\xbf[a]", FileEncoding::Utf8, "[a]"},
                             Case{"\xff\xfe[\0a\0]\0"s, FileEncoding::Utf16Le, "[a]"},
                             Case{"\xfe\xff\0[\0a\0]"s, FileEncoding::Utf16Be, "[a]"},
                             Case{"\xef\xbb", FileEncoding::Ansi, "\xef\xbb"}, Case{"", FileEncoding::Ansi, ""}}) {
        const auto decoded = Decode(file.bytes);
        EXPECT_EQ(decoded.encoding, file.encoding) << file.bytes;
        EXPECT_EQ(decoded.text, file.text) << file.bytes;
        EXPECT_EQ(Encode(decoded.encoding, decoded.text).view(), file.bytes);
    }
}

TEST(FileCodecTest, AnsiFileIsWrittenFromTheTextItself)
{
    // A settings file in the code page is written without a second copy.
    const std::string text = "[ExcelData]\r\nKey=v\r\n";
    EXPECT_EQ(Encode(FileEncoding::Ansi, text).view().data(), text.data());
}

TEST(FileCodecTest, AnyUtf16RoundTripsThroughItsTextForm)
{
    // Random units, weighted towards surrogates so that pairs, lone halves
    // and halves in the wrong order all occur.
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        const int units = static_cast<int>(random() % 64);
        for (int i = 0; i < units; ++i) {
            const unsigned unit = random() % 4 == 0 ? 0xD800 + random() % 0x800 : random() % 0x10000;
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        for (const bool big : {false, true}) {
            std::string swapped = big ? "\xfe\xff" : "\xff\xfe";
            for (std::size_t i = 0; i < bytes.size(); i += 2)
                swapped += big ? std::string{bytes[i + 1], bytes[i]} : bytes.substr(i, 2);
            const auto decoded = Decode(swapped);
            ASSERT_EQ(decoded.encoding, big ? FileEncoding::Utf16Be : FileEncoding::Utf16Le);
            ASSERT_EQ(Encode(decoded.encoding, decoded.text).view(), swapped) << "round " << round;
        }
    }
}

TEST(FileCodecTest, EveryAnsiByteRoundTripsThroughUtf8)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    EXPECT_EQ(TextToAnsi(FileEncoding::Utf8, TextFromAnsi(FileEncoding::Utf8, all)), all);
    EXPECT_EQ(TextFromAnsi(FileEncoding::Utf8, "\x80\x81\xe9"), "\xe2\x82\xac\xc2\x81\xc3\xa9");
    EXPECT_EQ(TextFromAnsi(FileEncoding::Ansi, "\x80\x81\xe9"), "\x80\x81\xe9");
}

TEST(FileCodecTest, SurrogateFormsCountAsUnitsOnlyInUtf16Files)
{
    EXPECT_EQ(TextToAnsi(FileEncoding::Utf16Le, "\xed\xa0\x80x"), "?x");
    EXPECT_EQ(TextToAnsi(FileEncoding::Utf8, "\xed\xa0\x80x"), "??x");
}

// Where the stand-in keeps what the platform would lose; under Wine the
// platform's own behaviour is noted beside each case.
class KeptBytesTest : public SettingsTest {};

TEST_F(KeptBytesTest, MalformedUtf8OutsideTheChangeSurvivesAWrite)
{
    // The platform writes each malformed run back as U+FFFD.
    const std::string before = "\xef\xbb\xbf[ExcelData]\r\na=\xff\xfe\xc3 x\r\n";
    WriteSettingsFile(before);
    ASSERT_EQ(Save(u"Key", u"V"), kSuccess);
    EXPECT_EQ(ReadSettingsFile(), before + "Key=V\r\n");
    EXPECT_EQ(Get(u"a"), u"??? x");
}

TEST_F(KeptBytesTest, CharactersTheCodePageLacksReadAsQuestionMarks)
{
    // The platform reads a look-alike for some ("O" for omega), which would
    // pass for real text.
    WriteSettingsFile("\xef\xbb\xbf[ExcelData]\r\nKey=\xce\xa9\xc4\x80\r\n");
    EXPECT_EQ(Get(u"Key"), u"??");
}

TEST_F(KeptBytesTest, LoneLastByteOfUtf16FileIsAUnitOfItsOwn)
{
    // The platform pairs it with whatever byte follows the file in memory.
    WriteSettingsFile("\xff\xfe[\0E\0x\0c\0e\0l\0D\0a\0t\0a\0]\0\n\0k\0=\0v\0\n\0A"s);
    ASSERT_EQ(Save(u"Key", u"V"), kSuccess);
    EXPECT_EQ(Get(u"k"), u"v");
    EXPECT_EQ(ReadSettingsFile(),
              "\xff\xfe[\0E\0x\0c\0e\0l\0D\0a\0t\0a\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0A\0\r\0\n\0K\0e\0y\0=\0V\0\r\0\n\0"s);
}

TEST_F(KeptBytesTest, EmptiedFileIsWrittenAsAnsi)
{
    // Under Wine, a file emptied by another program is written in the form
    // the process last read it in; an empty file has no form of its own.
    WriteSettingsFile("\xff\xfe[\0E\0x\0c\0e\0l\0D\0a\0t\0a\0]\0\n\0k\0=\0v\0\n\0"s);
    EXPECT_EQ(Get(u"k"), u"v");
    WriteSettingsFile("");
    ASSERT_EQ(Save(u"Key", u"V"), kSuccess);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nKey=V\r\n");
}

} // namespace
} // namespace tallowby::test
