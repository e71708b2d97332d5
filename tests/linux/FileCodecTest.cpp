// The stand-in's reading of files with a byte-order mark: lossless round
// trips, and the places where it keeps bytes the platform would lose.

#include "platform/linux/codepage/AnsiCodec.h"
#include "platform/linux/DriveMapping.h"
#include "platform/linux/codepage/FileCodec.h"
#include "platform/linux/Kernel32.h"
#include "tests/support/SettingsTest.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tallowby::test {
namespace {

using namespace std::string_literals;
using platform::Decode;
using platform::Encode;
using platform::FileEncoding;
using platform::TextFromAnsi;
using platform::TextToAnsi;

// The codec of the page the tests' files are in where the process's locale
// plays no part.
const platform::AnsiCodec &Cp1252()
{
    static const auto codec = platform::AnsiCodec::Open(1252);
    return *codec;
}

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
        const auto decoded = Decode(file.bytes, Cp1252());
        EXPECT_EQ(decoded.encoding, file.encoding) << file.bytes;
        EXPECT_EQ(decoded.text, file.text) << file.bytes;
        EXPECT_EQ(Encode(decoded.encoding, decoded.text, Cp1252()).view(), file.bytes);
    }
}

TEST(FileCodecTest, AnsiFileIsWrittenFromTheTextItself)
{
    // A settings file in the code page is written without a second copy.
    const std::string text = "[ExcelData]\r\nKey=v\r\n";
    EXPECT_EQ(Encode(FileEncoding::Ansi, text, Cp1252()).view().data(), text.data());
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
    EXPECT_EQ(TextToAnsi(FileEncoding::Utf8, TextFromAnsi(FileEncoding::Utf8, all, Cp1252()), Cp1252()), all);
    EXPECT_EQ(TextFromAnsi(FileEncoding::Utf8, "\x80\x81\xe9", Cp1252()), "\xe2\x82\xac\xc2\x81\xc3\xa9");
    EXPECT_EQ(TextFromAnsi(FileEncoding::Ansi, "\x80\x81\xe9", Cp1252()), "\x80\x81\xe9");
}

TEST(FileCodecTest, SurrogateFormsCountAsUnitsOnlyInUtf16Files)
{
    EXPECT_EQ(TextToAnsi(FileEncoding::Utf16Le, "\xed\xa0\x80x", Cp1252()), "?x");
    EXPECT_EQ(TextToAnsi(FileEncoding::Utf8, "\xed\xa0\x80x", Cp1252()), "??x");
}

// A file without a mark, in a double-byte page, is read whole to UTF-8 as
// the platform reads it, and written back through the page.
TEST(FileCodecTest, DoubleByteFileIsTextNotBytes)
{
    const auto cp932 = platform::AnsiCodec::Open(932);
    ASSERT_TRUE(cp932);
    const std::string bytes = "[A\x81\x5dz]\r\nk=\x93\xfa\r\nu=\xa0\xfd\x80\r\n";
    const auto decoded = Decode(bytes, *cp932);
    EXPECT_EQ(decoded.encoding, FileEncoding::Ansi);
    EXPECT_EQ(decoded.text, "[A\u2010z]\r\nk=\u65e5\r\nu=\uf8f0\uf8f1\u0080\r\n");
    EXPECT_EQ(Encode(decoded.encoding, decoded.text, *cp932).view(), bytes);
    EXPECT_EQ(TextFromAnsi(FileEncoding::Ansi, "\x81\x5d", *cp932), "\u2010");
    EXPECT_EQ(TextToAnsi(FileEncoding::Ansi, "\u2010\u00e9", *cp932), "\x81\x5d?");
    // A file with a mark passes callers' text through the same page.
    EXPECT_EQ(TextFromAnsi(FileEncoding::Utf8, "\x81\x5d", *cp932), "\u2010");
    EXPECT_EQ(TextToAnsi(FileEncoding::Utf16Le, "\u65e5", *cp932), "\x93\xfa");

    // A lead byte takes the byte after it even where the pair is no
    // character; written back, the pair is U+30FB's bytes.
    EXPECT_EQ(Encode(FileEncoding::Ansi, Decode("x=\x81 z\r\nw=\x82\r\n[S\x82]"s, *cp932).text, *cp932).view(),
              "x=\x81\x45z\r\nw=\x81\x45\n[S\x81\x45");

    EXPECT_EQ(Decode("[\x81\x5d]"s, Cp1252()).text, "[\x81\x5d]");
}

