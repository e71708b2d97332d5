#include "platform/linux/ini/LayoutCheck.h"

#include "platform/linux/ini/Avx2.h"
#include "platform/linux/ini/IniLayout.h"
#include "platform/linux/ini/IniLexer.h"

#include <bit>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tallowby::platform {

namespace {

// Reads the lines that hold the positions the checks point at, each line
// once, in a text whose line ends are CR LF up to those positions.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // Whether the lines that hold `positions` (bit j for the byte at
    // `at + j`) are laid out, and none is an entry without a name after
    // another; reads each line not read yet.
    bool LaidOut(std::size_t at, std::uint64_t positions)
    {
        for (; positions != 0; positions &= positions - 1) {
            const std::size_t position = at + static_cast<std::size_t>(std::countr_zero(positions));
            if (position >= readTo_ && !ReadLineAt(position))
                return false;
        }
        return true;
    }

private:
    std::size_t LineStart(std::size_t from) const
    {
        while (from > 0 && text_[from - 1] != '\n')
            --from;
        return from;
    }

    bool ReadLineAt(std::size_t position)
    {
        const std::size_t start = LineStart(position);
        std::size_t next = start;
        const std::string_view raw = NextLine(text_, next);
        const std::size_t rawEnd = start + raw.size();
        const IniLine line = ReadLine(raw);
        if (!ini_layout::IsLaidOut(raw, text_.substr(rawEnd, next - rawEnd), line))
            return false;
        // The line before an entry without a name ends in CR LF; it must not
        // be one too.
        const bool nameless = line.kind == IniLine::Kind::Entry && line.name.empty();
        if (nameless && start > 0 && text_[LineStart(start - 2)] == '=')
            return false;
        readTo_ = next;
        return true;
    }

    std::string_view text_;
    std::size_t readTo_ = 0;
};

// Every check looks at a byte and the byte before it (a line end before the
// text's start). A laid-out text pairs each CR with an LF after it, and a
// line that starts with neither a blank, its line end, "[" nor "=", ends in
// no blank, and holds no blank but spaces, no control character and no
// space beside an "=" is laid out without being read. Each checker takes
// the positions [at, end) in windows of its width, and returns where it
// stopped, or 0 when the text is not laid out.
std::size_t CheckBytes(std::string_view text, std::size_t at, std::size_t end, LineReader &lines)
{
    for (; at < end; ++at) {
        const auto x = static_cast<unsigned char>(text[at]);
        const auto before = at > 0 ? static_cast<unsigned char>(text[at - 1]) : '\n';
        if ((x == '\n') != (before == '\r'))
            return 0;
        const bool rare = x <= ' ' && x != '\r' && x != '\n' && x != ' ';
        const bool read = rare || (before == '\n' && (x == ' ' || x == '\r' || x == '[' || x == '=')) ||
                          (before == ' ' && (x == '\r' || x == '=')) || (before == '=' && x == ' ');
        if (read && !lines.LaidOut(at, 1))
            return 0;
    }
    return end;
}

using CheckFn = std::size_t (*)(std::string_view text, std::size_t at, LineReader &lines);

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("sse2"))) std::size_t CheckSse2(std::string_view text, std::size_t at, LineReader &lines)
{
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), space = _mm_set1_epi8(' '),
                  equals = _mm_set1_epi8('='), open = _mm_set1_epi8('[');
    for (; at + 16 <= text.size(); at += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + at));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + at - 1));
        const __m128i xLf = _mm_cmpeq_epi8(x, lf), xCr = _mm_cmpeq_epi8(x, cr), xSpace = _mm_cmpeq_epi8(x, space),
                      xEquals = _mm_cmpeq_epi8(x, equals);
        if (_mm_movemask_epi8(_mm_xor_si128(xLf, _mm_cmpeq_epi8(before, cr))) != 0)
            return 0;
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, space), x);
        const __m128i rare = _mm_andnot_si128(_mm_or_si128(_mm_or_si128(xLf, xCr), xSpace), low);
        const __m128i atStart = _mm_and_si128(
            _mm_cmpeq_epi8(before, lf),
            _mm_or_si128(_mm_or_si128(xSpace, xCr), _mm_or_si128(_mm_cmpeq_epi8(x, open), xEquals)));
        const __m128i afterSpace = _mm_and_si128(_mm_cmpeq_epi8(before, space), _mm_or_si128(xCr, xEquals));
        const __m128i afterEquals = _mm_and_si128(_mm_cmpeq_epi8(before, equals), xSpace);
        const auto read = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(rare, atStart), _mm_or_si128(afterSpace, afterEquals))));
        if (read != 0 && !lines.LaidOut(at, read))
            return 0;
    }
    return at;
}

