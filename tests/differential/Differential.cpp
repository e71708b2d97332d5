// Runs seeded random settings files and private-profile calls through this
// build's kernel32 (the Linux stand-in, or the platform's own under Wine) and
// prints a transcript of every result and of the file after each change.
// Two builds agree when their transcripts are the same. Outside code page
// 1252 the names and values also come from the code page in force.
// usage: differential FIRST_SEED LAST_SEED

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/Utf8.h"
#include "platform/Kernel32Api.h"
#include "settings/BoundEntry.h"
#include "tests/support/CodePageInForce.h"
#include "tests/support/HostPath.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace tallowby;

// A generator whose numbers are the same on every compiler and library.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    std::uint32_t Below(std::uint32_t n)
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_ % n;
    }
    template <typename T>
    const T &Pick(const std::vector<T> &items) { return items[Below(static_cast<std::uint32_t>(items.size()))]; }

private:
    std::uint32_t state_;
};

// The sections, keys and values the calls and files are made of.
struct Words {
    std::vector<std::string> sections{"ExcelData", "exceldata", "Other", "S", " S ", "A B", ""};
    std::vector<std::string> keys{"Key", "key", "KEY", "k1", "a b", " Key ", ";c", "#c", "Caf\xe9", "k\t"};
    std::vector<std::string> values{"v", "  v  ", "\"q\"", "'q'", "\"q", "", "a=b", "tab\tv", "caf\xe9", "x y z"};
};

// The words, and in a code page other than 1252 its own characters as its
// bytes: letters of its script that differ only in case, in a double-byte
// page characters whose trail byte is "\", "[", "]" or a letter, and bytes
// that are no character (a lead byte before a blank, before "]" or at the
// end, bytes the page leaves undefined), which the platform rewrites.
Words WordsOf(std::uint32_t page)
{
    Words words;
    auto add = [](std::vector<std::string> &to, std::initializer_list<const char *> more) {
        to.insert(to.end(), more.begin(), more.end());
    };
    switch (page) {
    case 1251:
        add(words.keys, {"\xca\xeb\xfe\xf7", "\xca\xcb\xde\xd7", "k\xe0 "});
        add(words.values, {"\xcc\xee\xf1\xea\xe2\xe0", " \xe0 ", "\x98"});
        add(words.sections, {"\xd1", "\xf1"});
        break;
    case 1253:
        add(words.keys, {"\xca\xeb\xe5\xe9\xe4\xdf", "\xca\xcb\xc5\xc9\xc4\xc9", "k\xe1 "});
        add(words.values, {"\xd9\xec\xdd\xe3\xe1", "\xaa", "\xd2"});
        add(words.sections, {"\xd3", "\xf3"});
        break;
    case 932:
        add(words.keys, {"\x83\x5c\x95\x5c", "\x83\x41", "\x83\x61", "\x81\x5b\x81\x5d", "\x93\xfa\x96\x7b"});
        add(words.values, {"\x83\x5c", "\x81\x5d]", "\x93\xfa\x96\x7b\x8c\xea", "\x81 z", "\x82", "\xa0\xfd\x80"});
        add(words.sections, {"\x81\x5d", "S\x82", "\x83\x41"});
        break;
    case 936:
        add(words.keys, {"\x81\x5c\x81\x5b", "\x81\x41", "\x81\x61", "\xd6\xd0\xce\xc4"});
        add(words.values, {"\x81\x5d", "\xd6\xd0", "\x81 z", "\x81", "\x80", "\xff"});
        add(words.sections, {"\x81\x5d", "S\x81", "\x81\x61"});
        break;
    default:
        break;
    }
    return words;
}

const std::vector<std::string> kDefaults = {"d", "  d  ", "", "\"d\"", "d\t"};
const std::vector<std::uint32_t> kSizes = {1, 2, 5, 255, 4096, 150000};
constexpr std::size_t kLongLine = 100000;

std::string Line(Random &random, const Words &words)
{
    switch (random.Below(12)) {
    case 0: return "[" + random.Pick(words.sections) + "]";
    case 1: return " [ " + random.Pick(words.sections) + " ] junk";
    case 2: return "[" + random.Pick(words.sections);
    case 3: return "";
    case 4: return "   ";
    case 5: return "; comment";
    case 6: return random.Pick(words.keys);
    case 7: return "=e";
    case 8: return std::string(random.Below(3000), 'L') + "=long";
    case 9: return random.Pick(words.keys) + "=a" + std::string(1, '\0') + "b";
    default: return random.Pick(words.keys) + (random.Below(2) ? " = " : "=") + random.Pick(words.values);
    }
}