// Runs the current test again in a process of its own whose locale is
// `locale`: true there, where the test goes on; false here, where the
// test only checks that the other process passed.
bool InLocale(const char *locale)
{
    if (const char *current = std::getenv("TALLOWBY_TEST_LOCALE"); current != nullptr)
        return std::strcmp(current, locale) == 0;
    const auto *test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = "--gtest_filter="s + test->test_suite_name() + "." + test->name();
    std::vector<std::string> environment = {"LC_ALL="s + locale, "TALLOWBY_TEST_LOCALE="s + locale};
    for (char **variable = environ; *variable != nullptr; ++variable) {
        if (std::strncmp(*variable, "LC_ALL=", 7) != 0 && std::strncmp(*variable, "TALLOWBY_TEST_LOCALE=", 21) != 0)
            environment.emplace_back(*variable);
    }
    std::vector<char *> envp;
    for (auto &variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    char self[] = "/proc/self/exe";
    std::string filterArgument = filter;
    char *argv[] = {self, filterArgument.data(), nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execve(self, argv, envp.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed in " << locale << ", status " << status;
    return false;
}

class DoubleByteFileTest : public SettingsTest {
protected:
    // The value of `key` in `section`, as the code page's bytes.
    std::string Read(const char *section, const char *key)
    {
        std::string buffer(256, '\0');
        const auto count = platform::kernel32::GetPrivateProfileStringA(section, key, "-", buffer.data(), 256,
                                                                         SettingsFileName().c_str());
        return buffer.substr(0, count);
    }
    bool Write(const char *section, const char *key, const char *value)
    {
        return platform::kernel32::WritePrivateProfileStringA(section, key, value, SettingsFileName().c_str()) != 0;
    }
};

TEST_F(DoubleByteFileTest, TrailByteIsNoBracket)
{
    if (!InLocale("ja_JP.UTF-8"))
        return;
    ASSERT_EQ(platform::ProcessCodec().Page(), 932u) << "is ja_JP.UTF-8 generated?";
    WriteSettingsFile("[A\x81\x5dz]\r\nk=v\r\n[\x83\x5c]\r\n\x83\x5c=\x95\x5c\r\n");
    EXPECT_EQ(Read("A\x81\x5dz", "k"), "v");
    EXPECT_EQ(Read("\x83\x5c", "\x83\x5c"), "\x95\x5c");
    EXPECT_EQ(Read(nullptr, nullptr), "A\x81\x5dz\0\x83\x5c\0"s);
    ASSERT_TRUE(Write("A\x81\x5dz", "k2", "\x81\x5d"));
    EXPECT_EQ(ReadSettingsFile(), "[A\x81\x5dz]\r\nk=v\r\nk2=\x81\x5d\r\n[\x83\x5c]\r\n\x83\x5c=\x95\x5c\r\n");
}

TEST_F(DoubleByteFileTest, TrailByteIsNoPathSeparator)
{
    if (!InLocale("ja_JP.UTF-8"))
        return;
    ASSERT_EQ(platform::ProcessCodec().Page(), 932u) << "is ja_JP.UTF-8 generated?";
    // "ソ" is 83 5C.
    EXPECT_EQ(platform::MapWindowsPath("C:\\\x83\x5c\\a.ini"),
              platform::SettingsPrefix() / "drive_c" / "\u30bd" / "a.ini");
}

TEST_F(DoubleByteFileTest, CaseFoldsWholeAsciiLettersOnly)
{
    if (!InLocale("ko_KR.UTF-8"))
        return;
    ASSERT_EQ(platform::ProcessCodec().Page(), 949u) << "is ko_KR.UTF-8 generated?";
    // B0 41 and B0 61 are two Hangul syllables, not "A" and "a".
    WriteSettingsFile("[s]\r\n\xb0\x41=upper\r\n\xb0\x61=lower\r\nA=plain\r\n");
    EXPECT_EQ(Read("S", "\xb0\x41"), "upper");
    EXPECT_EQ(Read("s", "\xb0\x61"), "lower");
    EXPECT_EQ(Read("s", "a"), "plain");
    ASSERT_TRUE(Write("s", "\xb0\x61", "new"));
    EXPECT_EQ(Read("s", "\xb0\x41"), "upper");
    EXPECT_EQ(Read("s", "\xb0\x61"), "new");
}

TEST_F(DoubleByteFileTest, RewriteGoesThroughTheCodePage)
{
    if (!InLocale("ja_JP.UTF-8"))
        return;
    ASSERT_EQ(platform::ProcessCodec().Page(), 932u) << "is ja_JP.UTF-8 generated?";
    // What the platform writes back, measured under Wine: a lead byte has
    // taken the byte after it, each invalid pair is U+30FB, the line it
    // swallowed the CR of ends in CR LF again, and bytes that are no
    // character of the page survive.
    WriteSettingsFile("[ExcelData]\r\nx=\x81 z\r\nw=\x82\r\n[S\x82]\r\nu=\xa0\xfd\x80\r\n[A\x81\x5dz]\r\nk=v\r\n");
    EXPECT_EQ(Read("ExcelData", "x"), "\x81\x45z");
    EXPECT_EQ(Read("ExcelData", "w"), "\x81\x45");
    ASSERT_EQ(Save(u"New", u"A"), kSuccess);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nx=\x81\x45z\r\nw=\x81\x45\r\n[S\x81\x45\r\nu=\xa0\xfd\x80\r\n"
                                  "New=A\r\n[A\x81\x5dz]\r\nk=v\r\n");
    EXPECT_EQ(Get(u"u"), u"\uf8f0\uf8f1\u0080");
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
