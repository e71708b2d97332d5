// Prints how glibc's iconv converts one code page, in PlatformTable's form:
//   L xx           xx is a lead byte
//   D bytes units  bytes to UTF-16; "-" where iconv refuses them
//   E unit bytes d one UTF-16 unit to the code page; "- 1" where refused
// The raw form shows iconv alone; iconv cannot name lead bytes, so they are
// given. The corrected form converts with the Linux build's own codec
// (iconv and the correction table), and must print what the platform
// prints.
// usage: IconvTable raw GLIBC_NAME [LEAD_BYTE_HEX...]
//        IconvTable corrected CODE_PAGE [d:HEX_BYTES... e:HEX_UNITS...]
//        IconvTable name CODE_PAGE          prints the page's glibc name
//        IconvTable acp                     prints the page the Linux build
//                                           takes from the locale
#include "platform/linux/codepage/AnsiCodec.h"
#include "platform/linux/codepage/tables/Corrections.h"

#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace cp = tallowby::platform::codepages;

namespace {

struct Iconv {
    iconv_t decoder;
    iconv_t encoder;
};

// One conversion of the whole input; false where iconv refuses any of it.
bool Convert(iconv_t cd, const unsigned char *in, std::size_t length,
             std::vector<unsigned char> &out)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.assign(32, 0);
    char *from = reinterpret_cast<char *>(const_cast<unsigned char *>(in));
    char *to = reinterpret_cast<char *>(out.data());
    std::size_t left = length, room = out.size();
    if (iconv(cd, &from, &left, &to, &room) == static_cast<std::size_t>(-1) || left != 0)
        return false;
    // Flushes a character glibc holds back to compose it with the next.
    if (iconv(cd, nullptr, nullptr, &to, &room) == static_cast<std::size_t>(-1))
        return false;
    out.resize(out.size() - room);
    return true;
}

std::vector<char16_t> ToUnits(const std::vector<unsigned char> &bytes)
{
    std::vector<char16_t> units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    return units;
}

void PrintBytes(const char *tag, const unsigned char *bytes, std::size_t length)
{
    std::printf("%s ", tag);
    for (std::size_t i = 0; i < length; ++i)
        std::printf("%02X", bytes[i]);
}

bool IsLead(const cp::CodePage &page, unsigned char byte)
{
    for (const auto &range : page.leads) {
        if (range.first != 0 && byte >= range.first && byte <= range.last)
            return true;
    }
    return false;
}

// Converts just the strings given, each as a whole, as PlatformTable does.
int PrintStrings(const tallowby::platform::AnsiCodec &codec, char **strings, int count)
{
    for (int i = 0; i < count; ++i) {
        std::vector<unsigned char> raw;
        for (const char *hex = strings[i] + 2; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
            const char pair[3] = {hex[0], hex[1], '\0'};
            raw.push_back(static_cast<unsigned char>(std::strtoul(pair, nullptr, 16)));
        }
        if (strings[i][0] == 'd') {
            PrintBytes("D", raw.data(), raw.size());
            for (const char16_t unit : codec.Decode(std::string_view(reinterpret_cast<const char *>(raw.data()), raw.size())))
                std::printf(" %04X", unit);
            std::printf("\n");
            continue;
        }
        std::printf("E ");
        std::u16string units;
        for (std::size_t j = 0; j + 1 < raw.size(); j += 2) {
            units.push_back(static_cast<char16_t>(raw[j] << 8 | raw[j + 1]));
            std::printf("%04X", units.back());
        }
        bool anyDefault = false;
        const std::string bytes = codec.Encode(units, &anyDefault);
        PrintBytes("", reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
        std::printf(" %d\n", anyDefault ? 1 : 0);
    }
    return 0;
}

int PrintCorrected(const cp::CodePage &page, const tallowby::platform::AnsiCodec &codec)
{
    for (int b = 0; b < 256; ++b) {
        if (IsLead(page, static_cast<unsigned char>(b)))
            std::printf("L %02X\n", b);
    }
    auto print = [&](const unsigned char *bytes, std::size_t length) {
        PrintBytes("D", bytes, length);
        for (const char16_t unit : codec.Decode(std::string_view(reinterpret_cast<const char *>(bytes), length)))
            std::printf(" %04X", unit);
        std::printf("\n");
    };
    for (int b = 0; b < 256; ++b) {
        const unsigned char one[1] = {static_cast<unsigned char>(b)};
        print(one, 1);
        if (!IsLead(page, one[0]))
            continue;
        for (int t = 0; t < 256; ++t) {
            const unsigned char two[2] = {one[0], static_cast<unsigned char>(t)};
            print(two, 2);
        }
    }
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        bool usedDefault = false;
        const std::string bytes = codec.Encode(std::u16string(1, static_cast<char16_t>(u)), &usedDefault);
        std::printf("E %04X ", u);
        for (const char byte : bytes)
            std::printf("%02X", static_cast<unsigned char>(byte));
        std::printf(" %d\n", usedDefault ? 1 : 0);
    }
    return 0;
}

