// The Linux main window under Qt's offscreen platform.

#include "tests/support/SettingsFileBytes.h"
#include "window/Form1Design.h"
#include "window/linux/Form1Window.h"

#include <QCheckBox>
#include <QTest>

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

class Form1Test : public testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsFile();
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    }
    void TearDown() override { RemoveSettingsFile(); }

    Ref<Form1Window> form_ = MakeRef<Form1Window>();
};

TEST(Form1LayoutTest, TwipsBecomePixelsAtTheScreensResolution)
{
    EXPECT_EQ(LayoutForDpi(96), (Form1Layout{312, 213, {48, 64, 113, 25}}));
    EXPECT_EQ(LayoutForDpi(144), (Form1Layout{468, 320, {72, 96, 170, 38}}));
    EXPECT_EQ(LayoutForDpi(120), (Form1Layout{390, 266, {60, 80, 141, 31}}));
}

TEST_F(Form1Test, ShowsTheDesign)
{
    const Form1Layout layout = LayoutForDpi(form_->logicalDpiX());
    EXPECT_EQ(form_->windowTitle(), "Form1");
    EXPECT_EQ(form_->size(), QSize(layout.clientWidth, layout.clientHeight));
    EXPECT_EQ(form_->Check1()->text(), "Check1");
    EXPECT_EQ(form_->Check1()->geometry(),
              QRect(layout.check1.x, layout.check1.y, layout.check1.width, layout.check1.height));
    EXPECT_FALSE(form_->Check1()->isChecked());
    EXPECT_TRUE(form_->windowIcon().availableSizes().contains(QSize(32, 32)));
    EXPECT_TRUE(form_->windowIcon().availableSizes().contains(QSize(16, 16)));
    const auto children = form_->findChildren<QWidget *>();
    EXPECT_EQ(children.size(), 1) << "one control, the check box";
}

TEST_F(Form1Test, CheckBoxIsTheOnlyTabStopAndHasTheFocus)
{
    form_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    EXPECT_TRUE(form_->Check1()->hasFocus());
    QTest::keyClick(form_.get(), Qt::Key_Tab);
    EXPECT_TRUE(form_->Check1()->hasFocus()) << "Tab comes back to it";
    QTest::keyClick(form_->Check1(), Qt::Key_Space);
    EXPECT_TRUE(form_->Check1()->isChecked());
}

TEST_F(Form1Test, ClicksToggleTheMarkAndStoreNothing)
{
    QTest::mouseClick(form_->Check1(), Qt::LeftButton);
    EXPECT_TRUE(form_->Check1()->isChecked());
    QTest::mouseClick(form_->Check1(), Qt::LeftButton);
    EXPECT_FALSE(form_->Check1()->isChecked());
    form_->close();
    EXPECT_FALSE(ReadSettingsFile()) << "starting, clicking and closing touch no settings";
}

TEST_F(Form1Test, CarriesTheSettingsOperations)
{
    Form1Interface &window = *form_;
    QTest::mouseClick(form_->Check1(), Qt::LeftButton);
    ASSERT_EQ(window.InYourVBApp(), kSuccess);
    EXPECT_EQ(window.ProfileSettingGet(u"Check1Value", u"0").text, u"1") << "the mark is not consulted";
    EXPECT_EQ(window.ProfileSettingSave(u"Other", u"x"), kSuccess);
    EXPECT_EQ(window.ProfileSettingGet(u"Other").text, u"x");
    EXPECT_TRUE(form_->Check1()->isChecked()) << "the operations change nothing of the window";
    EXPECT_EQ(form_->RefCount(), 1u);
}

} // namespace
} // namespace tallowby::test
