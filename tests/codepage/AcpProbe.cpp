// Prints what the platform derives from the process's locale: the ANSI code
// page, and the system locale's name. With --locales, every locale the
// platform knows, with its default ANSI code page and its identifier.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

BOOL CALLBACK PrintLocale(LPWSTR name, DWORD, LPARAM)
{
    DWORD page = 0;
    if (::GetLocaleInfoEx(name, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                          reinterpret_cast<LPWSTR>(&page), sizeof(page) / sizeof(WCHAR)) == 0)
        return TRUE;
    std::printf("%ls %lu %04lx\n", name, page, ::LocaleNameToLCID(name, 0));
    return TRUE;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--locales") == 0) {
        ::EnumSystemLocalesEx(PrintLocale, LOCALE_ALL, 0, nullptr);
        return 0;
    }
    WCHAR system[LOCALE_NAME_MAX_LENGTH] = {};
    ::GetSystemDefaultLocaleName(system, LOCALE_NAME_MAX_LENGTH);
    std::printf("%u %ls\n", ::GetACP(), system);
    return 0;
}
