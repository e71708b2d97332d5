#include "platform/linux/LayoutCheck.h"

#include "platform/linux/IniLayout.h"
#include "platform/linux/IniLexer.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace tallowby::platform {

namespace {

constexpr std::size_t kBlock = 64;

// The bytes of a block of 64 that matter to the layout, bit i for byte i.
// `low` is every byte up to the space: the line ends, the blanks, NUL and
// the other control characters.
struct Classes {
    std::uint64_t low = 0, cr = 0, lf = 0, space = 0, equals = 0, open = 0;
};

// Classes `count` blocks from `bytes` into `classes`; there is one for each
// width of vectors.
using ClassifyFn = void (*)(const char *bytes, std::size_t count, Classes *classes);

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("sse2"))) inline std::uint64_t Bits(__m128i matches, unsigned shift)
{
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(matches))) << shift;
}

__attribute__((target("avx2"))) inline std::uint64_t Bits(__m256i low, __m256i high)
{
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(high))) << 32;
}

__attribute__((target("sse2"))) void ClassifySse2(const char *bytes, std::size_t count, Classes *classes)
{
    const __m128i space = _mm_set1_epi8(' '), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'),
                  equals = _mm_set1_epi8('='), open = _mm_set1_epi8('[');
    for (std::size_t block = 0; block < count; ++block, bytes += kBlock) {
        Classes c;
        for (unsigned i = 0; i < kBlock; i += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i));
            c.low |= Bits(_mm_cmpeq_epi8(_mm_min_epu8(x, space), x), i);
            c.cr |= Bits(_mm_cmpeq_epi8(x, cr), i);
            c.lf |= Bits(_mm_cmpeq_epi8(x, lf), i);
            c.space |= Bits(_mm_cmpeq_epi8(x, space), i);
            c.equals |= Bits(_mm_cmpeq_epi8(x, equals), i);
            c.open |= Bits(_mm_cmpeq_epi8(x, open), i);
        }
        classes[block] = c;
    }
}

__attribute__((target("avx2"))) void ClassifyAvx2(const char *bytes, std::size_t count, Classes *classes)
{
    const __m256i space = _mm256_set1_epi8(' '), cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n'),
                  equals = _mm256_set1_epi8('='), open = _mm256_set1_epi8('[');
    for (std::size_t block = 0; block < count; ++block, bytes += kBlock) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + 32));
        classes[block] = Classes{
            Bits(_mm256_cmpeq_epi8(_mm256_min_epu8(x, space), x), _mm256_cmpeq_epi8(_mm256_min_epu8(y, space), y)),
            Bits(_mm256_cmpeq_epi8(x, cr), _mm256_cmpeq_epi8(y, cr)),
            Bits(_mm256_cmpeq_epi8(x, lf), _mm256_cmpeq_epi8(y, lf)),
            Bits(_mm256_cmpeq_epi8(x, space), _mm256_cmpeq_epi8(y, space)),
            Bits(_mm256_cmpeq_epi8(x, equals), _mm256_cmpeq_epi8(y, equals)),
            Bits(_mm256_cmpeq_epi8(x, open), _mm256_cmpeq_epi8(y, open)),
        };
    }
}

// Whether the processor has AVX2 and the system keeps the wide registers
// across switches. Asked once, by a process's first check: in a virtual
// machine each question traps to the host.
bool HasAvx2()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0)
        return false;
    unsigned saved = 0, high = 0;
    __asm__("xgetbv" : "=a"(saved), "=d"(high) : "c"(0));
    constexpr unsigned kVectorState = 0x6; // the SSE and AVX register state
    return (saved & kVectorState) == kVectorState && __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 &&
           (b & bit_AVX2) != 0;
}

