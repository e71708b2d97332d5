// The check box sample, and the window object's references around calls.

#include "tests/support/SettingsTest.h"

namespace tallowby::test {
namespace {

using SampleTest = SettingsTest;

TEST_F(SampleTest, RecordsNameAndValue)
{
    ASSERT_EQ(window_->InYourVBApp(), kSuccess);
    EXPECT_EQ(*ReadSettingsFile(), "[ExcelData]\r\nCheck1Name=First Check Box\r\nCheck1Value=1\r\n");
    EXPECT_EQ(Get(u"Check1Value", u"0"), u"1");
    EXPECT_EQ(Get(u"Check1Name", u""), u"First Check Box");
}

TEST_F(SampleTest, RunningTwiceChangesNothingAndLeavesOtherKeys)
{
    WriteSettingsFile("[ExcelData]\r\nBefore=a\r\nCheck1Value=0\r\n[Other]\r\nCheck1Name=x\r\n");
    ASSERT_EQ(window_->InYourVBApp(), kSuccess);
    const auto once = ReadSettingsFile();
    ASSERT_EQ(window_->InYourVBApp(), kSuccess);
    EXPECT_EQ(ReadSettingsFile(), once);
    EXPECT_EQ(Get(u"Before"), u"a");
    EXPECT_EQ(Get(u"Check1Value"), u"1");
    EXPECT_EQ(Get(u"Check1Name"), u"First Check Box");
}

// Counts the saves that pass through the window's interface.
class CountingOperations final : public Form1Operations {
public:
    explicit CountingOperations(ProfileStore &store = ProfileStore::Process()) : Form1Operations(store) {}
    Status ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting) override
    {
        keys.push_back(v_strKey);
        if (dropLastReference) {
            dropLastReference = false;
            Release(); // the caller's own reference, in the middle of the call
        }
        return Form1Operations::ProfileSettingSave(std::move(v_strKey), std::move(v_strSetting));
    }
    std::vector<std::u16string> keys;
    bool dropLastReference = false;
};

TEST_F(SampleTest, StopsAtTheFirstFailedSave)
{
    ProfileStore unbound("no-such-library");
    auto *window = new CountingOperations(unbound);
    const Ref<CountingOperations> owner = Ref<CountingOperations>::Adopt(window);
    EXPECT_EQ(window->InYourVBApp(), Status::FromWin32(platform::win32_error::ModNotFound));
    EXPECT_EQ(window->keys, std::vector<std::u16string>{u"Check1Name"});
    EXPECT_FALSE(ReadSettingsFile());
}

TEST_F(SampleTest, SavesGoThroughTheInterfaceAndHoldTheWindow)
{
    auto *window = new CountingOperations();
    window->dropLastReference = true;
    // The window's only reference goes during the first save; the sample
    // must still finish on a live object.
    EXPECT_EQ(window->InYourVBApp(), kSuccess);
    EXPECT_EQ(Get(u"Check1Value"), u"1");
}

TEST_F(SampleTest, OperationsGiveBackTheirReferences)
{
    ASSERT_EQ(window_->RefCount(), 1u);
    Save(u"a", u"b");
    Get(u"a");
    window_->InYourVBApp();
    ProfileStore unbound("no-such-library");
    const auto failing = CreateWindowlessOperations(unbound);
    EXPECT_TRUE(failing->InYourVBApp().failed());
    EXPECT_TRUE(failing->ProfileSettingGet(u"a", u"b").status.failed());
    EXPECT_EQ(failing->ProfileSettingGet(u"a", u"b").text, u"") << "a failed get hands back empty text";
    EXPECT_EQ(window_->RefCount(), 1u);
    EXPECT_EQ(failing->RefCount(), 1u);
}

} // namespace
} // namespace tallowby::test
