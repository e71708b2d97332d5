#include "settings/CheckBoxSample.h"

#include <string>

namespace tallowby {

Status RecordCheckBoxSample(Form1Interface &window)
{
    if (const Status saved = window.ProfileSettingSave(u"Check1Name", u"First Check Box"); saved.failed())
        return saved;
    const std::string number = std::to_string(1);
    return window.ProfileSettingSave(u"Check1Value", std::u16string(number.begin(), number.end()));
}

} // namespace tallowby
