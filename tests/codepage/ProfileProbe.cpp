// Drives the platform's private-profile calls with raw bytes, to see what
// they do with double-byte text: at a buffer's edge, and around a lead byte
// that has no trail.
// usage: ProfileProbe.exe FILE get KEY SIZE...   prints "SIZE COUNT HEX"
//        ProfileProbe.exe FILE set KEY HEX_VALUE prints the call's result
// The section is always "ExcelData"; HEX is the buffer up to COUNT + 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    const char *file = argv[1];
    const char *key = argv[3];
    if (std::strcmp(argv[2], "set") == 0) {
        std::string value;
        for (const char *hex = argv[4]; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
            const char pair[3] = {hex[0], hex[1], '\0'};
            value.push_back(static_cast<char>(std::strtoul(pair, nullptr, 16)));
        }
        std::printf("%d\n", ::WritePrivateProfileStringA("ExcelData", key, value.c_str(), file));
        return 0;
    }
    for (int i = 4; i < argc; ++i) {
        const DWORD size = static_cast<DWORD>(std::atoi(argv[i]));
        // A marker past the NUL shows how far the call wrote.
        std::vector<char> buffer(size + 8, '\x7f');
        const DWORD count = ::GetPrivateProfileStringA("ExcelData", key, "", buffer.data(), size, file);
        std::printf("%lu %lu ", size, count);
        for (DWORD j = 0; j < count + 1 && j < size + 2; ++j)
            std::printf("%02X", static_cast<unsigned char>(buffer[j]));
        std::printf("\n");
    }
    return 0;
}
