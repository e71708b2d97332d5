// Prints how the platform converts one code page, in the form that
// IconvTable prints for glibc, so that the two can be compared line by line:
//   L xx           xx is a lead byte (IsDBCSLeadByteEx)
//   D bytes units  MultiByteToWideChar of those bytes, flags 0: every byte
//                  alone, and every lead byte before every trail byte
//   E unit bytes d WideCharToMultiByte of each UTF-16 unit U+0000-U+FFFF,
//                  without best fit and with "?" as default; d: 1 if the
//                  default was used
// usage: PlatformTable.exe CODE_PAGE
//        PlatformTable.exe CODE_PAGE d:HEX_BYTES... e:HEX_UNITS...
// The second form converts just the strings given, each as a whole.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int FromHex(const char *hex, unsigned char *out, int size)
{
    int count = 0;
    for (; hex[0] != '\0' && hex[1] != '\0' && count < size; hex += 2) {
        const char pair[3] = {hex[0], hex[1], '\0'};
        out[count++] = static_cast<unsigned char>(std::strtoul(pair, nullptr, 16));
    }
    return count;
}

void PrintEncoded(UINT page, const WCHAR *units, int length)
{
    char bytes[64] = {};
    BOOL usedDefault = FALSE;
    const int count = ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, units, length, bytes,
                                            sizeof(bytes), "?", &usedDefault);
    std::printf("E ");
    for (int i = 0; i < length; ++i)
        std::printf("%04X", units[i]);
    std::printf(" ");
    for (int i = 0; i < count; ++i)
        std::printf("%02X", static_cast<unsigned char>(bytes[i]));
    std::printf(" %d\n", usedDefault ? 1 : 0);
}

void PrintDecoded(UINT page, const char *bytes, int length)
{
    WCHAR units[64] = {};
    const int count = ::MultiByteToWideChar(page, 0, bytes, length, units, 64);
    std::printf("D ");
    for (int i = 0; i < length; ++i)
        std::printf("%02X", static_cast<unsigned char>(bytes[i]));
    for (int i = 0; i < count; ++i)
        std::printf(" %04X", units[i]);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const UINT page = static_cast<UINT>(std::atoi(argv[1]));
    CPINFO info = {};
    if (!::GetCPInfo(page, &info))
        return 1;
    if (argc > 2) {
        for (int i = 2; i < argc; ++i) {
            unsigned char raw[64] = {};
            const int length = FromHex(argv[i] + 2, raw, sizeof(raw));
            if (argv[i][0] == 'd') {
                PrintDecoded(page, reinterpret_cast<const char *>(raw), length);
            } else {
                WCHAR units[32] = {};
                for (int j = 0; j + 1 < length; j += 2)
                    units[j / 2] = static_cast<WCHAR>(raw[j] << 8 | raw[j + 1]);
                PrintEncoded(page, units, length / 2);
            }
        }
        return 0;
    }
    bool lead[256] = {};
    for (int b = 0; b < 256; ++b) {
        lead[b] = ::IsDBCSLeadByteEx(page, static_cast<BYTE>(b)) != 0;
        if (lead[b])
            std::printf("L %02X\n", b);
    }
    for (int b = 0; b < 256; ++b) {
        const char one[1] = {static_cast<char>(b)};
        PrintDecoded(page, one, 1);
        if (!lead[b])
            continue;
        for (int t = 0; t < 256; ++t) {
            const char two[2] = {static_cast<char>(b), static_cast<char>(t)};
            PrintDecoded(page, two, 2);
        }
    }
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const WCHAR unit = static_cast<WCHAR>(u);
        PrintEncoded(page, &unit, 1);
    }
    return 0;
}
