#include "tools/SettingsCommand.h"

#include "platform/Utf8.h"

namespace tallowby {

namespace {

constexpr char kUsage[] =
    "usage: tallowby-settings [--window] get KEY [DEFAULT] | set KEY VALUE | sample\n";

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
