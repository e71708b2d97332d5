// The meanings the platform gives null and empty arguments and the
// smallest buffers, called on the stand-in directly, as other programs
// call kernel32; the differential test compares the same calls with
// kernel32 under Wine.

#include "platform/LastError.h"
#include "platform/linux/Kernel32.h"
#include "tests/support/SettingsTest.h"

#include <string>

namespace tallowby::test {
namespace {

using platform::kernel32::GetPrivateProfileStringA;
using platform::kernel32::WritePrivateProfileStringA;
using namespace std::string_literals;

constexpr std::uint32_t kUntouched = 0xC0FFEE;

// What a get hands back: the bytes up to the count and the NUL after it,
// and the last error.
struct Got {
    std::string bytes;
    std::uint32_t error;
    bool operator==(const Got &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Got &got)
{
    return out << testing::PrintToString(got.bytes) << " error " << got.error;
}

class ArgumentTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        WriteSettingsFile("lead=1\r\n[ExcelData]\r\nKey=\"q\"\r\n=empty\r\n;c=1\r\n[Empty]\r\nbare\r\n[]\r\nx=1\r\n");
    }
    void TearDown() override
    {
        // The Windows folder, made for win.ini, would count as a file
        // beside the settings file in other tests.
        std::filesystem::remove_all(HostPath("C:\\windows"));
        SettingsTest::TearDown();
    }

    Got Read(const char *section, const char *key, const char *fallback, std::uint32_t size,
             const char *file = SettingsFileName().c_str())
    {
        std::string buffer(300, '\x7f');
        platform::SetLastError(kUntouched);
        const auto count = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file);
        const auto error = platform::LastError();
        EXPECT_EQ(buffer[size], '\x7f') << "written past the buffer";
        return {buffer.substr(0, std::min<std::size_t>(count + 1, size)), error};
    }
    std::uint32_t WriteError(const char *section, const char *key, const char *value, const char *file)
    {
        platform::SetLastError(kUntouched);
        const bool ok = WritePrivateProfileStringA(section, key, value, file) != 0;
        return ok ? 0 : platform::LastError();
    }
};

TEST_F(ArgumentTest, NullKeyListsTheKeysOfTheSectionNamedAsGiven)
{
    EXPECT_EQ(Read("exceldata", nullptr, "d", 100), (Got{"Key\0\0\0"s, 0}))
        << "no name that starts with ';', and an empty one after the first";
    EXPECT_EQ(Read("", nullptr, "d", 100), (Got{"lead\0\0"s, 0})) << "the lines before the first header";
    EXPECT_EQ(Read(" ExcelData ", nullptr, "  d  ", 100), (Got{"  d  \0"s, 0}))
        << "blanks count, and the default keeps its own";
    EXPECT_EQ(Read("Empty", nullptr, "\"d\"", 100), (Got{"d\0"s, 0})) << "no key gives the default, unquoted";
    EXPECT_EQ(Read(nullptr, nullptr, "d", 100), (Got{"ExcelData\0Empty\0\0"s, 0}))
        << "a section without a name is not listed";
}

TEST_F(ArgumentTest, ListStartingWithAnEmptyNameGivesTheDefault)
{
    WriteSettingsFile("=e\r\nk1=1\r\n");
    EXPECT_EQ(Read("", nullptr, "d", 100), (Got{"d\0"s, 0}));
}

TEST_F(ArgumentTest, SmallestBuffers)
{
    EXPECT_EQ(Read("ExcelData", "Key", "d", 0), (Got{"", kUntouched})) << "nothing written, nothing said";
    EXPECT_EQ(Read("ExcelData", "Key", "d", 1), (Got{"\0"s, 0}));
    EXPECT_EQ(Read("ExcelData", "Key", "d", 2), (Got{"\0"s, 0})) << "a cut quoted value loses its opening quote";
    EXPECT_EQ(Read(nullptr, nullptr, "d", 1), (Got{"\0"s, 0}));
    EXPECT_EQ(Read(nullptr, nullptr, "d", 3), (Got{"E\0"s, 0})) << "a cut list still ends in two NULs";
}

TEST_F(ArgumentTest, NullFileIsWinIniAndAnEmptyOneIsNoFile)
{
    EXPECT_EQ(Read("S", "k", "d", 100, nullptr), (Got{"d\0"s, 2})) << "no win.ini yet";
    EXPECT_EQ(WriteError("S", "k", "v", nullptr), 0u);
    EXPECT_EQ(Read("S", "k", "d", 100, nullptr), (Got{"v\0"s, 0}));
    EXPECT_EQ(WriteError("S", "k", "v", ""), 5u);
    EXPECT_EQ(Read("S", "k", "\"d\" ", 100, ""), (Got{"\"d\"\0"s, 5}))
        << "the default as given, but for its trailing spaces";
    EXPECT_EQ(Read(nullptr, nullptr, "d", 100, ""), (Got{"\0"s, 5}));
}

TEST_F(ArgumentTest, MissingFileIsSaidAndRemovingFromItMakesNone)
{
    RemoveSettingsFile();
    EXPECT_EQ(Read("ExcelData", "Key", "d", 100), (Got{"d\0"s, 2}));
    EXPECT_EQ(Read(nullptr, nullptr, "d", 100), (Got{"\0"s, 2}));
    EXPECT_EQ(WriteError("", nullptr, nullptr, SettingsFileName().c_str()), 0u);
    EXPECT_FALSE(ReadSettingsFile()) << "the section \"\" of a missing file";
    EXPECT_EQ(WriteError(nullptr, "k", "v", SettingsFileName().c_str()), 2u) << "a null section, without the file";
}

TEST_F(ArgumentTest, NullSectionAndNamesNoFileHoldsAreRefusedAsThePlatformRefusesThem)
{
    EXPECT_EQ(WriteError(nullptr, "k", "v", SettingsFileName().c_str()), 2u) << "a null section, with the file";
    EXPECT_EQ(WriteError(nullptr, "k", "v", nullptr), 2u);
    EXPECT_EQ(WriteError(nullptr, "k", "v", ""), 5u) << "the name is looked at first";
    EXPECT_EQ(WriteError(nullptr, "k", "v", "C:\\a*b.ini"), 123u);
    for (const char *name : {"C:\\a*b.ini", "C:\\a?b.ini", "C:\\d*r\\a.ini", "a?.ini", "D:\\a<b.ini", "C:\\a|b.ini"}) {
        EXPECT_EQ(WriteError("S", "k", "v", name), 123u) << name;
        EXPECT_EQ(WriteError("S", nullptr, nullptr, name), 123u) << name;
        EXPECT_EQ(Read("S", "k", "d", 100, name), (Got{"d\0"s, 123})) << name;
        EXPECT_EQ(Read(nullptr, nullptr, "d", 100, name), (Got{"\0"s, 123})) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(HostPath("C:\\a*b.ini")));
}

TEST_F(ArgumentTest, RemovedLeadingLinesKeepTheirPlace)
{
    ASSERT_EQ(WriteError("", nullptr, nullptr, SettingsFileName().c_str()), 0u);
    ASSERT_EQ(WriteError("", "new", "1", SettingsFileName().c_str()), 0u);
    EXPECT_EQ(ReadSettingsFile()->substr(0, 7), "new=1\r\n");
}

} // namespace
} // namespace tallowby::test