__attribute__((target("avx2"))) std::size_t CheckAvx2(std::string_view text, std::size_t at, LineReader &lines)
{
    const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n'), space = _mm256_set1_epi8(' '),
                  equals = _mm256_set1_epi8('='), open = _mm256_set1_epi8('[');
    for (; at + 32 <= text.size(); at += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(text.data() + at));
        const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(text.data() + at - 1));
        const __m256i xLf = _mm256_cmpeq_epi8(x, lf), xCr = _mm256_cmpeq_epi8(x, cr),
                      xSpace = _mm256_cmpeq_epi8(x, space), xEquals = _mm256_cmpeq_epi8(x, equals);
        const __m256i lone = _mm256_xor_si256(xLf, _mm256_cmpeq_epi8(before, cr));
        if (!_mm256_testz_si256(lone, lone))
            return 0;
        const __m256i low = _mm256_cmpeq_epi8(_mm256_min_epu8(x, space), x);
        const __m256i rare = _mm256_andnot_si256(_mm256_or_si256(_mm256_or_si256(xLf, xCr), xSpace), low);
        const __m256i atStart = _mm256_and_si256(
            _mm256_cmpeq_epi8(before, lf),
            _mm256_or_si256(_mm256_or_si256(xSpace, xCr), _mm256_or_si256(_mm256_cmpeq_epi8(x, open), xEquals)));
        const __m256i afterSpace =
            _mm256_and_si256(_mm256_cmpeq_epi8(before, space), _mm256_or_si256(xCr, xEquals));
        const __m256i afterEquals = _mm256_and_si256(_mm256_cmpeq_epi8(before, equals), xSpace);
        const auto read = static_cast<std::uint32_t>(_mm256_movemask_epi8(
            _mm256_or_si256(_mm256_or_si256(rare, atStart), _mm256_or_si256(afterSpace, afterEquals))));
        if (read != 0 && !lines.LaidOut(at, read))
            return 0;
    }
    return at;
}

CheckFn Checker(LayoutVectors vectors)
{
    if (vectors == LayoutVectors::Narrowest)
        return CheckSse2;
    static const CheckFn widest = tallowby_has_avx2() ? CheckAvx2 : CheckSse2;
    return widest;
}
#else
std::size_t CheckWhole(std::string_view text, std::size_t at, LineReader &lines)
{
    return CheckBytes(text, at, text.size(), lines);
}

CheckFn Checker(LayoutVectors) { return CheckWhole; }
#endif

} // namespace

bool IsInLayout(std::string_view text, LayoutVectors vectors)
{
    if (text.empty())
        return true;
    if (text.back() != '\n')
        return false;
    LineReader lines(text);
    // The first byte has none before it in the text; the windows start
    // after it, and the last bytes that fill no window are checked alone.
    if (CheckBytes(text, 0, 1, lines) == 0)
        return false;
    const std::size_t stopped = Checker(vectors)(text, 1, lines);
    return stopped != 0 && CheckBytes(text, stopped, text.size(), lines) != 0;
}

} // namespace tallowby::platform
