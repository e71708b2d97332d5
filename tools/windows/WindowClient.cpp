#include "tools/WindowClient.h"

#include "resources/TallowbyAutomation.h"
#include "window/windows/Com.h"

#include <wrl/client.h>

#include <array>
#include <new>

namespace tallowby {

namespace {

using Microsoft::WRL::ComPtr;

// Clears an EXCEPINFO's strings on every path.
struct ExceptionInfo {
    EXCEPINFO info{};
    ExceptionInfo() = default;
    ExceptionInfo(const ExceptionInfo &) = delete;
    ExceptionInfo &operator=(const ExceptionInfo &) = delete;
    ~ExceptionInfo()
    {
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
    }
    // The failure the call raised: its own code, or the HRESULT of a
    // numbered error.
    Status Failure()
    {
        if (info.pfnDeferredFillIn != nullptr)
            info.pfnDeferredFillIn(&info);
        if (FAILED(info.scode))
            return Status(static_cast<std::uint32_t>(info.scode));
        return info.wCode != 0 ? Status(0x80040200u + info.wCode) : kUnexpected;
    }
};

// Holds a VARIANT and clears it.
struct Variant {
    VARIANT value;
    Variant() { ::VariantInit(&value); }
    Variant(const Variant &) = delete;
    Variant &operator=(const Variant &) = delete;
    ~Variant() { ::VariantClear(&value); }
};

// The window in another process, called by name through IDispatch, as a
// script calls it.
class RemoteForm1 final : public Form1Interface {
public:
    // Finds the running window; the error says why none was reached.
    std::string Connect()
    {
        if (FAILED(apartment_.Result()))
            return "cannot start COM (" + DescribeStatus(Status(static_cast<std::uint32_t>(apartment_.Result()))) + ")";
        ComPtr<IUnknown> running;
        HRESULT found = ::GetActiveObject(CLSID_Form1, nullptr, &running);
        if (found == MK_E_UNAVAILABLE)
            return kNoWindowRunning;
        if (FAILED(found) || FAILED(found = running.As(&window_)))
            return "cannot reach the window: " + DescribeStatus(Status(static_cast<std::uint32_t>(found)));
        return {};
    }

    Status ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting) override
    {
        const Ref<RemoteForm1> self(this);
        Bstr key(v_strKey), setting(v_strSetting);
        if (key.get() == nullptr || setting.get() == nullptr)
            return kOutOfMemory;
        std::array<VARIANT, 2> arguments{};
        // Arguments travel last first.
        V_VT(&arguments[0]) = VT_BSTR;
        V_BSTR(&arguments[0]) = setting.get();
        V_VT(&arguments[1]) = VT_BSTR;
        V_BSTR(&arguments[1]) = key.get();
        Variant ignored;
        return Call(L"ProfileSettingSave", arguments.data(), 2, ignored.value);
    }

    TextResult ProfileSettingGet(std::u16string v_strKey, std::u16string v_strDefault) override
    {
        const Ref<RemoteForm1> self(this);
        TextResult result;
        Bstr key(v_strKey), fallback(v_strDefault);
        if (key.get() == nullptr || fallback.get() == nullptr) {
            result.status = kOutOfMemory;
            return result;
        }
        std::array<VARIANT, 2> arguments{};
        V_VT(&arguments[0]) = VT_BSTR;
        V_BSTR(&arguments[0]) = fallback.get();
        V_VT(&arguments[1]) = VT_BSTR;
        V_BSTR(&arguments[1]) = key.get();
        Variant value;
        result.status = Call(L"ProfileSettingGet", arguments.data(), 2, value.value);
        if (result.status.ok()) {
            if (V_VT(&value.value) == VT_BSTR)
                result.text = FromBstr(V_BSTR(&value.value));
            else
                result.status = Status(static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH));
        }
        return result;
    }

    Status InYourVBApp() override
    {
        const Ref<RemoteForm1> self(this);
        Variant ignored;
        return Call(L"InYourVBApp", nullptr, 0, ignored.value);
    }

private:
    Status Call(const wchar_t *name, VARIANT *arguments, UINT count, VARIANT &result)
    {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT called = window_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(called))
            return Status(static_cast<std::uint32_t>(called));
        DISPPARAMS parameters{arguments, nullptr, count, 0};
        ExceptionInfo exception;
        UINT badArgument = 0;
        called = window_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, &result,
                                 &exception.info, &badArgument);
        if (called == DISP_E_EXCEPTION)
            return exception.Failure();
        return FAILED(called) ? Status(static_cast<std::uint32_t>(called)) : Status();
    }

    ComApartment apartment_; // first in, last out: the pointers below live inside it
    ComPtr<IDispatch> window_;
};

} // namespace

WindowConnection ConnectToRunningWindow()
{
    WindowConnection connection;
    try {
        const auto window = MakeRef<RemoteForm1>();
        connection.error = window->Connect();
        if (connection.error.empty())
            connection.window = Ref<Form1Interface>(window.get());
    } catch (const std::bad_alloc &) {
        connection.error = DescribeStatus(kOutOfMemory);
    }
    return connection;
}

} // namespace tallowby
