// The command-line tool's commands, exit codes and messages.

#include "tests/support/SettingsTest.h"
#include "tools/SettingsCommand.h"

namespace tallowby::test {
namespace {

class SettingsCommandTest : public SettingsTest {
protected:
    CommandOutcome Run(std::vector<std::u16string> arguments)
    {
        return RunSettingsCommand(*window_, &ProfileStore::Process(), arguments);
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
             {u"list", u"x"},
             {u"delete"},
             {u"delete", u"a", u"b"},
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
    for (const char *line : {"\n  get KEY [DEFAULT] ", "\n  set KEY VALUE ", "\n  sample ", "\n  list ",
                             "\n  delete KEY ", "\n  --window COMMAND ", "\n  --help ", "\n  --version "})
        EXPECT_NE(help.out.find(line), std::string::npos) << "no line for " << line;

    const CommandOutcome version = Run({u"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "tallowby-settings " TALLOWBY_PROJECT_VERSION "\n");
    EXPECT_EQ(version.err, "");
    EXPECT_FALSE(ReadSettingsFile());
}

// The settings file as a failure line names it: where the user opens it.
std::string ShownSettingsPath()
{
#if defined(_WIN32)
    return "C:\\MyExcelSettings.ini";
#else
    return SettingsPath().string();
#endif
}

TEST_F(SettingsCommandTest, FailuresExitOneNamingTheFileAndTheCause)
{
    const std::string cause = ": invalid argument (0x80070057)\n";
    const struct {
        bool throughWindow;
        std::vector<std::u16string> arguments;
        std::string err;
    } cases[] = {
        {false, {u"set", u"a=b", u"v"}, "tallowby-settings: cannot save " + ShownSettingsPath() + cause},
        {false, {u"delete", u"a=b"}, "tallowby-settings: cannot save " + ShownSettingsPath() + cause},
        // The window's file may lie under another prefix: named as the program knows it.
        {true, {u"set", u"a=b", u"v"}, "tallowby-settings: the window cannot save C:\\MyExcelSettings.ini" + cause},
    };
    for (const auto &c : cases) {
        const CommandOutcome outcome =
            RunSettingsCommand(*window_, c.throughWindow ? nullptr : &ProfileStore::Process(), c.arguments);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err, c.err);
        EXPECT_EQ(outcome.out, "");
    }
}

// A section between a comment and another section, with a key written in
// another case: what list prints and what each delete leaves.
constexpr char kThreeSections[] = "[Other]\r\n"
                                  "Colour=red\r\n"
                                  "[ExcelData]\r\n"
                                  ";Colour=comment\r\n"
                                  "Colour=bleu ciel\r\n"
                                  "Size=\r\n"
                                  "Name=caf\xe9\r\n"
                                  "[Last]\r\n"
                                  "Colour=green\r\n";

TEST_F(SettingsCommandTest, ListPrintsTheSectionInTheFilesOrder)
{
    EXPECT_EQ(Run({u"list"}).out, "");
    WriteSettingsFile(kThreeSections);
    const CommandOutcome list = Run({u"list"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "Colour=bleu ciel\nSize=\nName=caf\xc3\xa9\n");
    EXPECT_EQ(list.err, "");
    EXPECT_EQ(ReadSettingsFile(), kThreeSections);
}

TEST_F(SettingsCommandTest, DeleteRemovesThatKeysLineAlone)
{
    struct Case {
        const char *name;
        std::u16string key;
        std::string after;
    };
    const std::string file = kThreeSections;
    const auto without = [&](const std::string &line) {
        std::string after = file;
        return after.erase(after.find(line, after.find("[ExcelData]")), line.size());
    };
    for (const Case &c : std::vector<Case>{
             {"a key", u"Colour", without("Colour=bleu ciel\r\n")},
             {"in another case", u"size", without("Size=\r\n")},
             {"through the code page", u"Name", without("Name=caf\xe9\r\n")},
             {"missing", u"Missing", file}}) {
        WriteSettingsFile(file);
        const CommandOutcome outcome = Run({u"delete", c.key});
        EXPECT_EQ(outcome.exitCode, 0) << c.name << ": " << outcome.err;
        EXPECT_EQ(outcome.out, "") << c.name;
        EXPECT_EQ(ReadSettingsFile(), c.after) << c.name;
    }
}

TEST_F(SettingsCommandTest, DeleteWithoutAFileOrSectionWritesNothing)
{
    EXPECT_EQ(Run({u"delete", u"Missing"}).exitCode, 0);
    EXPECT_FALSE(ReadSettingsFile());
    WriteSettingsFile("[Other]\r\nMissing=1\r\n");
    EXPECT_EQ(Run({u"delete", u"Missing"}).exitCode, 0);
    EXPECT_EQ(ReadSettingsFile(), "[Other]\r\nMissing=1\r\n");
}

TEST_F(SettingsCommandTest, DeleteFailsAsASetDoes)
{
    namespace fs = std::filesystem;
    WriteSettingsFile(kThreeSections);
    const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(SettingsPath(), writable, fs::perm_options::remove);
    const CommandOutcome set = Run({u"set", u"Colour", u"red"});
    const CommandOutcome deleted = Run({u"delete", u"Colour"});
    fs::permissions(SettingsPath(), fs::perms::owner_write, fs::perm_options::add);
    if (set.exitCode == 0)
        GTEST_SKIP() << "the platform lets this user write a read-only file (Wine run by root)";
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(set.err, "tallowby-settings: cannot save " + ShownSettingsPath() + ": access denied (0x80070005)\n");
    EXPECT_EQ(deleted.exitCode, set.exitCode);
    EXPECT_EQ(deleted.err, set.err);
    EXPECT_EQ(ReadSettingsFile(), kThreeSections);
}

TEST_F(SettingsCommandTest, ThroughTheWindowListAndDeleteAreRefused)
{
    for (const auto &arguments : std::vector<std::vector<std::u16string>>{{u"list"}, {u"delete", u"Colour"}}) {
        const std::optional<CommandOutcome> refused = RefusedThroughWindow(arguments);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->exitCode, 2);
        EXPECT_EQ(refused->err, "tallowby-settings: the window offers only get, set and sample\n");
        EXPECT_EQ(RunSettingsCommand(*window_, nullptr, arguments).err, refused->err);
    }
    EXPECT_EQ(RefusedThroughWindow({u"list", u"x"})->err.rfind("usage: tallowby-settings", 0), 0u);
    EXPECT_FALSE(RefusedThroughWindow({u"get", u"Colour"}));
    EXPECT_FALSE(ReadSettingsFile());
}

} // namespace
} // namespace tallowby::test
