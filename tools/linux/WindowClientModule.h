#pragma once

// The entry of the module that holds the session-bus client. The tool loads
// the module only for --window, so that its other commands start without
// Qt and ICU.

#include "tools/WindowClient.h"

// Sets `connection` to the running window or the reason it was not reached,
// as ConnectToRunningWindow does. Nothing is thrown.
extern "C" void TallowbyConnectToRunningWindow(tallowby::WindowConnection &connection) noexcept;

namespace tallowby {

inline constexpr char kWindowClientModule[] = "libtallowby-window-client.so";
inline constexpr char kWindowClientEntry[] = "TallowbyConnectToRunningWindow";

} // namespace tallowby
