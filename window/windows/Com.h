#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <utility>

namespace tallowby {

// This thread's single-threaded apartment, for its lifetime: calls from
// other programs arrive through the thread's message loop.
class ComApartment {
public:
    ComApartment() : result_(::OleInitialize(nullptr)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_))
            ::OleUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

struct BstrTraits {
    using Handle = BSTR;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle text) { ::SysFreeString(text); }
    static DWORD LastError() { return ::GetLastError(); }
    static void SetLastError(DWORD error) { ::SetLastError(error); }
};

// Owner of one BSTR; one made from text is null when memory ran out.
class Bstr : public platform::UniqueHandle<BstrTraits> {
public:
    Bstr() = default;
    explicit Bstr(const std::u16string &text)
        : UniqueHandle(::SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.data()), static_cast<UINT>(text.size())))
    {
    }
};

// The reference count of one of this program's COM objects on the heap,
// which implements `Interface`: it starts at one, held by whoever made the
// object, and deletes the object at zero.
template <typename Interface>
class ComObject : public Interface {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG remaining = --count_;
        if (remaining == 0)
            delete this;
        return remaining;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    ULONG count_ = 1;
};

// The text of an automation string; a null BSTR is the empty text.
inline std::u16string FromBstr(BSTR text)
{
    return text == nullptr ? std::u16string()
                           : std::u16string(reinterpret_cast<const char16_t *>(text), ::SysStringLen(text));
}

} // namespace tallowby
