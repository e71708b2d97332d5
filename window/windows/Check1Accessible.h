#pragma once

#include <windows.h>

namespace tallowby {

// Makes a check box reach assistive technology as a check box: role
// ROLE_SYSTEM_CHECKBUTTON and STATE_SYSTEM_CHECKED while it is checked.
// Every other answer is the system's own for the control. Windows' proxy for
// buttons already answers so; Wine's gives a plain client, so the control
// answers WM_GETOBJECT itself. Returns false when the control cannot be
// subclassed.
bool AnswerAsCheckBox(HWND checkBox);

} // namespace tallowby
