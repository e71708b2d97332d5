#include "platform/linux/DriveMapping.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tallowby::platform {
namespace {

class DriveMappingTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (const char *old = std::getenv("TALLOWBY_PREFIX"))
            saved_ = old;
        ::setenv("TALLOWBY_PREFIX", "/srv/prefix", 1);
    }
    void TearDown() override { ::setenv("TALLOWBY_PREFIX", saved_.c_str(), 1); }
    std::string saved_;
};

TEST_F(DriveMappingTest, DriveCIsThePrefixsDriveFolder)
{
    EXPECT_EQ(MapWindowsPath("C:\\Example.ini"), "/srv/prefix/drive_c/Example.ini");
    EXPECT_EQ(MapWindowsPath("c:/a\\b/../c.ini"), "/srv/prefix/drive_c/a/c.ini");
    EXPECT_EQ(MapWindowsPath("C:\\..\\..\\etc\\passwd"), "/srv/prefix/drive_c/etc/passwd")
        << "a path never leaves drive C";
    EXPECT_EQ(MapWindowsPath("win.ini"), "/srv/prefix/drive_c/windows/win.ini");
    EXPECT_EQ(MapWindowsPath("C:\\caf\xe9.ini"), "/srv/prefix/drive_c/caf\xc3\xa9.ini");
}

TEST_F(DriveMappingTest, OtherDrivesAndRelativeFoldersHaveNoMapping)
{
    EXPECT_FALSE(MapWindowsPath("D:\\x.ini"));
    EXPECT_FALSE(MapWindowsPath("C:x.ini"));
    EXPECT_FALSE(MapWindowsPath("dir\\x.ini"));
    EXPECT_FALSE(MapWindowsPath(""));
}

TEST_F(DriveMappingTest, RememberedMappingFollowsThePathAndThePrefix)
{
    RememberedMapping mapping;
    EXPECT_EQ(mapping.Map("C:\\a.ini"), "/srv/prefix/drive_c/a.ini");
    EXPECT_EQ(mapping.Map("C:\\b.ini"), "/srv/prefix/drive_c/b.ini");
    ::setenv("TALLOWBY_PREFIX", "/srv/other", 1);
    EXPECT_EQ(mapping.Map("C:\\b.ini"), "/srv/other/drive_c/b.ini") << "a new prefix maps the same name anew";
    EXPECT_FALSE(mapping.Map("D:\\b.ini"));
    EXPECT_EQ(mapping.Map("C:\\b.ini"), "/srv/other/drive_c/b.ini");
}

TEST_F(DriveMappingTest, PrefixFallsBackToTheDataHome)
{
    ::unsetenv("TALLOWBY_PREFIX");
    ::setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(SettingsPrefix(), "/data/tallowby");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(SettingsPrefix(), std::filesystem::path(std::getenv("HOME")) / ".local/share/tallowby");
}

} // namespace
} // namespace tallowby::platform
