#pragma once

#include "settings/Form1Interface.h"

#include "resources/TallowbyAutomation.h"

#include <wrl/client.h>

namespace tallowby {

// The window's operations as the COM automation object IForm1, for other
// programs. It lives inside the object it serves and shares that object's
// reference count, so a COM reference keeps the window's operations alive.
// Dispatch goes through the type library embedded in the executable. A
// failed operation returns its status as the HRESULT and leaves the same
// text the command-line tool prints in the thread's error object, where a
// script finds it as Err.Description.
class Form1Automation final : public IForm1, public ISupportErrorInfo {
public:
    explicit Form1Automation(Form1Interface &owner) : owner_(owner) {}
    Form1Automation(const Form1Automation &) = delete;
    Form1Automation &operator=(const Form1Automation &) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID locale,
                                            DISPID *ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS *parameters,
                                     VARIANT *result, EXCEPINFO *exception, UINT *badArgument) override;

    // IForm1
    HRESULT STDMETHODCALLTYPE ProfileSettingSave(BSTR v_strKey, BSTR v_strSetting) override;
    HRESULT STDMETHODCALLTYPE ProfileSettingGet(BSTR v_strKey, VARIANT v_strDefault, BSTR *result) override;
    HRESULT STDMETHODCALLTYPE InYourVBApp() override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    // IForm1's description from the executable's type library, loaded at
    // first use; null with the reason in `loadResult_` when it cannot be.
    ITypeInfo *TypeInfo();

    Form1Interface &owner_;
    Microsoft::WRL::ComPtr<ITypeInfo> typeInfo_;
    HRESULT loadResult_ = S_OK;
};

// The source named in the error objects of failed calls.
inline constexpr wchar_t kForm1ProgId[] = L"Tallowby.Form1";

} // namespace tallowby
