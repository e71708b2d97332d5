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
    if (needed <= 0)
        throw std::bad_alloc();
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), needed,
                          "?", nullptr);
    return bytes;
}

std::u16string FromAnsi(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const int length = CheckedLength(bytes.size());
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0)
        throw std::bad_alloc();
    std::u16string text(static_cast<std::size_t>(needed), u'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length,
                          reinterpret_cast<wchar_t *>(text.data()), needed);
    return text;
}

} // namespace tallowby::platform