// The file's text in one of the forms peers write: ANSI mostly, else UTF-8
// or UTF-16 with a byte-order mark, holding characters ANSI lacks too.
std::string Encode(Random &random, const std::string &ansi)
{
    const std::uint32_t form = random.Below(8);
    if (form > 2)
        return ansi;
    const std::u16string text = platform::FromAnsi(ansi) + u"\r\nu=\u03a9\u4e2d\U0001F600\r\n";
    if (form == 0)
        return "\xef\xbb\xbf" + platform::ToUtf8(text);
    std::string bytes = form == 1 ? "\xff\xfe" : "\xfe\xff";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += form == 1 ? low : high;
        bytes += form == 1 ? high : low;
    }
    return bytes;
}

std::string MakeFile(Random &random, const Words &words)
{
    const std::vector<std::string> ends = {"\r\n", "\n", "\r"};
    const std::string &end = random.Pick(ends);
    std::string file;
    const std::uint32_t lines = random.Below(14);
    // Now and then a line far longer than any buffer.
    const std::uint32_t longLine = random.Below(20) == 0 ? random.Below(lines + 1) : lines + 1;
    for (std::uint32_t i = 0; i < lines; ++i) {
        if (i == longLine)
            file += random.Pick(words.keys) + "=" + std::string(kLongLine, 'V');
        else
            file += Line(random, words);
        if (i + 1 < lines || random.Below(2))
            file += random.Below(8) ? end : random.Pick(ends);
    }
    return Encode(random, file);
}

std::string Hex(const std::string &bytes)
{
    std::string out;
    char digits[4];
    for (const unsigned char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", c);
        out += digits;
    }
    return out;
}

// Bytes as hex; long ones as their length and a hash, to keep transcripts
// small.
std::string Show(const std::string &bytes)
{
    if (bytes.size() < 16384)
        return Hex(bytes);
    std::uint64_t hash = 14695981039346656037u;
    for (const unsigned char c : bytes)
        hash = (hash ^ c) * 1099511628211u;
    char text[64];
    std::snprintf(text, sizeof text, "%zu bytes, hash %016llx", bytes.size(), static_cast<unsigned long long>(hash));
    return text;
}

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<none>";
    return Show(std::string(std::istreambuf_iterator<char>(in), {}));
}

