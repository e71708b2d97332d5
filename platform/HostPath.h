#pragma once

#include <string>
#include <string_view>

namespace tallowby::platform {

// Where a user of this host opens the file the program knows as
// `windowsPath`, in UTF-8, for messages: the path itself on Windows; on
// Linux its place under the settings prefix, or the Windows path when it has
// none there.
std::string HostPath(std::u16string_view windowsPath);

} // namespace tallowby::platform
