#pragma once

#include "settings/Form1Operations.h"
#include "tests/support/SettingsFileBytes.h"

#include <gtest/gtest.h>

namespace tallowby::test {

// Each test starts without a settings file and talks to the operations as
// any caller of the window does.
class SettingsTest : public testing::Test {
protected:
    void SetUp() override { RemoveSettingsFile(); }
    void TearDown() override { RemoveSettingsFile(); }

    Status Save(const std::u16string &key, const std::u16string &value)
    {
        return window_->ProfileSettingSave(key, value);
    }
    // The value read, or the status's description when the read failed.
    std::u16string Get(const std::u16string &key, const std::u16string &fallback = u"")
    {
        const TextResult result = window_->ProfileSettingGet(key, fallback);
        EXPECT_TRUE(result.status.ok()) << DescribeStatus(result.status);
        return result.text;
    }

    Ref<Form1Interface> window_ = CreateWindowlessOperations();
};

} // namespace tallowby::test
