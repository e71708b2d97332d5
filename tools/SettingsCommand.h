#pragma once

#include "settings/Form1Interface.h"
#include "settings/ProfileStore.h"

#include <optional>
#include <string>
#include <vector>

namespace tallowby {

// What one run of tallowby-settings prints and returns.
struct CommandOutcome {
    int exitCode = 0;
    std::string out; // UTF-8
    std::string err; // UTF-8
};

// Runs the command line `arguments` (without the program name): "get KEY
// [DEFAULT]", "set KEY VALUE" and "sample" against the operations of
// `window`, "list" and "delete KEY" against `store`, which is null when the
// window is another process's (they are then refused as by
// RefusedThroughWindow); "--help" and "--version" print on stdout and touch
// nothing. Exit 0 on success, 1 on a failed operation, 2 on a bad command
// line.
CommandOutcome RunSettingsCommand(Form1Interface &window, ProfileStore *store,
                                  const std::vector<std::u16string> &arguments);

// Whether `arguments` form one of the commands above; anything else is
// answered with the usage and exit code 2.
bool IsSettingsCommand(const std::vector<std::u16string> &arguments);

// The answer, exit code 2, to a command line the running window cannot
// carry: the usage for a bad one, a line saying the window offers only its
// three operations for "list" and "delete". Empty when the window can carry
// it.
std::optional<CommandOutcome> RefusedThroughWindow(const std::vector<std::u16string> &arguments);

// The usage, as printed on a bad command line.
CommandOutcome UsageOutcome();

} // namespace tallowby
