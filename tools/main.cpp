#include "platform/Utf8.h"
#include "settings/Form1Operations.h"
#include "tools/SettingsCommand.h"
#include "tools/WindowClient.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

tallowby::CommandOutcome Execute(std::vector<std::u16string> arguments)
{
    using namespace tallowby;
    const bool remote = !arguments.empty() && arguments[0] == u"--window";
    if (!remote)
        return RunSettingsCommand(*CreateWindowlessOperations(), &ProfileStore::Process(), arguments);
    arguments.erase(arguments.begin());
    if (auto refused = RefusedThroughWindow(arguments))
        return std::move(*refused);
    const WindowConnection connection = ConnectToRunningWindow();
    if (!connection.window)
        return {1, {}, "tallowby-settings: " + connection.error + "\n"};
    return RunSettingsCommand(*connection.window, nullptr, arguments);
}

int Run(std::vector<std::u16string> arguments)
{
    const tallowby::CommandOutcome outcome = Execute(std::move(arguments));
    // Bytes as they are: UTF-8 on both platforms, whatever the console's code page.
    std::fwrite(outcome.out.data(), 1, outcome.out.size(), stdout);
    std::fwrite(outcome.err.data(), 1, outcome.err.size(), stderr);
    return std::fflush(stdout) == 0 ? outcome.exitCode : 1;
}

} // namespace

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t **argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(reinterpret_cast<const char16_t *>(argv[i]));
    return Run(std::move(arguments));
}
#else
int main(int argc, char **argv)
{
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        auto argument = tallowby::platform::FromUtf8(argv[i]);
        if (!argument) {
            std::fprintf(stderr, "tallowby-settings: argument %d is not valid UTF-8\n", i);
            return 2;
        }
        arguments.push_back(std::move(*argument));
    }
    return Run(std::move(arguments));
}
#endif