// Text for a transcript: a string between quotes, or "null".
std::string Arg(const char *text)
{
    if (text == nullptr)
        return "null";
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

// Calls whose arguments the platform gives meanings of its own: a null
// section, key, value or default, a null file (win.ini), an empty one or one
// whose name holds a wildcard, and
// buffers of 0, 1 and 2 bytes. They come from a generator of their own,
// after a seed's other calls, so that those stay as they were. A line shows
// what the call wrote up to its NUL, whether the byte past the buffer was
// left alone, and the last error where the platform defines it: after a
// get, and after a write that failed. Left out, as differences kept on
// purpose: writes with a null section and a null key, which the platform
// crashes on, and lists of keys in a buffer of 1 or 2 bytes, which it fills
// with the default or fails with ERROR_INVALID_PARAMETER where the stand-in
// cuts the list as documented.
void CallWithArgumentFaults(Random &random, const Words &words, platform::WritePrivateProfileStringAFn write,
                            platform::GetPrivateProfileStringAFn get, const char *file,
                            const std::filesystem::path &path, const std::filesystem::path &winIni,
                            std::string &buffer)
{
    constexpr std::uint32_t kUntouched = 0xC0FFEE;
    auto maybeNull = [&](const std::string &text) { return random.Below(3) == 0 ? nullptr : text.c_str(); };
    const std::vector<const char *> files = {file, file, nullptr, "", "C:\\Excel?.ini"};
    const char *section = maybeNull(random.Pick(words.sections));
    const char *key = maybeNull(random.Pick(words.keys));
    const char *target = random.Pick(files);
    platform::SetLastError(kUntouched);
    if (random.Below(2)) {
        const char *fallback = maybeNull(random.Pick(kDefaults));
        const bool keyList = section != nullptr && key == nullptr;
        const std::vector<std::uint32_t> sizes = keyList ? std::vector<std::uint32_t>{0, 255}
                                                         : std::vector<std::uint32_t>{0, 1, 2, 255};
        const std::uint32_t size = random.Pick(sizes);
        buffer.assign(buffer.size(), '\x7f');
        const auto count = get(section, key, fallback, buffer.data(), size, target);
        const auto error = platform::LastError();
        std::printf("  fault get %s %s default %s size %lu file %s -> %lu %s%s error %lu\n", Arg(section).c_str(),
                    Arg(key).c_str(), Arg(fallback).c_str(), static_cast<unsigned long>(size), Arg(target).c_str(),
                    static_cast<unsigned long>(count),
                    Show(buffer.substr(0, std::min<std::size_t>(count + 1, size))).c_str(),
                    buffer[size] == '\x7f' ? "" : " past the end", static_cast<unsigned long>(error));
    } else {
        section = key != nullptr && random.Below(4) == 0 ? nullptr : random.Pick(words.sections).c_str();
        const char *value = maybeNull(random.Pick(words.values));
        const int ok = write(section, key, value, target);
        const auto error = platform::LastError();
        std::printf("  fault write %s %s value %s file %s -> %d error %lu file %s\n", Arg(section).c_str(),
                    Arg(key).c_str(), Arg(value).c_str(), Arg(target).c_str(), ok ? 1 : 0,
                    ok ? 0ul : static_cast<unsigned long>(error),
                    ReadFile(target == nullptr ? winIni : path).c_str());
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: differential FIRST_SEED LAST_SEED\n");
        return 2;
    }
    BoundEntry<platform::WritePrivateProfileStringAFn> writeEntry("kernel32", "WritePrivateProfileStringA");
    BoundEntry<platform::GetPrivateProfileStringAFn> getEntry("kernel32", "GetPrivateProfileStringA");
    platform::WritePrivateProfileStringAFn write = nullptr;
    platform::GetPrivateProfileStringAFn get = nullptr;
    if (writeEntry.Get(write).failed() || getEntry.Get(get).failed())
        return 1;
    const std::uint32_t page = test::CodePageInForce();
    if (const auto expected = test::ExpectedCodePage(); expected && *expected != page) {
        std::fprintf(stderr, "differential: code page %lu, not %lu: is the locale generated?\n",
                     static_cast<unsigned long>(page), static_cast<unsigned long>(*expected));
        return 1;
    }
    const Words words = WordsOf(page);

    const char *file = test::SettingsFileName().c_str();
    const auto path = test::SettingsPath();
    // What a null file name stands for; each seed starts without it.
    const auto winIni = test::HostPath("C:\\windows\\win.ini");
    std::filesystem::create_directories(path.parent_path());
    std::string buffer(kSizes.back() + 1, '\0');
    const long last = std::atol(argv[2]);
    for (long seed = std::atol(argv[1]); seed <= last; ++seed) {
        Random random(static_cast<std::uint32_t>(seed));
        const std::string before = MakeFile(random, words);
        // An empty file is no file: the platform's cache would otherwise
        // write an emptied file in the form the file had in the seed before.
        std::filesystem::remove(path);
        std::filesystem::remove(winIni);
        if (!before.empty())
            std::ofstream(path, std::ios::binary | std::ios::trunc) << before;
        std::printf("seed %ld file %s\n", seed, Show(before).c_str());
        const std::uint32_t operations = 1 + random.Below(8);
        for (std::uint32_t i = 0; i < operations; ++i) {
            const std::string &section = random.Pick(words.sections);
            const std::string &key = random.Pick(words.keys);
            if (random.Below(2)) {
                const std::string &fallback = random.Pick(kDefaults);
                const std::uint32_t size = random.Pick(kSizes);
                buffer.assign(buffer.size(), '\x7f');
                const auto count = get(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(), size, file);
                std::printf("  get [%s] %s -> %lu %s\n", section.c_str(), key.c_str(),
                            static_cast<unsigned long>(count), Show(buffer.substr(0, count + 1)).c_str());
            } else {
                const bool remove = random.Below(6) == 0;
                const std::string &value = random.Pick(words.values);
                const int ok = write(section.c_str(), key.c_str(), remove ? nullptr : value.c_str(), file);
                std::printf("  write [%s] %s -> %d file %s\n", section.c_str(), key.c_str(), ok ? 1 : 0,
                            ReadFile(path).c_str());
            }
        }
        Random faults(static_cast<std::uint32_t>(seed) ^ 0x5BD1E995u);
        for (std::uint32_t i = 1 + faults.Below(4); i > 0; --i)
            CallWithArgumentFaults(faults, words, write, get, file, path, winIni, buffer);
    }
    return 0;
}
