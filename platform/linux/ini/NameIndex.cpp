#include "platform/linux/ini/NameIndex.h"

namespace tallowby::platform {

std::uint32_t NameIndex::Hash(std::string_view name)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : TrimBlanks(name))
        hash = (hash ^ static_cast<unsigned char>(FoldAscii(c))) * 16777619u;
    return hash;
}

void NameIndex::Added(std::string_view name, std::size_t count)
{
    if (slots_.empty())
        return;
    if (count * 2 > slots_.size()) {
        slots_.clear();
        return;
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = Hash(name) & mask;
    while (slots_[slot] != 0)
        slot = (slot + 1) & mask;
    slots_[slot] = static_cast<std::uint32_t>(count);
}

} // namespace tallowby::platform
