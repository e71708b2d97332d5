#include "platform/linux/ini/FirstLookUp.h"

#include "platform/linux/ini/Avx2.h"
#include "platform/linux/ini/IniLexer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tallowby::platform {

namespace {

constexpr auto npos = std::string_view::npos;

bool IsLetter(char c) { return FoldAscii(c) != c || (c >= 'a' && c <= 'z'); }

bool SameFolded(const char *text, std::string_view needle)
{
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (FoldAscii(text[i]) != FoldAscii(needle[i]))
            return false;
    }
    return true;
}

bool EndsLine(char c) { return c == '\n' || c == '\r'; }

// The needle's first and last bytes as the vector searches compare them:
// letters with their case bit set, so both cases match.
struct FoldedEnds {
    char firstCase, first, finalCase, final;
};

FoldedEnds EndsOf(std::string_view needle)
{
    auto caseBit = [](char c) { return static_cast<char>(IsLetter(c) ? 0x20 : 0); };
    const char first = needle.front(), final = needle.back();
    return {caseBit(first), static_cast<char>(first | caseBit(first)), caseBit(final),
            static_cast<char>(final | caseBit(final))};
}

// The first position of `candidates`, bit i for `block + i`, where the
// needle lies; npos when none.
std::size_t FirstMatch(const char *block, std::uint32_t candidates, std::string_view needle)
{
    for (; candidates != 0; candidates &= candidates - 1) {
        const auto bit = static_cast<std::size_t>(std::countr_zero(candidates));
        if (SameFolded(block + bit, needle))
            return bit;
    }
    return npos;
}

#if defined(__x86_64__) || defined(__i386__)
// FindFolded's search, 32 positions at a time, from `at` while 32 fit
// before `last`; `at` is left where it stopped.
__attribute__((target("avx2"))) std::size_t FindFoldedAvx2(std::string_view text, std::size_t &at,
                                                           std::size_t last, std::string_view needle)
{
    const std::size_t n = needle.size();
    const FoldedEnds ends = EndsOf(needle);
    const __m256i firstCase = _mm256_set1_epi8(ends.firstCase), finalCase = _mm256_set1_epi8(ends.finalCase);
    const __m256i first = _mm256_set1_epi8(ends.first), final = _mm256_set1_epi8(ends.final);
    for (; at + 32 <= last + 1; at += 32) {
        const char *block = text.data() + at;
        const __m256i heads =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(block)), firstCase);
        const __m256i tails =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(block + n - 1)), finalCase);
        const auto candidates = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(heads, first), _mm256_cmpeq_epi8(tails, final))));
        if (const std::size_t bit = FirstMatch(block, candidates, needle); bit != npos)
            return at + bit;
    }
    return npos;
}
#endif

// The line of `text` that holds `at`, as NextLine splits the text: from
// after the last CR or LF before `at` to the next one, its text cut at a
// NUL; `next` is where the following line starts.
struct LineAround {
    std::string_view text;
    std::size_t start = 0;
    std::size_t next = 0;
    bool holds = false; // whether `at` lies within the line's text

    LineAround(std::string_view all, std::size_t at)
    {
        start = at;
        while (start > 0 && !EndsLine(all[start - 1]))
            --start;
        std::size_t end = at;
        while (end < all.size() && !EndsLine(all[end]))
            ++end;
        next = end + 1;
        text = all.substr(start, end - start);
        if (const auto nul = text.find('\0'); nul != npos)
            text = text.substr(0, nul);
        holds = at < start + text.size();
    }
};

} // namespace

std::size_t FindHeaderLine(std::string_view text, std::size_t from, std::size_t to)
{
    while (from < to) {
        const void *open = std::memchr(text.data() + from, '[', to - from);
        if (open == nullptr)
            return npos;
        const LineAround line(text, static_cast<std::size_t>(static_cast<const char *>(open) - text.data()));
        if (line.holds && ReadLine(line.text).kind == IniLine::Kind::Header)
            return line.start;
        from = line.next;
    }
    return npos;
}

