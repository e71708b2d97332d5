#include "window/windows/AutomationRegistration.h"

#include "resources/TallowbyAutomation.h"
#include "window/windows/Com.h"

#include <oleauto.h>

#include <new>

namespace tallowby {

namespace {

using Microsoft::WRL::ComPtr;

// The class object of Form1: every instance it makes is the running window.
class Form1ClassObject final : public ComObject<IClassFactory> {
public:
    explicit Form1ClassObject(IUnknown *window) : window_(window) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory *>(this);
        AddRef();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        return window_->QueryInterface(iid, object);
    }
    // The window's own life, not its clients, decides when the program ends.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    ~Form1ClassObject() override = default;

    ComPtr<IUnknown> window_;
};

} // namespace

AutomationRegistration::AutomationRegistration(IUnknown *window) : window_(window)
{
    result_ = ::RegisterActiveObject(window, CLSID_Form1, ACTIVEOBJECT_STRONG, &activeObject_);
    if (FAILED(result_))
        activeObject_ = 0;
    ComPtr<IClassFactory> classObject;
    classObject.Attach(new (std::nothrow) Form1ClassObject(window));
    if (!classObject) {
        result_ = E_OUTOFMEMORY;
        return;
    }
    const HRESULT registered = ::CoRegisterClassObject(CLSID_Form1, classObject.Get(), CLSCTX_LOCAL_SERVER,
                                                       REGCLS_MULTIPLEUSE, &classObject_);
    if (FAILED(registered)) {
        classObject_ = 0;
        result_ = registered;
    }
}

AutomationRegistration::~AutomationRegistration()
{
    if (classObject_ != 0)
        ::CoRevokeClassObject(classObject_);
    if (activeObject_ != 0)
        ::RevokeActiveObject(activeObject_, nullptr);
    ::CoDisconnectObject(window_.Get(), 0);
}

} // namespace tallowby
