#include "settings/Form1Operations.h"

#include "settings/CheckBoxSample.h"
#include "settings/OperationGuard.h"

namespace tallowby {

Status Form1Operations::ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting)
{
    const Ref<Form1Operations> self(this);
    return store_.Save(v_strKey, v_strSetting);
}

TextResult Form1Operations::ProfileSettingGet(std::u16string v_strKey, std::u16string v_strDefault)
{
    const Ref<Form1Operations> self(this);
    TextResult result;
    result.status = store_.Get(v_strKey, v_strDefault, result.text);
    if (result.status.failed())
        result.text.clear();
    return result;
}

Status Form1Operations::InYourVBApp()
{
    const Ref<Form1Operations> self(this);
    return RecordCheckBoxSample(*this);
}

} // namespace tallowby

namespace tallowby {

namespace {

// The operations as the command-line tool calls them in its own process:
// the tool's edge, where each of its calls runs under the operations'
// guard once, the sample's saves that come back through the interface
// included.
class WindowlessOperations final : public Form1Operations {
public:
    explicit WindowlessOperations(ProfileStore &store) : Form1Operations(store) {}

    Status ProfileSettingSave(std::u16string v_strKey, std::u16string v_strSetting) override
    {
        return AtEdge([&] { return Form1Operations::ProfileSettingSave(std::move(v_strKey), std::move(v_strSetting)); });
    }
    TextResult ProfileSettingGet(std::u16string v_strKey, std::u16string v_strDefault) override
    {
        TextResult result;
        result.status = AtEdge([&] {
            result = Form1Operations::ProfileSettingGet(std::move(v_strKey), std::move(v_strDefault));
            return result.status;
        });
        if (result.status.failed())
            result.text.clear();
        return result;
    }
    Status InYourVBApp() override
    {
        return AtEdge([&] { return Form1Operations::InYourVBApp(); });
    }

private:
    template <typename Body>
    Status AtEdge(Body body)
    {
        if (inside_)
            return body();
        const Ref<WindowlessOperations> self(this); // still here after the call
        inside_ = true;
        const Status status = GuardOperation(body);
        inside_ = false;
        return status;
    }

    bool inside_ = false;
};

} // namespace

Ref<Form1Interface> CreateWindowlessOperations(ProfileStore &store)
{
    return Ref<Form1Interface>::Adopt(new WindowlessOperations(store));
}

} // namespace tallowby
