#pragma once

#include "settings/Form1Interface.h"

#include <string>

namespace tallowby {

// The running window, or why it could not be reached.
struct WindowConnection {
    Ref<Form1Interface> window; // empty when none was reached
    std::string error;          // e.g. "no Tallowby window is running"
};

// The operations of the window another process of this user shows: over COM
// on Windows, over the session bus on Linux. Each call goes to that window
// and comes back with its status; a call that cannot reach it fails with the
// transport's code.
WindowConnection ConnectToRunningWindow();

inline constexpr char kNoWindowRunning[] = "no Tallowby window is running";

} // namespace tallowby
