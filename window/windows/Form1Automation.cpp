#include "window/windows/Form1Automation.h"

#include "settings/OperationGuard.h"
#include "window/windows/Com.h"

#include <string>

namespace tallowby {

namespace {

using Microsoft::WRL::ComPtr;

// The executable's own path, where its type library lives.
std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Leaves `status` in this thread's error object, with its description, and
// returns it as the call's HRESULT. Success clears the error object.
HRESULT Report(Status status) noexcept
{
    if (status.ok()) {
        ::SetErrorInfo(0, nullptr);
        return S_OK;
    }
    ComPtr<ICreateErrorInfo> created;
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(::CreateErrorInfo(&created)) && SUCCEEDED(created.As(&info))) {
        created->SetGUID(IID_IForm1);
        created->SetSource(const_cast<LPOLESTR>(kForm1ProgId));
        // Without memory for it the code still travels, without its
        // description.
        (void)GuardOperation([&] {
            const std::string text = DescribeStatus(status); // ASCII
            const std::wstring description(text.begin(), text.end());
            created->SetDescription(const_cast<LPOLESTR>(description.c_str()));
            return Status();
        });
        ::SetErrorInfo(0, info.Get());
    }
    return static_cast<HRESULT>(status.code());
}

// Runs a method's body, with the conversions of its arguments and result,
// under the operations' guard, so that no exception crosses the COM
// boundary.
template <typename Body>
HRESULT Guarded(Body &&body) noexcept
{
    return Report(GuardOperation(std::forward<Body>(body)));
}

// The optional default as text: absent is the empty text; anything a script
// can turn into text is taken as that text.
Status DefaultText(const VARIANT &given, std::u16string &text)
{
    if (V_VT(&given) == VT_ERROR && V_ERROR(&given) == DISP_E_PARAMNOTFOUND)
        return {};
    VARIANT converted;
    ::VariantInit(&converted);
    if (FAILED(::VariantChangeType(&converted, const_cast<VARIANT *>(&given), 0, VT_BSTR)))
        return kInvalidArgument;
    Bstr owned;
    *owned.put() = V_BSTR(&converted); // takes over the converted string
    text = FromBstr(owned.get());
    return {};
}

} // namespace

HRESULT Form1Automation::QueryInterface(REFIID iid, void **object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IForm1) {
        *object = static_cast<IForm1 *>(this);
    } else if (iid == IID_ISupportErrorInfo) {
        *object = static_cast<ISupportErrorInfo *>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG Form1Automation::AddRef()
{
    owner_.AddRef();
    return owner_.RefCount();
}

ULONG Form1Automation::Release()
{
    // The owner, and this object with it, may be gone after the release.
    const ULONG remaining = owner_.RefCount() - 1;
    owner_.Release();
    return remaining;
}

ITypeInfo *Form1Automation::TypeInfo()
{
    if (typeInfo_ || FAILED(loadResult_))
        return typeInfo_.Get();
    ComPtr<ITypeLib> library;
    std::wstring path;
    if (const Status found = GuardOperation([&] {
            path = ModulePath();
            return Status();
        });
        found.failed()) {
        loadResult_ = static_cast<HRESULT>(found.code());
        return nullptr;
    }
    loadResult_ = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (SUCCEEDED(loadResult_))
        loadResult_ = library->GetTypeInfoOfGuid(IID_IForm1, &typeInfo_);
    return typeInfo_.Get();
}

HRESULT Form1Automation::GetTypeInfoCount(UINT *count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT Form1Automation::GetTypeInfo(UINT index, LCID, ITypeInfo **info)
{
    if (info == nullptr)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    ITypeInfo *typeInfo = TypeInfo();
    if (typeInfo == nullptr)
        return loadResult_;
    typeInfo->AddRef();
    *info = typeInfo;
    return S_OK;
}

HRESULT Form1Automation::GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID, DISPID *ids)
{
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo *typeInfo = TypeInfo();
    if (typeInfo == nullptr)
        return loadResult_;
    return ::DispGetIDsOfNames(typeInfo, names, count, ids);
}

HRESULT Form1Automation::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS *parameters, VARIANT *result,
                                EXCEPINFO *exception, UINT *badArgument)
{
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo *typeInfo = TypeInfo();
    if (typeInfo == nullptr)
        return loadResult_;
    const Ref<Form1Interface> hold(&owner_);
    return ::DispInvoke(static_cast<IForm1 *>(this), typeInfo, id, flags, parameters, result, exception,
                        badArgument);
}

// The operations hold the window while they run.
HRESULT Form1Automation::ProfileSettingSave(BSTR v_strKey, BSTR v_strSetting)
{
    return Guarded([&] { return owner_.ProfileSettingSave(FromBstr(v_strKey), FromBstr(v_strSetting)); });
}

HRESULT Form1Automation::ProfileSettingGet(BSTR v_strKey, VARIANT v_strDefault, BSTR *result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Guarded([&] {
        std::u16string defaultText;
        if (const Status given = DefaultText(v_strDefault, defaultText); given.failed())
            return given;
        const TextResult read = owner_.ProfileSettingGet(FromBstr(v_strKey), std::move(defaultText));
        if (read.status.failed())
            return read.status;
        Bstr value(read.text);
        if (value.get() == nullptr)
            return kOutOfMemory;
        *result = value.release();
        return Status();
    });
}

HRESULT Form1Automation::InYourVBApp()
{
    return Guarded([&] { return owner_.InYourVBApp(); });
}

HRESULT Form1Automation::InterfaceSupportsErrorInfo(REFIID iid) { return iid == IID_IForm1 ? S_OK : S_FALSE; }

} // namespace tallowby
