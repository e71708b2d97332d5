#include "settings/Form1Operations.h"

#include "settings/CheckBoxSample.h"
#include "settings/OperationGuard.h"

namespace tallowby {

Status Form1Operations::ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting)
{
    const Ref<Form1Operations> self(this);
    return GuardOperation([&] { return store_.Save(v_strKey, v_strSetting); });
}

TextResult Form1Operations::ProfileSettingGet(std::u16string v_strKey, std::u16string v_strDefault)
{
    const Ref<Form1Operations> self(this);
    TextResult result;
    result.status = GuardOperation([&] { return store_.Get(v_strKey, v_strDefault, result.text); });
    if (result.status.failed())
        result.text.clear();
    return result;
}

Status Form1Operations::InYourVBApp()
{
    const Ref<Form1Operations> self(this);
    return GuardOperation([&] { return RecordCheckBoxSample(*this); });
}

} // namespace tallowby

namespace tallowby {

namespace {

class WindowlessOperations final : public Form1Operations {
public:
    explicit WindowlessOperations(ProfileStore &store) : Form1Operations(store) {}
};

} // namespace

Ref<Form1Interface> CreateWindowlessOperations(ProfileStore &store)
{
    return Ref<Form1Interface>::Adopt(new WindowlessOperations(store));
}

} // namespace tallowby
