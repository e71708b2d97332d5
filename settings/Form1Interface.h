#pragma once

#include "settings/RefCounted.h"
#include "settings/Status.h"

#include <string>

namespace tallowby {

// A text result and the status of the operation that produced it. The text
// is empty whenever the status is a failure.
struct TextResult {
    Status status;
    std::u16string text;
};

// The public operations of the main window, in their fixed order. Text
// arguments are taken by value: each operation works on its own copies. Each
// operation holds a reference on the window while it runs, so a caller may
// drop its last reference in the middle of a call. Failures come back as
// the status; an exception (memory running out) is turned into one by the
// edge that called, once: the D-Bus service, the COM object and the
// command-line tool each run their calls under GuardOperation.
class Form1Interface : public RefCounted {
public:
    // Stores `v_strSetting` under `v_strKey` in the settings file.
    virtual Status ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting) = 0;

    // The value stored under `v_strKey`, or `v_strDefault` when there is none.
    virtual TextResult ProfileSettingGet(std::u16string v_strKey, std::u16string v_strDefault) = 0;
    TextResult ProfileSettingGet(std::u16string v_strKey)
    {
        return ProfileSettingGet(std::move(v_strKey), std::u16string());
    }

    // Records the check box sample: the box's name and checked value.
    virtual Status InYourVBApp() = 0;
};

} // namespace tallowby
