#include "platform/CodePage.h"

#include "platform/linux/codepage/AnsiCodec.h"

// Linux has no ANSI code page of its own; the process takes the one the
// platform would give it in the same locale (AnsiCodec.h).

namespace tallowby::platform {

std::string ToAnsi(std::u16string_view text)
{
    return ProcessCodec().Encode(text);
}

std::u16string FromAnsi(std::string_view bytes)
{
    return ProcessCodec().Decode(bytes);
}

} // namespace tallowby::platform
