#pragma once

#include <unknwn.h>
#include <windows.h>

#include <wrl/client.h>

namespace tallowby {

// Makes a running window reachable by other programs of this user for the
// registration's lifetime: in the running object table under CLSID_Form1
// (GetActiveObject), and as the class object that CreateObject asks for,
// which hands out this same window. The end revokes both and disconnects
// the clients still holding the window, so none can call into a program
// that is ending. The program works on when the platform refuses either
// registration; `Result()` tells why.
class AutomationRegistration {
public:
    explicit AutomationRegistration(IUnknown *window);
    ~AutomationRegistration();
    AutomationRegistration(const AutomationRegistration &) = delete;
    AutomationRegistration &operator=(const AutomationRegistration &) = delete;

    HRESULT Result() const { return result_; }

private:
    Microsoft::WRL::ComPtr<IUnknown> window_;
    DWORD activeObject_ = 0;
    DWORD classObject_ = 0;
    HRESULT result_ = S_OK;
};

} // namespace tallowby