std::size_t FindFolded(std::string_view text, std::size_t from, std::string_view needle)
{
    const std::size_t n = needle.size();
    if (from > text.size() || text.size() - from < n)
        return npos;
    const std::size_t last = text.size() - n; // the last position the needle fits at
    std::size_t at = from;
#if defined(__x86_64__) || defined(__i386__)
    if (tallowby_has_avx2()) {
        if (const std::size_t found = FindFoldedAvx2(text, at, last, needle); found != npos)
            return found;
    }
#endif
#ifdef __SSE2__
    const FoldedEnds ends = EndsOf(needle);
    const __m128i firstCase = _mm_set1_epi8(ends.firstCase), finalCase = _mm_set1_epi8(ends.finalCase);
    const __m128i first = _mm_set1_epi8(ends.first), final = _mm_set1_epi8(ends.final);
    for (; at + 16 <= last + 1; at += 16) {
        const char *block = text.data() + at;
        const __m128i heads = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(block)), firstCase);
        const __m128i tails =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(block + n - 1)), finalCase);
        const auto candidates = static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, final))));
        if (const std::size_t bit = FirstMatch(block, candidates, needle); bit != npos)
            return at + bit;
    }
#endif
    for (; at <= last; ++at) {
        if (SameFolded(text.data() + at, needle))
            return at;
    }
    return npos;
}

ScannedEntry ScanForEntry(std::string_view text, std::string_view section, std::string_view key,
                          SectionEnd sectionEnd)
{
    section = TrimBlanks(section);
    ScannedEntry scanned;

    // The first header of that name: only a line that holds the name can
    // be one.
    for (std::size_t from = 0; scanned.body == npos;) {
        const std::size_t at = FindFolded(text, from, section);
        if (at == npos)
            return scanned;
        const LineAround line(text, at);
        const IniLine read = line.holds ? ReadLine(line.text) : IniLine{};
        if (read.kind == IniLine::Kind::Header && SameAsTrimmed(read.name, section))
            scanned.body = std::min(line.next, text.size());
        from = line.next;
    }

    return ScanSection(text, scanned.body, key, sectionEnd);
}

ScannedEntry ScanSection(std::string_view text, std::size_t body, std::string_view key, SectionEnd sectionEnd)
{
    key = TrimBlanks(key);
    ScannedEntry scanned;
    scanned.body = body;

    // The first entry of that name before the next header decides.
    std::size_t headersChecked = scanned.body;
    auto ended = [&](std::size_t at) {
        scanned.end = at;
        return scanned;
    };
    for (std::size_t from = scanned.body;;) {
        const std::size_t at = FindFolded(text, from, key);
        if (at == npos) {
            if (sectionEnd == SectionEnd::Unwanted)
                return scanned;
            const std::size_t header = FindHeaderLine(text, headersChecked, text.size());
            return ended(header == npos ? text.size() : header);
        }
        const LineAround line(text, at);
        if (!line.holds) {
            from = line.next;
            continue;
        }
        if (const std::size_t header = FindHeaderLine(text, headersChecked, line.start); header != npos)
            return ended(header);
        headersChecked = line.next;
        const IniLine read = ReadLine(line.text);
        if (read.kind == IniLine::Kind::Header)
            return ended(line.start);
        if (read.kind == IniLine::Kind::Entry && SameAsTrimmed(read.name, key)) {
            scanned.entry = read;
            return scanned;
        }
        from = line.next;
    }
}

IniDocument::SetSite SiteOf(const ScannedEntry &scanned, std::string_view text)
{
    using Kind = IniDocument::SetSite::Kind;
    auto offset = [&](std::string_view piece) { return static_cast<std::size_t>(piece.data() - text.data()); };
    if (!scanned.entry)
        return scanned.body != std::string_view::npos ? IniDocument::SetSite{Kind::SectionEnd, scanned.end}
                                                      : IniDocument::SetSite{Kind::NoSection, text.size()};
    const IniLine &line = *scanned.entry;
    if (line.value)
        return {Kind::Value, offset(*line.value), line.value->size()};
    return {Kind::BareName, offset(line.name) + line.name.size()};
}

std::optional<std::string_view> ScanForValue(std::string_view text, std::string_view section, std::string_view key)
{
    const ScannedEntry scanned = ScanForEntry(text, section, key, SectionEnd::Unwanted);
    return scanned.entry ? scanned.entry->value : std::nullopt;
}

} // namespace tallowby::platform
