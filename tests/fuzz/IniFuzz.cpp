// Coverage-guided fuzzing of the stand-in's INI reading and writing. The
// input is a file's bytes, then after a 0xFF byte a script of changes. Each
// change must read back at once, and again from the bytes written out.

#include "platform/linux/IniDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using tallowby::platform::IniDocument;
using tallowby::platform::StripQuotes;
using tallowby::platform::TrimBlanks;
using tallowby::platform::TrimLeadingBlanks;

namespace {

// Takes a name or value from the script: up to the next 0xFE byte, with the
// characters that would change other lines of the file removed.
std::string Take(std::string_view &script, std::string_view forbidden)
{
    const auto end = script.find('\xFE');
    std::string text;
    for (const char c : script.substr(0, end)) {
        if (forbidden.find(c) == std::string_view::npos)
            text += c;
    }
    script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
    return text;
}

#define CHECK(condition)                                                                                   \
    do {                                                                                                   \
        if (!(condition)) {                                                                                \
            std::fprintf(stderr, "check failed, line %d: %s\n", __LINE__, #condition);                      \
            std::abort();                                                                                  \
        }                                                                                                  \
    } while (false)

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const auto split = input.find('\xFF');
    std::string_view script = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    IniDocument document = IniDocument::Parse(std::string(input.substr(0, split)));
    document.SectionNames();
    constexpr std::string_view kLineBreaks("\r\n\0", 3);
    while (!script.empty()) {
        const char operation = script.front();
        script.remove_prefix(1);
        std::string section = Take(script, std::string(kLineBreaks) + "]");
        std::string key = Take(script, std::string(kLineBreaks) + "=");
        const std::string value = Take(script, kLineBreaks);
        // A name that reads as a header, or as a byte-order mark when it
        // comes first in the file, is another line.
        const std::string_view bare = TrimLeadingBlanks(key);
        if ((!bare.empty() && bare.front() == '[') || bare.substr(0, 3) == "\xEF\xBB\xBF")
            key.insert(0, "k");
        switch (operation % 3) {
        case 0: {
            document.Set(section, key, value);
            const std::string expected(StripQuotes(TrimBlanks(TrimLeadingBlanks(value))));
            const auto found = document.Find(section, key);
            CHECK(found && *found == expected);
            // A first line that starts with the bytes of a byte-order mark
            // reads back as one, on the platform too.
            const std::string &bytes = document.Bytes();
            if (bytes.substr(0, 3) == "\xEF\xBB\xBF" && input.substr(0, 3) != "\xEF\xBB\xBF")
                return 0;
            const IniDocument reread = IniDocument::Parse(bytes);
            const auto again = reread.Find(section, key);
            CHECK(again && *again == expected);
            break;
        }
        case 1:
            document.RemoveKey(section, key);
            break;
        default:
            document.Find(section, key);
            document.KeyNames(section);
            break;
        }
    }
    const std::string bytes = document.Bytes();
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF" && input.substr(0, 3) != "\xEF\xBB\xBF")
        return 0;
    const IniDocument reread = IniDocument::Parse(bytes);
    // Names read back without the trailing blanks a change may have given them.
    const auto before = document.SectionNames(), after = reread.SectionNames();
    CHECK(before.size() == after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        CHECK(tallowby::platform::SameName(before[i], after[i]));
    return 0;
}
