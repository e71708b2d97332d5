// Coverage-guided fuzzing of the stand-in's INI reading and writing. The
// input is a file's bytes, then after the last 0xFF byte a script of
// changes (so a file may hold 0xFF, as a UTF-16 byte-order mark does). Each
// change of names and values that fit a line must read back at once, and
// again from the bytes written out; after every save, of any names and
// values the calls take, the document must be what reading the file afresh
// gives.

#include "platform/linux/codepage/FileCodec.h"
#include "platform/linux/ini/IniDocument.h"
#include "platform/linux/ini/IniLexer.h"
#include "platform/linux/ini/LayoutCheck.h"
#include "platform/linux/ini/StreamedLookUp.h"
#include "platform/linux/ini/StreamedSet.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using tallowby::platform::Decode;
using tallowby::platform::Encode;
using tallowby::platform::FileEncoding;
using tallowby::platform::IniDocument;
using tallowby::platform::IsInLayout;
using tallowby::platform::LayoutVectors;
using tallowby::platform::TextFromAnsi;
using tallowby::platform::StripQuotes;
using tallowby::platform::TrimBlanks;
using tallowby::platform::TrimLeadingBlanks;

namespace {

// Takes a name or value from the script: up to the next 0xFE byte, without
// NULs, which a caller's text cannot hold.
std::string Take(std::string_view &script)
{
    const auto end = script.find('\xFE');
    std::string text;
    for (const char c : script.substr(0, end)) {
        if (c != '\0')
            text += c;
    }
    script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
    return text;
}

// The plain model: every speed-up switched off.
constexpr tallowby::platform::IniSpeedUps kPlain{false, false, false, false};

// The piece size the next read of a streamed call takes: one byte, all
// the room, or between.
std::size_t NextRead(std::uint32_t &seed, std::size_t room, std::size_t left)
{
    seed = seed * 1103515245u + 12345u;
    const std::uint32_t draw = seed >> 16;
    const std::size_t want = draw % 4 == 0 ? 1 : draw % 4 == 1 ? room : 1 + draw % 97;
    return std::min({want, room, left});
}

// What a process's first look-up finds in `text` read as a file is, in
// pieces of the sizes `seed` draws (one byte, a buffer full, or between),
// into a buffer that starts tiny so that lines outgrow it.
std::optional<std::string> FindStreamed(std::string_view text, std::string_view section, std::string_view key,
                                        std::uint32_t seed)
{
    tallowby::platform::StreamedLookUp lookUp(section, key, 1 + seed % 64);
    while (!lookUp.Done()) {
        const auto room = lookUp.Room();
        const std::size_t size = NextRead(seed, room.size(), text.size());
        std::memcpy(room.data(), text.data(), size);
        text.remove_prefix(size);
        lookUp.Took(size);
    }
    return lookUp.Value();
}

// A process's first set of `value` under `key` in `section` of `text`, read
// as FindStreamed reads it: the new text it writes, when it writes one.
using tallowby::platform::StreamedSet;
StreamedSet::Outcome SetStreamed(std::string_view text, std::string_view section, std::string_view key,
                                 std::string_view value, std::uint32_t seed, std::string &written)
{
    StreamedSet set(section, key, value, 1 + seed % 64);
    while (set.Result() == StreamedSet::Outcome::Copying) {
        const auto room = set.Room();
        const std::size_t size = NextRead(seed, room.size(), text.size());
        std::memcpy(room.data(), text.data(), size);
        text.remove_prefix(size);
        for (const std::string_view piece : set.Took(size))
            written += piece;
    }
    return set.Result();
}

// Whether `text` holds none of `forbidden`.
bool Without(std::string_view text, std::string_view forbidden)
{
    return text.find_first_of(forbidden) == std::string_view::npos;
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
    const auto split = input.rfind('\xFF');
    std::string_view script = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    auto file = Decode(std::string(input.substr(0, split)));
    const FileEncoding encoding = file.encoding;
    // The layout check, with either vectors, tells what laying the text out
    // again tells.
    const bool inLayout = IniDocument::FromText(file.text, kPlain).LayOut() == file.text;
    CHECK(IsInLayout(file.text) == inLayout);
    CHECK(IsInLayout(file.text, LayoutVectors::Narrowest) == inLayout);
    // Every operation goes to the document with its speed-ups and to the
    // plain model, which must answer and write alike.
    IniDocument document = IniDocument::FromText(file.text);
    IniDocument plain = IniDocument::FromText(std::move(file.text), kPlain);
    // Names and values are given as the calls give them: converted from the
    // code page to the file's text form.
    auto asText = [encoding](const std::string &text) { return TextFromAnsi(encoding, text); };
    // A first line that starts with the bytes of a byte-order mark reads
    // back as one, on the platform too.
    auto reread = [encoding](std::string_view bytes) {
        auto again = Decode(std::string(bytes));
        return again.encoding == encoding ? std::optional(IniDocument::FromText(std::move(again.text), kPlain))
                                          : std::nullopt;
    };
    auto sameAnswers = [&](std::string_view section, std::string_view key) {
        CHECK(document.Find(section, key) == plain.Find(section, key));
        CHECK(document.KeyNames(section) == plain.KeyNames(section));
    };
    // A save as ProfileFile makes it: spliced where the document offers it,
    // else laid out whole; then the document must be what reading the file
    // afresh gives, and the plain model's save must have written the same.
    auto save = [&](std::string_view section, std::string_view key) {
        if (const auto splice = document.SpliceChange())
            document.SettleSpliced(*splice);
        else
            document.SettleLaidOut(document.LayOut());
        plain.SettleLaidOut(plain.LayOut());
        CHECK(document.Text() == plain.Text());
        sameAnswers(section, key);
        auto fresh = reread(Encode(encoding, document.Text()).view());
        if (!fresh)
            return;
        CHECK(document.Find(section, key) == fresh->Find(section, key));
        CHECK(document.KeyNames(section) == fresh->KeyNames(section));
        CHECK(document.LayOut() == fresh->LayOut());
    };
    bool everyChangeFits = true;
    while (!script.empty()) {
        const char operation = script.front();
        script.remove_prefix(1);
        const std::string section = asText(Take(script));
        std::string key = asText(Take(script));
        const std::string value = asText(Take(script));
        // A name that reads as a byte-order mark when it comes first in the
        // file makes the file another form's, which the snapshot of the file
        // notices, not the document.
        if (Decode(std::string(TrimLeadingBlanks(key))).encoding != FileEncoding::Ansi)
            key.insert(0, "k");
        // Names and values that fit a line: no line break, no "]" in a
        // section's name, no "=" in a key's, which no "[" starts.
        constexpr std::string_view kLineBreaks("\r\n", 2);
        const bool fits = Without(section, "\r\n]") && Without(key, "\r\n=") &&
                          !TrimLeadingBlanks(key).starts_with('[') && Without(value, kLineBreaks);
        everyChangeFits = everyChangeFits && (fits || operation % 3 == 2);
        switch (operation % 3) {
        case 0: {
            CHECK(document.Set(section, key, value) == plain.Set(section, key, value));
            // Every splice offered writes what the plain model lays out; some
            // saves come before any look-up needs the lines.
            if (const auto splice = document.SpliceChange()) {
                std::string spliced = document.Text();
                spliced.replace(splice->at, splice->removed, splice->inserted);
                CHECK(spliced == plain.LayOut());
            }
            if (operation & 0x10)
                save(section, key);
            sameAnswers(section, key);
            CHECK(document.LayOut() == plain.LayOut());
            if (!fits) {
                save(section, key);
                break;
            }
            const std::string expected(StripQuotes(TrimBlanks(TrimLeadingBlanks(value))));
            const auto found = document.Find(section, key);
            CHECK(found && StripQuotes(*found) == expected);
            auto written = reread(Encode(encoding, document.LayOut()).view());
            if (!written)
                return 0;
            const auto again = written->Find(section, key);
            CHECK(again && StripQuotes(*again) == expected);
            save(section, key);
            const auto settled = document.Find(section, key);
            CHECK(settled && StripQuotes(*settled) == expected);
            break;
        }
        case 1:
            CHECK(document.RemoveKey(section, key) == plain.RemoveKey(section, key));
            break;
        default: {
            sameAnswers(section, key);
            // A first look-up of a text just read, made in the text, answers
            // as the plain model's lines do.
            IniDocument fresh = IniDocument::FromText(document.Text());
            IniDocument freshPlain = IniDocument::FromText(document.Text(), kPlain);
            CHECK(fresh.Find(section, key) == freshPlain.Find(section, key));
            // So does one made while the file is read, whole, cut short or
            // grown as another program may leave it while read.
            if (TrimBlanks(section).empty() || TrimBlanks(key).empty())
                break;
            std::uint32_t seed = static_cast<unsigned char>(operation);
            for (const char c : value)
                seed = seed * 31 + static_cast<unsigned char>(c);
            const std::string &text = document.Text();
            const std::string cut = text.substr(0, seed % (text.size() + 1));
            const std::string grown = text + "\r\n[" + section + "]\n" + key + "=" + value;
            for (const std::string &read : {text, cut, grown}) {
                CHECK(FindStreamed(read, section, key, seed) == IniDocument::FromText(read, kPlain).Find(section, key));
                // A first set made while the file is copied writes what the
                // plain model lays out, and takes every text the document
                // would splice.
                std::string copy;
                const auto outcome = SetStreamed(read, section, key, value, seed, copy);
                IniDocument spliced = IniDocument::FromText(read), model = IniDocument::FromText(read, kPlain);
                const bool changed = model.Set(section, key, value);
                CHECK(spliced.Set(section, key, value) == changed);
                if (outcome == StreamedSet::Outcome::Unchanged)
                    CHECK(!changed);
                else if (outcome == StreamedSet::Outcome::Written)
                    CHECK(changed && copy == model.LayOut());
                else
                    CHECK(!changed || !spliced.SpliceChange());
            }
            break;
        }
        }
    }
    CHECK(document.SectionNames() == plain.SectionNames());
    auto written = reread(Encode(encoding, document.LayOut()).view());
    if (!written || !everyChangeFits)
        return 0;
    // Names read back without the trailing blanks a change may have given
    // them. A section without a name is written without its header, as the
    // platform writes it, so it is no section when read back.
    auto named = [](std::vector<std::string> names) {
        std::erase_if(names, [](const std::string &name) { return TrimBlanks(name).empty(); });
        return names;
    };
    const auto before = named(document.SectionNames()), after = named(written->SectionNames());
    CHECK(before.size() == after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        CHECK(tallowby::platform::SameName(before[i], after[i]));
    return 0;
}
