// Times whole processes, as a script meets them: each command is started,
// its output thrown away, and waited for, in rounds that take the commands
// in turn, so that a change in the machine's load falls on all of them.
// Prints one line per command: the median microseconds from start to exit,
// the ratio to the first command's median, and the command. On Linux a
// command may start with NAME=VALUE settings of its own environment.
// usage: process_bench ROUNDS [NAME=VALUE]... COMMAND [ARGUMENTS] [-- ...]...

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#endif

namespace {

using Clock = std::chrono::steady_clock;
struct Command {
    std::vector<char *> environment; // NAME=VALUE settings of its own
    std::vector<char *> arguments;
};

#if defined(_WIN32)
// The command line CreateProcess takes, each argument quoted as the C
// runtime splits it.
std::wstring CommandLine(const Command &command)
{
    std::wstring line;
    for (const char *argument : command.arguments) {
        if (argument == nullptr)
            break;
        const int length = ::MultiByteToWideChar(CP_UTF8, 0, argument, -1, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, argument, -1, wide.data(), length);
        wide.pop_back();
        if (!line.empty())
            line.push_back(L' ');
        line.push_back(L'"');
        std::size_t slashes = 0;
        for (const wchar_t c : wide) {
            if (c == L'\\') {
                ++slashes;
                continue;
            }
            // Backslashes count only before a quote.
            for (std::size_t n = c == L'"' ? slashes * 2 + 1 : slashes; n > 0; --n)
                line.push_back(L'\\');
            slashes = 0;
            line.push_back(c);
        }
        for (std::size_t n = slashes * 2; n > 0; --n)
            line.push_back(L'\\');
        line.push_back(L'"');
    }
    return line;
}

// Starts `command` with its output going nowhere and waits for it; false
// when it could not start or did not exit with 0.
bool RunOnce(const Command &command)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE nowhere = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                   0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = nowhere;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    std::wstring line = CommandLine(command);
    PROCESS_INFORMATION process{};
    const bool started =
        ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    ::CloseHandle(nowhere);
    if (!started)
        return false;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code == 0;
}
#else
bool RunOnce(const Command &command)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int failed = posix_spawn(&child, command.arguments[0], &actions, nullptr, command.arguments.data(),
                                   command.environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 2 ? std::atoi(argv[1]) : 0;
    std::vector<Command> commands(1);
    for (int i = 2; i < argc; ++i) {
        Command &command = commands.back();
        if (std::string(argv[i]) == "--")
            commands.emplace_back();
        else if (command.arguments.empty() && std::strchr(argv[i], '=') != nullptr)
            command.environment.push_back(argv[i]);
        else
            command.arguments.push_back(argv[i]);
    }
    const bool bad = std::any_of(commands.begin(), commands.end(), [](const Command &c) {
#if defined(_WIN32)
        return c.arguments.empty() || !c.environment.empty();
#else
        return c.arguments.empty();
#endif
    });
    if (rounds <= 0 || bad) {
        std::fprintf(stderr, "usage: process_bench ROUNDS [NAME=VALUE]... COMMAND [ARGUMENTS] [-- ...]...\n");
        return 2;
    }
    for (Command &command : commands) {
#if !defined(_WIN32)
        // The settings given override the inherited ones.
        for (char **inherited = environ; *inherited != nullptr; ++inherited) {
            const std::string_view name(*inherited, std::strcspn(*inherited, "="));
            if (std::none_of(command.environment.begin(), command.environment.end(), [&](const char *own) {
                    return std::string_view(own).substr(0, name.size() + 1) == std::string(name) + "=";
                }))
                command.environment.push_back(*inherited);
        }
#endif
        command.environment.push_back(nullptr);
        command.arguments.push_back(nullptr);
    }

    std::vector<std::vector<double>> times(commands.size());
    // The first round only fills the page cache.
    for (int round = 0; round <= rounds; ++round) {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            const auto start = Clock::now();
            if (!RunOnce(commands[i])) {
                std::fprintf(stderr, "process_bench: %s failed\n", commands[i].arguments[0]);
                return 1;
            }
            if (round > 0)
                times[i].push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
    }
    const double first = Median(times[0]);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        std::string line;
        for (std::size_t j = 0; commands[i].arguments[j] != nullptr; ++j) {
            if (j > 0)
                line += ' ';
            line += commands[i].arguments[j];
        }
        std::printf("%.0f\t%.2f\t%s\n", Median(times[i]), Median(times[i]) / first, line.c_str());
    }
    return 0;
}
