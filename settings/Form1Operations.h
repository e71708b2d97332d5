#pragma once

#include "settings/Form1Interface.h"
#include "settings/ProfileStore.h"

namespace tallowby {

// The window's three public operations over a settings store. The windows
// of both platforms derive from it; it reads and changes nothing of the
// window itself.
class Form1Operations : public Form1Interface {
public:
    using Form1Interface::ProfileSettingGet;

    Status ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting) override;
    TextResult ProfileSettingGet(std::u16string v_strKey, std::u16string v_strDefault) override;
    Status InYourVBApp() override;

protected:
    // `store` must outlive the object; by default the process's own.
    explicit Form1Operations(ProfileStore &store = ProfileStore::Process()) : store_(store) {}

private:
    ProfileStore &store_;
};

} // namespace tallowby

namespace tallowby {

// The operations on an object of their own, without a window: for the
// command-line tool and for callers that have no display.
Ref<Form1Interface> CreateWindowlessOperations(ProfileStore &store = ProfileStore::Process());

} // namespace tallowby