int PrintRaw(const Iconv &cv, const bool (&lead)[256])
{
    std::vector<unsigned char> out;
    auto print = [&](const unsigned char *bytes, std::size_t length) {
        PrintBytes("D", bytes, length);
        if (!Convert(cv.decoder, bytes, length, out)) {
            std::printf(" -\n");
            return;
        }
        for (const char16_t unit : ToUnits(out))
            std::printf(" %04X", unit);
        std::printf("\n");
    };
    for (int b = 0; b < 256; ++b) {
        if (lead[b])
            std::printf("L %02X\n", b);
    }
    for (int b = 0; b < 256; ++b) {
        const unsigned char one[1] = {static_cast<unsigned char>(b)};
        print(one, 1);
        if (!lead[b])
            continue;
        for (int t = 0; t < 256; ++t) {
            const unsigned char two[2] = {one[0], static_cast<unsigned char>(t)};
            print(two, 2);
        }
    }
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const unsigned char unit[2] = {static_cast<unsigned char>(u & 0xFF),
                                       static_cast<unsigned char>(u >> 8)};
        std::printf("E %04X ", u);
        if (!Convert(cv.encoder, unit, 2, out)) {
            std::printf("- 1\n");
            continue;
        }
        PrintBytes("", out.data(), out.size());
        std::printf(" 0\n");
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "acp") == 0) {
        std::printf("%u\n", tallowby::platform::ProcessCodec().Page());
        return 0;
    }
    if (argc < 3)
        return 2;
    if (std::strcmp(argv[1], "raw") == 0) {
        const Iconv cv = {iconv_open("UTF-16LE", argv[2]), iconv_open(argv[2], "UTF-16LE")};
        if (cv.decoder == reinterpret_cast<iconv_t>(-1) || cv.encoder == reinterpret_cast<iconv_t>(-1)) {
            std::fprintf(stderr, "iconv has no %s\n", argv[2]);
            return 1;
        }
        bool lead[256] = {};
        for (int i = 3; i < argc; ++i)
            lead[std::strtoul(argv[i], nullptr, 16) & 0xFF] = true;
        const int result = PrintRaw(cv, lead);
        iconv_close(cv.decoder);
        iconv_close(cv.encoder);
        return result;
    }
    const cp::CodePage *page = nullptr;
    for (const cp::CodePage &p : cp::kCodePages) {
        if (p.page == std::strtoul(argv[2], nullptr, 10))
            page = &p;
    }
    if (page == nullptr) {
        std::fprintf(stderr, "no code page %s in the table\n", argv[2]);
        return 1;
    }
    if (std::strcmp(argv[1], "name") == 0) {
        std::printf("%.*s\n", static_cast<int>(page->iconvName.size()), page->iconvName.data());
        return 0;
    }
    const auto codec = tallowby::platform::AnsiCodec::Open(page->page);
    if (!codec) {
        std::fprintf(stderr, "iconv has no %.*s\n", static_cast<int>(page->iconvName.size()),
                     page->iconvName.data());
        return 1;
    }
    return argc > 3 ? PrintStrings(*codec, argv + 3, argc - 3) : PrintCorrected(*page, *codec);
}
