#include "window/windows/Check1Accessible.h"

#include "window/windows/Com.h"

#include <commctrl.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <new>
#include <utility>

namespace tallowby {

namespace {

using Microsoft::WRL::ComPtr;

bool IsSelf(const VARIANT &child) { return V_VT(&child) == VT_I4 && V_I4(&child) == CHILDID_SELF; }

// IAccessible's IID is taken with __uuidof: the 64-bit oleacc import library
// defines IID_IAccessible as a thunk into oleacc.dll, not as the GUID.

// The system's accessible object for the control, with the check box's
// role and checked state.
class CheckBoxAccessible final : public ComObject<IAccessible> {
public:
    CheckBoxAccessible(HWND control, ComPtr<IAccessible> standard) : control_(control), inner_(std::move(standard)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT *role) override
    {
        if (!IsSelf(child) || role == nullptr)
            return inner_->get_accRole(child, role);
        V_VT(role) = VT_I4;
        V_I4(role) = ROLE_SYSTEM_CHECKBUTTON;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT *state) override
    {
        const HRESULT result = inner_->get_accState(child, state);
        if (SUCCEEDED(result) && IsSelf(child) && V_VT(state) == VT_I4) {
            const LRESULT checked = ::SendMessageW(control_, BM_GETCHECK, 0, 0);
            V_I4(state) = (V_I4(state) & ~(STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED)) |
                          (checked == BST_CHECKED ? STATE_SYSTEM_CHECKED : 0) |
                          (checked == BST_INDETERMINATE ? STATE_SYSTEM_MIXED : 0);
        }
        return result;
    }

    // The rest is the system's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override { return inner_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo **info) override
    {
        return inner_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID locale,
                                            DISPID *ids) override
    {
        return inner_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS *parameters,
                                     VARIANT *result, EXCEPINFO *exception, UINT *badArgument) override
    {
        return inner_->Invoke(id, iid, locale, flags, parameters, result, exception, badArgument);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch **parent) override { return inner_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG *count) override { return inner_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch **object) override
    {
        return inner_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR *name) override
    {
        return inner_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR *value) override
    {
        return inner_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR *text) override
    {
        return inner_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR *help) override
    {
        return inner_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR *file, VARIANT child, LONG *topic) override
    {
        return inner_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR *keys) override
    {
        return inner_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT *child) override { return inner_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT *children) override
    {
        return inner_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR *action) override
    {
        return inner_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return inner_->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG *left, LONG *top, LONG *width, LONG *height, VARIANT child) override
    {
        return inner_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT *end) override
    {
        return inner_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT *child) override
    {
        return inner_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return inner_->accDoDefaultAction(child); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return inner_->put_accName(child, name); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return inner_->put_accValue(child, value);
    }

private:
    ~CheckBoxAccessible() override = default;

    HWND control_;
    ComPtr<IAccessible> inner_;
};

constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK CheckBoxProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        ComPtr<IAccessible> standard;
        if (SUCCEEDED(::CreateStdAccessibleObject(control, OBJID_CLIENT, IID_PPV_ARGS(&standard)))) {
            ComPtr<IAccessible> answer;
            answer.Attach(new (std::nothrow) CheckBoxAccessible(control, std::move(standard)));
            if (answer)
                return ::LresultFromObject(__uuidof(IAccessible), wParam, answer.Get());
        }
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(control, &CheckBoxProc, kSubclassId);
    }
    return ::DefSubclassProc(control, message, wParam, lParam);
}

} // namespace

bool AnswerAsCheckBox(HWND checkBox) { return ::SetWindowSubclass(checkBox, &CheckBoxProc, kSubclassId, 0) != FALSE; }

} // namespace tallowby
