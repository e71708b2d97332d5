// The settings file as the platform keeps it: each case gives the file
// before, one operation, its result and the file after.

#include "tests/support/SettingsTest.h"

namespace tallowby::test {
namespace {

struct FormatCase {
    const char *name;
    std::string before;     // empty: no file
    std::u16string key;
    std::u16string value;   // saved when `save`, else the default of a get
    bool save;
    std::u16string read;    // what a get returns
    std::string after;      // the file after
};

class FileFormatTest : public SettingsTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(FileFormatTest, Case)
{
    const FormatCase &c = GetParam();
    if (!c.before.empty())
        WriteSettingsFile(c.before);
    if (c.save) {
        ASSERT_EQ(Save(c.key, c.value), Status::Ok());
        EXPECT_EQ(Get(c.key, u"<absent>"), c.read);
    } else {
        EXPECT_EQ(Get(c.key, c.value), c.read);
    }
    EXPECT_EQ(ReadSettingsFile().value_or("<no file>"), c.after);
}

const FormatCase kCases[] = {
    {"NewFile", "", u"Key", u"Value", true, u"Value", "[ExcelData]\r\nKey=Value\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Settings, FileFormatTest, testing::ValuesIn(kCases),
                         [](const auto &test) { return std::string(test.param.name); });

} // namespace
} // namespace tallowby::test
