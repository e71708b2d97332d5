#pragma once

#include "platform/Kernel32Api.h"
#include "settings/BoundEntry.h"
#include "settings/SettingsFile.h"
#include "settings/Status.h"

#include <string>
#include <string_view>
#include <vector>

namespace tallowby {

// One key of the section and its value.
struct Setting {
    std::u16string key;
    std::u16string value;
};

// Named text settings in section "ExcelData" of "C:\MyExcelSettings.ini",
// kept by the platform's private-profile calls. Holds nothing between calls
// but the bindings of those calls, made at first use. Text is UTF-16 here and
// converted to the ANSI code page only at the call.
class ProfileStore {
public:
    // `library` names the library the private-profile entries are bound
    // from; `initialReadSize` is the first read buffer's size in bytes.
    explicit ProfileStore(const char *library = "kernel32",
                          std::uint32_t initialReadSize = kReadBufferSize);

    // Stores `value` under `key`. Refuses, with E_INVALIDARG and nothing
    // written, a key or value holding CR, LF or NUL and a key holding "=",
    // which would change other lines of the file, and one longer than
    // kLongestProfileString once converted. A write the platform refuses
    // returns its last error as HRESULT_FROM_WIN32.
    Status Save(std::u16string_view key, std::u16string_view value);

    // The whole value stored under `key`, or `defaultValue` when the key,
    // section or file is absent, into `value`. A key or default holding NUL,
    // and a default longer than kLongestProfileString once converted, are
    // refused with E_INVALIDARG.
    Status Get(std::u16string_view key, std::u16string_view defaultValue, std::u16string &value);

    // Removes `key` and its value through the platform's own removal (a
    // write with no value), saved as Save saves. A key that is not there
    // removes nothing and succeeds. Refuses the keys Save refuses.
    Status Delete(std::u16string_view key);

    // Every key of the section, in the file's order as the platform lists
    // them, each with the value Get gives for it, into `settings`.
    Status List(std::vector<Setting> &settings);

    // The store of the process, whose bindings live as long as it does.
    static ProfileStore &Process();

private:
    // The file's and section's names in the code page, made at first use.
    void ConvertConstants();
    // The value the platform gives for `ansiKey` (a null key lists the
    // section's keys), read whole.
    std::string ReadWhole(platform::GetPrivateProfileStringAFn read, const char *ansiKey, const char *ansiDefault);

    BoundEntry<platform::WritePrivateProfileStringAFn> write_;
    BoundEntry<platform::GetPrivateProfileStringAFn> read_;
    std::uint32_t initialReadSize_;
    std::string ansiFile_;
    std::string ansiSection_;
};

} // namespace tallowby
