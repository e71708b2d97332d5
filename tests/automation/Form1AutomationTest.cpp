// The automation object in process, over the windowless operations: its
// count is the window's, failures leave the tool's text in the error
// object, and the optional default takes what a script may pass.

#include "settings/Form1Operations.h"
#include "tests/support/SettingsTest.h"
#include "window/windows/Com.h"
#include "window/windows/Form1Automation.h"

#include <wrl/client.h>

namespace tallowby::test {
namespace {

using Microsoft::WRL::ComPtr;

class Automated final : public Form1Operations {
public:
    IForm1 *Automation() { return &automation_; }

private:
    Form1Automation automation_{*this};
};

class Form1AutomationTest : public SettingsTest {
protected:
    ComApartment apartment_;
    Ref<Automated> object_ = MakeRef<Automated>();
    IForm1 *form_ = object_->Automation();
};

VARIANT Missing()
{
    VARIANT value;
    V_VT(&value) = VT_ERROR;
    V_ERROR(&value) = DISP_E_PARAMNOTFOUND;
    return value;
}

TEST_F(Form1AutomationTest, ComReferencesAreTheObjectsOwnCount)
{
    EXPECT_EQ(form_->AddRef(), 2u);
    EXPECT_EQ(object_->RefCount(), 2u);
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(form_->QueryInterface(IID_PPV_ARGS(&dispatch)));
    EXPECT_EQ(object_->RefCount(), 3u);
    dispatch.Reset();
    EXPECT_EQ(form_->Release(), 1u);
    ComPtr<IPersist> unrelated;
    EXPECT_EQ(form_->QueryInterface(IID_PPV_ARGS(&unrelated)), E_NOINTERFACE);
}

TEST_F(Form1AutomationTest, FailureLeavesTheToolsTextInTheErrorObject)
{
    const Bstr key(u"a=b"), value(u"v");
    ASSERT_EQ(form_->ProfileSettingSave(key.get(), value.get()), E_INVALIDARG);
    ComPtr<IErrorInfo> error;
    ASSERT_EQ(::GetErrorInfo(0, &error), S_OK);
    Bstr description, source;
    ASSERT_HRESULT_SUCCEEDED(error->GetDescription(description.put()));
    ASSERT_HRESULT_SUCCEEDED(error->GetSource(source.put()));
    EXPECT_EQ(FromBstr(description.get()), u"invalid argument (0x80070057)");
    EXPECT_EQ(FromBstr(source.get()), u"Tallowby.Form1");

    // A later success leaves no stale error behind.
    const Bstr good(u"AutomationKey");
    ASSERT_EQ(form_->ProfileSettingSave(good.get(), value.get()), S_OK);
    EXPECT_EQ(::GetErrorInfo(0, &error), S_FALSE);
}

TEST_F(Form1AutomationTest, DefaultMayBeMissingOrAnythingThatTurnsIntoText)
{
    const Bstr key(u"AutomationAbsent");
    Bstr result;
    ASSERT_EQ(form_->ProfileSettingGet(key.get(), Missing(), result.put()), S_OK);
    EXPECT_EQ(FromBstr(result.get()), u"");

    VARIANT number;
    V_VT(&number) = VT_R8;
    V_R8(&number) = 2.5;
    ASSERT_EQ(form_->ProfileSettingGet(key.get(), number, result.put()), S_OK);
    EXPECT_EQ(FromBstr(result.get()), u"2.5");

    VARIANT null;
    V_VT(&null) = VT_NULL;
    EXPECT_EQ(form_->ProfileSettingGet(key.get(), null, result.put()), E_INVALIDARG);
    EXPECT_EQ(result.get(), nullptr);
    EXPECT_EQ(form_->ProfileSettingGet(key.get(), Missing(), nullptr), E_POINTER);
}

TEST_F(Form1AutomationTest, NullStringsFromCallersAreEmptyText)
{
    const Bstr key(u"AutomationNull");
    ASSERT_EQ(form_->ProfileSettingSave(key.get(), nullptr), S_OK);
    Bstr result;
    VARIANT fallback;
    V_VT(&fallback) = VT_BSTR;
    V_BSTR(&fallback) = nullptr;
    ASSERT_EQ(form_->ProfileSettingGet(key.get(), fallback, result.put()), S_OK);
    EXPECT_EQ(FromBstr(result.get()), u"");
}

} // namespace
} // namespace tallowby::test
