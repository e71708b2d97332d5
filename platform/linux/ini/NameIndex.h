#pragma once

#include "platform/linux/ini/IniLexer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tallowby::platform {

// A hash index of the names of a section's entries, so that a look-up costs
// the same in a section of ten keys or of a hundred thousand. Names match as
// SameName says, and the first of equal names is the one found. The index
// holds entry numbers only: each call takes the entries' count and
// `nameAt(i)`, the name of entry i.
//
// It is made at the second look-up, not the first: a file read for one get
// is not worth indexing. Small sections are searched in order, since an
// index would cost more.
class NameIndex {
public:
    // The number of the first entry named `name`; none when no entry is.
    template <typename NameAt>
    std::optional<std::size_t> Find(std::string_view name, std::size_t count, NameAt nameAt) const
    {
        name = TrimBlanks(name);
        if (count < kIndexFrom || (slots_.empty() && !searched_)) {
            searched_ = true;
            for (std::size_t i = 0; i < count; ++i) {
                if (SameAsTrimmed(nameAt(i), name))
                    return i;
            }
            return std::nullopt;
        }
        if (slots_.empty())
            Build(count, nameAt);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = Hash(name) & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
            const std::size_t i = slots_[slot] - 1;
            if (SameAsTrimmed(nameAt(i), name))
                return i;
        }
        return std::nullopt;
    }

    // Takes in entry `count - 1`, added at the end with a name no entry
    // before it has. Past half full, the index is made again, larger, at
    // the next look-up.
    void Added(std::string_view name, std::size_t count);

    // Forgets the entries' numbers, which have moved: the index is made
    // again at the next look-up.
    void Clear() { slots_.clear(); }

private:
    static constexpr std::size_t kIndexFrom = 16;

    // Equal for names that SameName finds equal.
    static std::uint32_t Hash(std::string_view name);

    template <typename NameAt>
    void Build(std::size_t count, NameAt nameAt) const
    {
        std::size_t capacity = 16;
        while (capacity < count * 2)
            capacity *= 2;
        slots_.assign(capacity, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view name = nameAt(i);
            for (std::size_t slot = Hash(name) & (capacity - 1);; slot = (slot + 1) & (capacity - 1)) {
                if (slots_[slot] == 0) {
                    slots_[slot] = static_cast<std::uint32_t>(i + 1);
                    break;
                }
                if (SameName(nameAt(slots_[slot] - 1), name))
                    break; // the first of equal names is the one that counts
            }
        }
    }

    // Entry number + 1 per slot; 0 is free. Made on demand by look-ups.
    mutable std::vector<std::uint32_t> slots_;
    mutable bool searched_ = false;
};

} // namespace tallowby::platform
