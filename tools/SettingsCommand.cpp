#include "tools/SettingsCommand.h"

#include "platform/Utf8.h"
#include "tools/Version.h"

namespace tallowby {

namespace {

constexpr char kUsage[] = "usage: tallowby-settings [--window] get KEY [DEFAULT] | set KEY VALUE | sample\n"
                          "       tallowby-settings --help | --version\n";

constexpr char kCommands[] = "\n"
                             "  get KEY [DEFAULT]  print the value of KEY; DEFAULT, or nothing, when it is absent\n"
                             "  set KEY VALUE      store VALUE under KEY\n"
                             "  sample             record the check box sample: Check1Name and Check1Value\n"
                             "  --window COMMAND   have the open window carry out COMMAND\n"
                             "  --help             print this help\n"
                             "  --version          print the version\n";

CommandOutcome Finish(Status status, std::string out = {})
{
    if (status.ok())
        return {0, std::move(out), {}};
    return {1, {}, "tallowby-settings: " + DescribeStatus(status) + "\n"};
}

} // namespace

CommandOutcome UsageOutcome() { return {2, {}, kUsage}; }

bool IsSettingsCommand(const std::vector<std::u16string> &arguments)
{
    if (arguments.empty())
        return false;
    const std::size_t operands = arguments.size() - 1;
    return (arguments[0] == u"get" && (operands == 1 || operands == 2)) ||
           (arguments[0] == u"set" && operands == 2) || (arguments[0] == u"sample" && operands == 0);
}

CommandOutcome RunSettingsCommand(Form1Interface &window, const std::vector<std::u16string> &arguments)
{
    if (arguments.size() == 1 && arguments[0] == u"--help")
        return {0, std::string(kUsage) + kCommands, {}};
    if (arguments.size() == 1 && arguments[0] == u"--version")
        return {0, std::string("tallowby-settings ") + kVersion + "\n", {}};
    if (!IsSettingsCommand(arguments))
        return UsageOutcome();
    const std::u16string &command = arguments[0];
    const std::size_t operands = arguments.size() - 1;

    if (command == u"get") {
        const TextResult result =
            window.ProfileSettingGet(arguments[1], operands == 2 ? arguments[2] : std::u16string());
        return Finish(result.status, platform::ToUtf8(result.text) + "\n");
    }
    if (command == u"set")
        return Finish(window.ProfileSettingSave(arguments[1], arguments[2]));
    return Finish(window.InYourVBApp());
}

} // namespace tallowby
