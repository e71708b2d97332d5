#include "platform/linux/IniLayout.h"

namespace tallowby::platform {

void IniLayout::Put(std::string_view text)
{
    if (out_ != nullptr)
        out_->append(text);
    size_ += text.size();
}

std::size_t IniLayout::Header(std::string_view name)
{
    if (name.empty())
        return size_;
    Put("[");
    const std::size_t at = size_;
    Put(name);
    Put("]\r\n");
    return at;
}

IniLayout::Placed IniLayout::Entry(std::string_view name, std::optional<std::string_view> value)
{
    Placed placed{size_, 0};
    Put(name);
    if (value) {
        Put("=");
        placed.value = size_;
        Put(*value);
    }
    Put("\r\n");
    return placed;
}

} // namespace tallowby::platform
