#pragma once

#include <cstdint>
#include <new>
#include <string>

namespace tallowby {

// Runs a platform read into a buffer of `initialSize` bytes, growing it while
// the platform may have cut the value: a count of size - 1, or of size - 2,
// since the platform cuts a quoted value before it drops its opening quote.
// `fill(buffer, size)` returns the count the platform placed before its NUL.
// Returns exactly the bytes that count names; throws std::bad_alloc when
// the value outgrows any buffer that can be had.
template <typename Fill>
std::string ReadGrowing(std::uint32_t initialSize, Fill fill)
{
    constexpr std::uint32_t kLargest = 1u << 30;
    constexpr std::uint32_t kOnStack = 256;
    std::uint32_t size = initialSize < 3 ? 3 : initialSize;
    // The usual read fits the first buffer; that one needs no allocation.
    if (size <= kOnStack) {
        char first[kOnStack];
        const std::uint32_t count = fill(first, size);
        if (count + 2 < size)
            return std::string(first, count);
        size *= 4;
    }
    std::string buffer;
    for (;;) {
        buffer.assign(size, '\0');
        std::uint32_t count = fill(buffer.data(), size);
        if (count > size - 1)
            count = size - 1;
        if (count + 2 < size) {
            buffer.resize(count);
            return buffer;
        }
        // A value this long cannot be held whole; failing beats cutting it.
        if (size >= kLargest)
            throw std::bad_alloc();
        size = size > kLargest / 4 ? kLargest : size * 4;
    }
}

} // namespace tallowby
