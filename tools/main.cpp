#include "platform/Utf8.h"
#include "settings/Form1Operations.h"
#include "tools/SettingsCommand.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int Run(std::vector<std::u16string> arguments)
{
    const auto window = tallowby::CreateWindowlessOperations();
    const tallowby::CommandOutcome outcome = tallowby::RunSettingsCommand(*window, arguments);
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
