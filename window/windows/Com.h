#pragma once

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

// Owner of one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::u16string &text)
        : text_(::SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.data()), static_cast<UINT>(text.size())))
    {
    }
    Bstr(Bstr &&other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
    Bstr &operator=(Bstr other) noexcept
    {
        std::swap(text_, other.text_);
        return *this;
    }
    ~Bstr() { ::SysFreeString(text_); }

    BSTR get() const { return text_; }
    BSTR *put()
    {
        *this = Bstr();
        return &text_;
    }
    BSTR release() { return std::exchange(text_, nullptr); }

private:
    BSTR text_ = nullptr;
};

// The text of an automation string; a null BSTR is the empty text.
inline std::u16string FromBstr(BSTR text)
{
    return text == nullptr ? std::u16string()
                           : std::u16string(reinterpret_cast<const char16_t *>(text), ::SysStringLen(text));
}

} // namespace tallowby
