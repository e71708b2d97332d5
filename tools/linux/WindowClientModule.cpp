#include "tools/linux/WindowClientModule.h"

#include "settings/Status.h"

#include <new>

extern "C" __attribute__((visibility("default"))) void
TallowbyConnectToRunningWindow(tallowby::WindowConnection &connection) noexcept
{
    try {
        connection = tallowby::ConnectToRunningWindow();
    } catch (const std::bad_alloc &) {
        connection = {};
        connection.error = tallowby::DescribeStatus(tallowby::kOutOfMemory);
    }
}
