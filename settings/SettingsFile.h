#pragma once

namespace tallowby {

// The one settings file and section every operation uses.
inline constexpr char16_t kSettingsFile[] = u"C:\\MyExcelSettings.ini";
inline constexpr char16_t kSettingsSection[] = u"ExcelData";

// The platform's read buffer of a get, in characters, its NUL included.
inline constexpr unsigned kReadBufferSize = 255;

} // namespace tallowby
