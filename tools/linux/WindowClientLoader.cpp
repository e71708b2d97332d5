#include "tools/WindowClient.h"

#include "settings/OperationGuard.h"
#include "tools/linux/WindowClientModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <string>

namespace tallowby {

namespace {

// The folder of the running program, with its final slash.
std::string ProgramFolder()
{
    std::array<char, 4096> path{};
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0)
        return {};
    const std::string program(path.data(), static_cast<std::size_t>(length));
    return program.substr(0, program.rfind('/') + 1);
}

// The module is found where it is installed beside the program's folder,
// or, in the build tree, in that folder itself. It stays loaded for the
// process's life: the window it hands out and Qt's own state live in it.
void *LoadModule(std::string &error)
{
    static void *module = nullptr;
    if (module != nullptr)
        return module;
    const std::string folder = ProgramFolder();
    for (const std::string &path : {folder + TALLOWBY_WINDOW_CLIENT_FROM_PROGRAM, folder + kWindowClientModule}) {
        if (::access(path.c_str(), F_OK) != 0)
            continue;
        module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (module != nullptr)
            return module;
        const char *reason = ::dlerror();
        error = "cannot load the session-bus client (" + std::string(reason != nullptr ? reason : path) + ")";
        return nullptr;
    }
    error = std::string("cannot find the session-bus client ") + kWindowClientModule;
    return nullptr;
}

} // namespace

WindowConnection ConnectToRunningWindow()
{
    WindowConnection connection;
    const Status status = GuardOperation([&] {
        void *const module = LoadModule(connection.error);
        if (module == nullptr)
            return kSuccess;
        const auto connect =
            reinterpret_cast<decltype(&TallowbyConnectToRunningWindow)>(::dlsym(module, kWindowClientEntry));
        if (connect == nullptr) {
            connection.error = std::string("the session-bus client has no entry ") + kWindowClientEntry;
            return kSuccess;
        }
        connect(connection);
        return kSuccess;
    });
    if (status.failed())
        connection.error = DescribeStatus(status);
    return connection;
}

} // namespace tallowby
