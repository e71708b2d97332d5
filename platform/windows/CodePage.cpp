#include "platform/CodePage.h"

#include <windows.h>

#include <limits>
#include <new>

namespace tallowby::platform {

namespace {

int CheckedLength(std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::bad_alloc();
    return static_cast<int>(size);
}

// Throws what made the conversion that returned `result` fail, if it did.
void CheckConverted(int result)
{
    if (result > 0)
        return;
    const DWORD error = ::GetLastError();
    if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY)
        throw std::bad_alloc();
    throw ConversionFailure(error != 0 ? error : ERROR_GEN_FAILURE);
}

} // namespace

std::string ToAnsi(std::u16string_view text)
{
    if (text.empty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.data());
    const int length = CheckedLength(text.size());
    // No best fit: a character the code page lacks must not turn into a
    // different, look-alike character in the settings file.
    const int needed = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length,
                                             nullptr, 0, "?", nullptr);
    CheckConverted(needed);
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    CheckConverted(::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), needed,
                                         "?", nullptr));
    return bytes;
}

std::u16string FromAnsi(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const int length = CheckedLength(bytes.size());
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    CheckConverted(needed);
    std::u16string text(static_cast<std::size_t>(needed), u'\0');
    CheckConverted(::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length,
                                         reinterpret_cast<wchar_t *>(text.data()), needed));
    return text;
}

} // namespace tallowby::platform
