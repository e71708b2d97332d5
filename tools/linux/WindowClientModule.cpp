#include "tools/linux/WindowClientModule.h"

#include "settings/OperationGuard.h"
#include "settings/Status.h"

extern "C" __attribute__((visibility("default"))) void
TallowbyConnectToRunningWindow(tallowby::WindowConnection &connection) noexcept
{
    // The module has a C++ runtime of its own: no exception may leave it.
    const tallowby::Status status = tallowby::GuardOperation([&] {
        connection = tallowby::ConnectToRunningWindow();
        return tallowby::kSuccess;
    });
    if (status.failed()) {
        connection = {};
        connection.error = tallowby::DescribeStatus(status);
    }
}
