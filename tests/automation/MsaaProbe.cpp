// Reads the open window's check box as assistive technology does, through
// MSAA: prints "role=R name=N checked=0|1" for the button inside the window
// of class Tallowby.Form1. Exit 1 when there is no such window or object.

#include "window/windows/Com.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>

int main()
{
    const tallowby::ComApartment apartment;
    HWND form = ::FindWindowW(L"Tallowby.Form1", nullptr);
    HWND box = form != nullptr ? ::FindWindowExW(form, nullptr, L"Button", nullptr) : nullptr;
    if (box == nullptr) {
        std::puts("no check box");
        return 1;
    }
    Microsoft::WRL::ComPtr<IAccessible> accessible;
    const HRESULT found = ::AccessibleObjectFromWindow(box, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                       reinterpret_cast<void **>(accessible.GetAddressOf()));
    if (FAILED(found)) {
        std::printf("no accessible object (0x%08lX)\n", static_cast<unsigned long>(found));
        return 1;
    }
    VARIANT self;
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    VARIANT role, state;
    ::VariantInit(&role);
    ::VariantInit(&state);
    tallowby::Bstr name;
    if (FAILED(accessible->get_accRole(self, &role)) || FAILED(accessible->get_accState(self, &state)) ||
        FAILED(accessible->get_accName(self, name.put())) || V_VT(&role) != VT_I4 || V_VT(&state) != VT_I4) {
        std::puts("unreadable accessible object");
        return 1;
    }
    const std::u16string text = tallowby::FromBstr(name.get());
    std::printf("role=%ld name=%s checked=%d\n", static_cast<long>(V_I4(&role)),
                std::string(text.begin(), text.end()).c_str(), (V_I4(&state) & STATE_SYSTEM_CHECKED) != 0 ? 1 : 0);
    return 0;
}
