// The command-line tool's commands, exit codes and messages.

#include "tests/support/SettingsTest.h"
#include "tools/SettingsCommand.h"

namespace tallowby::test {
namespace {

class SettingsCommandTest : public SettingsTest {
protected:
    CommandOutcome Run(std::vector<std::u16string> arguments)
    {
        return RunSettingsCommand(*window_, arguments);
    }
};

TEST_F(SettingsCommandTest, SetThenGetPrintsTheValueAsUtf8)
{
    const CommandOutcome set = Run({u"set", u"Name", u"caf\u00e9"});
    EXPECT_EQ(set.exitCode, 0);
    EXPECT_EQ(set.out, "");
    const CommandOutcome get = Run({u"get", u"Name"});
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.out, "caf\xc3\xa9\n");
}

TEST_F(SettingsCommandTest, GetOfAnAbsentKeyPrintsTheDefaultOrNothing)
{
    EXPECT_EQ(Run({u"get", u"Missing", u"fallback"}).out, "fallback\n");
    EXPECT_EQ(Run({u"get", u"Missing"}).out, "\n");
}

TEST_F(SettingsCommandTest, SampleRecordsBothSettings)
{
    EXPECT_EQ(Run({u"sample"}).exitCode, 0);
    EXPECT_EQ(Run({u"get", u"Check1Name"}).out, "First Check Box\n");
    EXPECT_EQ(Run({u"get", u"Check1Value"}).out, "1\n");
}

TEST_F(SettingsCommandTest, BadCommandLinesExitTwoWithUsage)
{
    for (const auto &arguments : std::vector<std::vector<std::u16string>>{
             {},
             {u"get"},
             {u"get", u"a", u"b", u"c"},
             {u"set", u"a"},
             {u"sample", u"x"},
             {u"delete", u"a"},
             {u"--help", u"get"},
             {u"--version", u"x"},
             {u"-h"}}) {
        const CommandOutcome outcome = Run(arguments);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.err.rfind("usage: tallowby-settings", 0), 0u) << outcome.err;
    }
}

TEST_F(SettingsCommandTest, HelpAndVersionPrintOnStdoutAndTouchNothing)
{
    const CommandOutcome help = Run({u"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("usage: tallowby-settings", 0), 0u) << help.out;
    for (const char *line : {"\n  get KEY [DEFAULT] ", "\n  set KEY VALUE ", "\n  sample ", "\n  --window COMMAND ",
                             "\n  --help ", "\n  --version "})
        EXPECT_NE(help.out.find(line), std::string::npos) << "no line for " << line;

    const CommandOutcome version = Run({u"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "tallowby-settings " TALLOWBY_PROJECT_VERSION "\n");
    EXPECT_EQ(version.err, "");
    EXPECT_FALSE(ReadSettingsFile());
}

TEST_F(SettingsCommandTest, FailuresExitOneNamingTheCause)
{
    const CommandOutcome refused = Run({u"set", u"a=b", u"v"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "tallowby-settings: invalid argument (0x80070057)\n");
    EXPECT_EQ(refused.out, "");
}

} // namespace
} // namespace tallowby::test
