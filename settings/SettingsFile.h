#pragma once

#include <cstddef>

namespace tallowby {

// The one settings file and section every operation uses.
inline constexpr char16_t kSettingsFile[] = u"C:\\MyExcelSettings.ini";
inline constexpr char16_t kSettingsSection[] = u"ExcelData";

// The platform's read buffer of a get, in characters, its NUL included.
inline constexpr unsigned kReadBufferSize = 255;

// The longest key or value a save accepts, in bytes of the code page: the
// platform's private-profile write fails or crashes past it.
inline constexpr std::size_t kLongestText = 32766;

} // namespace tallowby
