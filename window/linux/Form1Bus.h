#pragma once

// Where the running window answers on the session bus, for the window that
// offers its operations there and for the programs that call them.

namespace tallowby::bus {

// The first window still open owns the name; later ones queue for it.
inline constexpr char kServiceName[] = "org.tallowby.Tallowby";
inline constexpr char kObjectPath[] = "/org/tallowby/Tallowby/Form1";
inline constexpr char kInterfaceName[] = "org.tallowby.Tallowby.Form1";

// A failed operation answers with this prefix and its cause
// (StatusCause, e.g. ".AccessDenied"); the message is its description with
// the code (DescribeStatus, e.g. "access denied (0x80070005)").
inline constexpr char kErrorPrefix[] = "org.tallowby.Tallowby.Error.";

} // namespace tallowby::bus
