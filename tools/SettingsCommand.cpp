#include "tools/SettingsCommand.h"

#include "platform/HostPath.h"
#include "platform/Utf8.h"
#include "settings/OperationGuard.h"
#include "settings/SettingsFile.h"
#include "tools/Version.h"

namespace tallowby {

namespace {

constexpr char kUsage[] = "usage: tallowby-settings [--window] get KEY [DEFAULT] | set KEY VALUE | sample\n"
                          "       tallowby-settings list | delete KEY\n"
                          "       tallowby-settings --help | --version\n";

constexpr char kCommands[] = "\n"
                             "  get KEY [DEFAULT]  print the value of KEY; DEFAULT, or nothing, when it is absent\n"
                             "  set KEY VALUE      store VALUE under KEY\n"
                             "  sample             record the check box sample: Check1Name and Check1Value\n"
                             "  list               print every KEY=VALUE of the section, in the file's order\n"
                             "  delete KEY         remove KEY and its value; nothing to remove is no failure\n"
                             "  --window COMMAND   have the open window carry out COMMAND (get, set or sample)\n"
                             "  --help             print this help\n"
                             "  --version          print the version\n";

// What a failed command could not do, and to which file.
struct Failure {
    const char *action; // "read" or "save"
    bool throughWindow; // the file is the window's, which this process cannot place
};

CommandOutcome Finish(Status status, Failure failure, std::string out = {})
{
    if (status.ok())
        return {0, std::move(out), {}};
    std::string line = "tallowby-settings: ";
    // A window that went away while called has nothing to do with the file.
    if (status != Status::FromWin32(platform::win32_error::RpcServerUnavailable)) {
        line += failure.throughWindow ? "the window cannot " : "cannot ";
        line += failure.action;
        line += ' ';
        line += failure.throughWindow ? platform::ToUtf8(kSettingsFile) : platform::HostPath(kSettingsFile);
        line += ": ";
    }
    return {1, {}, line + DescribeStatus(status) + "\n"};
}

bool IsStoreCommand(const std::vector<std::u16string> &arguments)
{
    return arguments[0] == u"list" || arguments[0] == u"delete";
}

CommandOutcome RefusedStoreCommand()
{
    return {2, {}, "tallowby-settings: the window offers only get, set and sample\n"};
}

CommandOutcome List(ProfileStore &store)
{
    std::string out;
    const Status status = GuardOperation([&] {
        std::vector<Setting> settings;
        const Status listed = store.List(settings);
        for (const Setting &setting : settings)
            out += platform::ToUtf8(setting.key) + "=" + platform::ToUtf8(setting.value) + "\n";
        return listed;
    });
    return Finish(status, {"read", false}, std::move(out));
}

} // namespace

CommandOutcome UsageOutcome() { return {2, {}, kUsage}; }

bool IsSettingsCommand(const std::vector<std::u16string> &arguments)
{
    if (arguments.empty())
        return false;
    const std::size_t operands = arguments.size() - 1;
    return (arguments[0] == u"get" && (operands == 1 || operands == 2)) ||
           (arguments[0] == u"set" && operands == 2) || (arguments[0] == u"sample" && operands == 0) ||
           (arguments[0] == u"list" && operands == 0) || (arguments[0] == u"delete" && operands == 1);
}

std::optional<CommandOutcome> RefusedThroughWindow(const std::vector<std::u16string> &arguments)
{
    if (!IsSettingsCommand(arguments))
        return UsageOutcome();
    if (IsStoreCommand(arguments))
        return RefusedStoreCommand();
    return std::nullopt;
}

CommandOutcome RunSettingsCommand(Form1Interface &window, ProfileStore *store,
                                  const std::vector<std::u16string> &arguments)
{
    if (arguments.size() == 1 && arguments[0] == u"--help")
        return {0, std::string(kUsage) + kCommands, {}};
    if (arguments.size() == 1 && arguments[0] == u"--version")
        return {0, std::string("tallowby-settings ") + kVersion + "\n", {}};
    if (!IsSettingsCommand(arguments))
        return UsageOutcome();
    const std::u16string &command = arguments[0];
    const std::size_t operands = arguments.size() - 1;
    if (IsStoreCommand(arguments) && store == nullptr)
        return RefusedStoreCommand();

    if (command == u"list")
        return List(*store);
    const bool throughWindow = store == nullptr;
    if (command == u"delete")
        return Finish(GuardOperation([&] { return store->Delete(arguments[1]); }), {"save", false});
    if (command == u"get") {
        const TextResult result =
            window.ProfileSettingGet(arguments[1], operands == 2 ? arguments[2] : std::u16string());
        return Finish(result.status, {"read", throughWindow}, platform::ToUtf8(result.text) + "\n");
    }
    if (command == u"set")
        return Finish(window.ProfileSettingSave(arguments[1], arguments[2]), {"save", throughWindow});
    return Finish(window.InYourVBApp(), {"save", throughWindow});
}

} // namespace tallowby