ClassifyFn Classifier(LayoutVectors vectors)
{
    if (vectors == LayoutVectors::Narrowest)
        return ClassifySse2;
    static const ClassifyFn widest = HasAvx2() ? ClassifyAvx2 : ClassifySse2;
    return widest;
}
#else
void ClassifyBytes(const char *bytes, std::size_t count, Classes *classes)
{
    for (std::size_t block = 0; block < count; ++block, bytes += kBlock) {
        Classes c;
        for (unsigned i = 0; i < kBlock; ++i) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            const std::uint64_t bit = std::uint64_t{1} << i;
            c.low |= byte <= ' ' ? bit : 0;
            c.cr |= byte == '\r' ? bit : 0;
            c.lf |= byte == '\n' ? bit : 0;
            c.space |= byte == ' ' ? bit : 0;
            c.equals |= byte == '=' ? bit : 0;
            c.open |= byte == '[' ? bit : 0;
        }
        classes[block] = c;
    }
}

ClassifyFn Classifier(LayoutVectors) { return ClassifyBytes; }
#endif

// Reads the line that holds `at` in a text whose line ends up to `at` are
// CR LF, and returns where the next line starts, or 0 when the line is not
// laid out or is an entry without a name after another.
std::size_t ReadLaidOutLine(std::string_view text, std::size_t at)
{
    auto lineStart = [&](std::size_t from) {
        while (from > 0 && text[from - 1] != '\n')
            --from;
        return from;
    };
    const std::size_t start = lineStart(at);
    std::size_t next = start;
    const std::string_view raw = NextLine(text, next);
    const std::size_t rawEnd = start + raw.size();
    const IniLine line = ReadLine(raw);
    if (!ini_layout::IsLaidOut(raw, text.substr(rawEnd, next - rawEnd), line))
        return 0;
    const bool nameless = line.kind == IniLine::Kind::Entry && line.name.empty();
    if (nameless && start > 0 && text[lineStart(start - 2)] == '=')
        return 0; // the line before is an entry without a name too
    return next;
}

} // namespace

// A laid-out text ends each line in CR LF, starts no line with a blank or
// its line end, and ends none with a blank; a line of plain text and
// spaces, which starts with neither "[" nor "=" and has no space beside an
// "=", is then laid out without being read. The others are read.
bool IsInLayout(std::string_view text, LayoutVectors vectors)
{
    if (text.empty())
        return true;
    if (text.back() != '\n')
        return false;
    const ClassifyFn classify = Classifier(vectors);
    // What the block before ends with; the text's start is a line's.
    std::uint64_t crBefore = 0, lineStarts = 1, spaceBefore = 0, equalsBefore = 0;
    std::size_t readTo = 0; // lines before this were read
    constexpr std::size_t kBatch = 64; // blocks classed at once
    Classes batch[kBatch];
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t whole = (text.size() - at) / kBlock;
        std::size_t count = whole < kBatch ? whole : kBatch;
        if (count > 0) {
            classify(text.data() + at, count, batch);
        } else {
            // The last block, padded with bytes that matter to nothing.
            char padded[kBlock];
            std::memset(padded, 'x', kBlock);
            std::memcpy(padded, text.data() + at, text.size() - at);
            classify(padded, 1, batch);
            count = 1;
        }
        for (std::size_t b = 0; b < count; ++b, at += kBlock) {
            const Classes &c = batch[b];
            if (c.lf != ((c.cr << 1) | crBefore))
                return false; // a lone CR or LF
            const std::uint64_t starts = (c.lf << 1) | lineStarts;
            const std::uint64_t afterSpace = (c.space << 1) | spaceBefore;
            const std::uint64_t rare = c.low & ~(c.cr | c.lf | c.space);
            std::uint64_t toRead = rare | (starts & (c.space | c.cr | c.open | c.equals)) |
                                   (afterSpace & (c.cr | c.equals)) | (((c.equals << 1) | equalsBefore) & c.space);
            for (; toRead != 0; toRead &= toRead - 1) {
                const std::size_t suspect = at + static_cast<std::size_t>(std::countr_zero(toRead));
                if (suspect < readTo)
                    continue;
                readTo = ReadLaidOutLine(text, suspect);
                if (readTo == 0)
                    return false;
            }
            crBefore = c.cr >> 63;
            lineStarts = c.lf >> 63;
            spaceBefore = c.space >> 63;
            equalsBefore = c.equals >> 63;
        }
    }
    return true;
}

} // namespace tallowby::platform
