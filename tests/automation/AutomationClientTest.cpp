// A client in another process, as a script host is one: it reaches the
// running window through GetActiveObject and CoCreateInstance, calls it by
// name through IDispatch and early through IForm1, and reads failures from
// EXCEPINFO and the error object. Run by automation_e2e.sh while the window
// is open.

#include "resources/TallowbyAutomation.h"
#include "window/windows/Com.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace tallowby::test {
namespace {

using Microsoft::WRL::ComPtr;

struct ExceptionInfo {
    EXCEPINFO info{};
    ~ExceptionInfo()
    {
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
    }
};

VARIANT Text(const Bstr &text)
{
    VARIANT value;
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = text.get();
    return value;
}

class AutomationClientTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(apartment_.Result());
        ComPtr<IUnknown> running;
        ASSERT_HRESULT_SUCCEEDED(::GetActiveObject(CLSID_Form1, nullptr, &running));
        ASSERT_HRESULT_SUCCEEDED(running.As(&window_));
    }

    DISPID Id(const wchar_t *name)
    {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_HRESULT_SUCCEEDED(window_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << name;
        return id;
    }

    // Calls `name` with `arguments` in the caller's order.
    HRESULT Call(const wchar_t *name, std::vector<VARIANT> arguments, VARIANT *result, ExceptionInfo &exception)
    {
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        UINT badArgument = 0;
        return window_->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result,
                               &exception.info, &badArgument);
    }

    std::u16string Get(std::vector<VARIANT> arguments)
    {
        VARIANT result;
        ::VariantInit(&result);
        ExceptionInfo exception;
        EXPECT_HRESULT_SUCCEEDED(Call(L"ProfileSettingGet", std::move(arguments), &result, exception));
        EXPECT_EQ(V_VT(&result), VT_BSTR);
        const std::u16string text = V_VT(&result) == VT_BSTR ? FromBstr(V_BSTR(&result)) : u"";
        ::VariantClear(&result);
        return text;
    }

    ComApartment apartment_;
    ComPtr<IDispatch> window_;
};

TEST_F(AutomationClientTest, TypeLibraryGivesTheOperationsInOrderWithTheirArguments)
{
    EXPECT_EQ(Id(L"ProfileSettingSave"), 1);
    EXPECT_EQ(Id(L"ProfileSettingGet"), 2);
    EXPECT_EQ(Id(L"InYourVBApp"), 3);
    EXPECT_EQ(Id(L"profilesettingget"), 2) << "names match regardless of case, as scripts expect";

    ComPtr<ITypeInfo> info;
    ASSERT_HRESULT_SUCCEEDED(window_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    BSTR names[3] = {};
    UINT count = 0;
    ASSERT_HRESULT_SUCCEEDED(info->GetNames(2, names, 3, &count));
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(FromBstr(names[0]), u"ProfileSettingGet");
    EXPECT_EQ(FromBstr(names[1]), u"v_strKey");
    EXPECT_EQ(FromBstr(names[2]), u"v_strDefault");
    for (BSTR name : names)
        ::SysFreeString(name);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"DeleteEverything")};
    DISPID id = 0;
    EXPECT_EQ(window_->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(AutomationClientTest, SaveThenGetByNameRoundTripsAndTheDefaultIsOptional)
{
    const Bstr key(u"ClientKey"), value(u"caf\u00e9 au lait"), fallback(u"fallback");
    ExceptionInfo exception;
    ASSERT_HRESULT_SUCCEEDED(Call(L"ProfileSettingSave", {Text(key), Text(value)}, nullptr, exception));
    EXPECT_EQ(Get({Text(key), Text(fallback)}), u"caf\u00e9 au lait");

    const Bstr absent(u"ClientAbsentKey");
    EXPECT_EQ(Get({Text(absent), Text(fallback)}), u"fallback");
    EXPECT_EQ(Get({Text(absent)}), u"") << "a default left out is the empty text";
    VARIANT number;
    V_VT(&number) = VT_I4;
    V_I4(&number) = 42;
    EXPECT_EQ(Get({Text(absent), number}), u"42") << "a default a script gives as a number";
}

TEST_F(AutomationClientTest, RefusedSaveComesBackAsItsCodeWithTheToolsText)
{
    const Bstr key(u"a=b"), value(u"v");
    ExceptionInfo exception;
    EXPECT_EQ(Call(L"ProfileSettingSave", {Text(key), Text(value)}, nullptr, exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.info.scode, E_INVALIDARG);
    EXPECT_EQ(FromBstr(exception.info.bstrDescription), u"invalid argument (0x80070057)");
    EXPECT_EQ(FromBstr(exception.info.bstrSource), u"Tallowby.Form1");

    // Early bound through the dual interface, as VBA and C++ callers do. The
    // code comes back as the call's result; Wine 8 does not carry the error
    // object itself across processes, so its text is checked in process by
    // Form1AutomationTest.
    ComPtr<IForm1> form;
    ASSERT_HRESULT_SUCCEEDED(window_.As(&form));
    EXPECT_EQ(form->ProfileSettingSave(key.get(), value.get()), E_INVALIDARG);
    ComPtr<ISupportErrorInfo> supports;
    ASSERT_HRESULT_SUCCEEDED(window_.As(&supports));
    EXPECT_EQ(supports->InterfaceSupportsErrorInfo(IID_IForm1), S_OK);
}

TEST_F(AutomationClientTest, ClassObjectHandsOutTheRunningWindow)
{
    ComPtr<IUnknown> created;
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(CLSID_Form1, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&created)));
    ComPtr<IUnknown> running;
    ASSERT_HRESULT_SUCCEEDED(window_.As(&running));
    EXPECT_EQ(created.Get(), running.Get()) << "one object: the open window";

    ComPtr<IForm1> form;
    ASSERT_HRESULT_SUCCEEDED(created.As(&form));
    const Bstr key(u"ViaCreateInstance"), value(u"seen");
    ASSERT_HRESULT_SUCCEEDED(form->ProfileSettingSave(key.get(), value.get()));
    EXPECT_EQ(Get({Text(key)}), u"seen");
}

} // namespace
} // namespace tallowby::test
