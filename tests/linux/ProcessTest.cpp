// Guarantees that take more than one process: writers killed mid-save,
// writers at once, and writes the system refuses.

#include "tests/support/SettingsTest.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <chrono>
#include <fcntl.h>
#include <iterator>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tallowby::test {
namespace {

constexpr uid_t kNobody = 65534;

// Runs `body` in a child process and returns its exit code.
int InChild(const std::function<int()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs `body` as the unprivileged user, where permissions apply.
int AsNobody(const std::function<int()> &body)
{
    return InChild([&] {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            return 99;
        return body();
    });
}

// The status of a save as a child's exit code: 0, or the low byte of the
// Win32 error number.
int SaveCode(Form1Interface &window, const std::u16string &key, const std::u16string &value)
{
    const Status status = window.ProfileSettingSave(key, value);
    return status.ok() ? 0 : static_cast<int>(status.code() & 0xFF);
}

class ProcessTest : public SettingsTest {
protected:
    void SetUp() override
    {
        // A prefix every user can reach, wherever the build tree lies.
        char prefix[] = "/tmp/tallowby-process-XXXXXX";
        ASSERT_NE(::mkdtemp(prefix), nullptr);
        ::chmod(prefix, 0755);
        prefix_ = prefix;
        if (const char *old = std::getenv("TALLOWBY_PREFIX"))
            savedPrefix_ = old;
        ::setenv("TALLOWBY_PREFIX", prefix, 1);
        SettingsTest::SetUp();
        folder_ = SettingsPath().parent_path();
        std::filesystem::create_directories(folder_);
        ::chmod(folder_.c_str(), 0755);
    }
    void TearDown() override
    {
        ::chmod(folder_.c_str(), 0755);
        SettingsTest::TearDown();
        std::filesystem::remove_all(prefix_);
        ::setenv("TALLOWBY_PREFIX", savedPrefix_.c_str(), 1);
    }
    std::string Value(int writer, int n) { return "writer " + std::to_string(writer) + " value " + std::to_string(n); }
    std::filesystem::path prefix_;
    // What the settings file's folder holds besides the file: a failed
    // write must leave no half-written copy behind.
    std::vector<std::string> Leftovers() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder_)) {
            if (entry.path() != SettingsPath())
                names.push_back(entry.path().filename().string());
        }
        return names;
    }

    std::filesystem::path folder_;
    std::string savedPrefix_;
};

TEST_F(ProcessTest, WriterKilledAtAnyMomentLeavesOldOrNewFile)
{
    // Values grow with each save so that a torn file cannot pass for whole.
    ASSERT_EQ(Save(u"Key", u"start"), kSuccess);
    std::mt19937 random(20261207);
    for (int round = 0; round < 40; ++round) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int n = 0;; ++n)
                window_->ProfileSettingSave(u"Key", std::u16string(static_cast<std::size_t>(100 + n), u'x'));
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(200, 5000)(random));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);

        const auto file = ReadSettingsFile();
        ASSERT_TRUE(file) << "round " << round;
        const std::u16string value = Get(u"Key", u"<absent>");
        ASSERT_TRUE(value == u"start" || (value.size() >= 100 && value.find_first_not_of(u'x') == std::u16string::npos))
            << "round " << round << ": torn value of " << value.size() << " characters";
        ASSERT_EQ(file->substr(file->size() - 2), "\r\n");
    }
    EXPECT_EQ(Save(u"Key", u"after"), kSuccess) << "a killed writer leaves no lock behind";
}

TEST_F(ProcessTest, WritersAtOnceLoseNoKey)
{
    constexpr int kWriters = 4, kKeys = 200;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int n = 0; n < kKeys; ++n) {
                const std::string key = "W" + std::to_string(w) + "K" + std::to_string(n);
                const std::string value = Value(w, n);
                if (window_->ProfileSettingSave(std::u16string(key.begin(), key.end()),
                                                std::u16string(value.begin(), value.end())).failed())
                    ::_exit(1);
            }
            ::_exit(0);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int found = 0;
    for (int w = 0; w < kWriters; ++w) {
        for (int n = 0; n < kKeys; ++n) {
            const std::string key = "W" + std::to_string(w) + "K" + std::to_string(n);
            const std::string value = Value(w, n);
            found += Get(std::u16string(key.begin(), key.end())) == std::u16string(value.begin(), value.end());
        }
    }
    EXPECT_EQ(found, kWriters * kKeys);
}

// A peer changes the file as fast as it can, keeping its size; after each
// change returns, this process's very next get must see it.
void ExpectEveryChangeSeen(Form1Interface &window, const std::function<void(int)> &change)
{
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    constexpr int kRounds = 400;
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int round = 0; round < kRounds; ++round) {
            change(round);
            char go = 0;
            if (::write(toParent[1], &round, sizeof round) != sizeof round || ::read(toChild[0], &go, 1) != 1)
                ::_exit(1);
        }
        ::_exit(0);
    }
    int stale = 0;
    for (int round = 0; round < kRounds; ++round) {
        int done = -1;
        ASSERT_EQ(::read(toParent[0], &done, sizeof done), static_cast<ssize_t>(sizeof done));
        char expected[16];
        std::snprintf(expected, sizeof expected, "v%06d", done);
        const TextResult read = window.ProfileSettingGet(u"Key", u"");
        stale += read.text != std::u16string(expected, expected + 7);
        ASSERT_EQ(::write(toChild[1], "g", 1), 1);
    }
    ::waitpid(pid, nullptr, 0);
    for (const int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        ::close(fd);
    EXPECT_EQ(stale, 0) << "gets that missed a change that had returned";
}

TEST_F(ProcessTest, EverySaveOfAnotherProcessIsSeenAtOnce)
{
    ASSERT_EQ(Save(u"Key", u"start"), kSuccess);
    ExpectEveryChangeSeen(*window_, [&](int round) {
        char value[16];
        std::snprintf(value, sizeof value, "v%06d", round);
        window_->ProfileSettingSave(u"Key", std::u16string(value, value + 7));
    });
}

TEST_F(ProcessTest, EveryChangeInPlaceIsSeenAtOnce)
{
    // Same inode, same size, often the same timestamp: only the refusal to
    // trust a file changed within the clock's tick catches these.
    WriteSettingsFile("[ExcelData]\r\nKey=start00\r\n");
    ExpectEveryChangeSeen(*window_, [&](int round) {
        char line[40];
        std::snprintf(line, sizeof line, "[ExcelData]\r\nKey=v%06d\r\n", round);
        std::fstream file(SettingsPath(), std::ios::binary | std::ios::in | std::ios::out);
        file.write(line, static_cast<std::streamsize>(std::strlen(line)));
    });
}

TEST_F(ProcessTest, ReadOnlyFileIsRefusedEvenForRoot)
{
    WriteSettingsFile("[ExcelData]\r\nKey=old\r\n");
    ::chmod(SettingsPath().c_str(), 0444);
    EXPECT_EQ(Save(u"Key", u"new"), Status::FromWin32(platform::win32_error::AccessDenied));
    EXPECT_EQ(Get(u"Key"), u"old");
    EXPECT_EQ(*ReadSettingsFile(), "[ExcelData]\r\nKey=old\r\n");
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ProcessTest, FileOfAnotherUserIsRefused)
{
    // The folder is the user's own, so only the file's permissions stop the
    // rename that would replace it.
    ::chown(folder_.c_str(), kNobody, kNobody);
    WriteSettingsFile("[ExcelData]\r\nKey=old\r\n");
    ::chmod(SettingsPath().c_str(), 0644);
    EXPECT_EQ(AsNobody([&] { return SaveCode(*window_, u"Key", u"new"); }), int(platform::win32_error::AccessDenied));
    EXPECT_EQ(*ReadSettingsFile(), "[ExcelData]\r\nKey=old\r\n");
    ::chown(folder_.c_str(), 0, 0);
}

TEST_F(ProcessTest, UnwritableFolderIsRefused)
{
    WriteSettingsFile("[ExcelData]\r\nKey=old\r\n");
    ::chmod(SettingsPath().c_str(), 0666);
    EXPECT_EQ(AsNobody([&] { return SaveCode(*window_, u"Key", u"new"); }), int(platform::win32_error::AccessDenied));
    EXPECT_EQ(AsNobody([&] { return window_->ProfileSettingGet(u"Key", u"").text == u"old" ? 0 : 1; }), 0)
        << "reading needs no right to write";
    EXPECT_EQ(*ReadSettingsFile(), "[ExcelData]\r\nKey=old\r\n");
}

TEST_F(ProcessTest, UnreadableFileIsNeitherReadNorReplaced)
{
    const std::string old = "[ExcelData]\r\nKey=old\r\n";
    WriteSettingsFile(old);
    ::chmod(folder_.c_str(), 0777);
    ::chmod(SettingsPath().c_str(), 0222); // write only
    EXPECT_EQ(AsNobody([&] { return window_->ProfileSettingGet(u"Key", u"d").text == u"d" ? 0 : 1; }), 0)
        << "a file that cannot be read reads as absent";
    EXPECT_EQ(AsNobody([&] { return SaveCode(*window_, u"Other", u"v"); }), int(platform::win32_error::AccessDenied))
        << "saving must not replace a file whose keys it cannot read";
    ::chmod(SettingsPath().c_str(), 0644);
    EXPECT_EQ(ReadSettingsFile(), old);
}

TEST_F(ProcessTest, MissingDriveThatCannotBeMadeIsRefused)
{
    // The prefix lies below a plain file, so drive C cannot be made.
    const auto blocker = prefix_ / "not-a-folder";
    { std::ofstream(blocker) << "x"; }
    ::setenv("TALLOWBY_PREFIX", (blocker / "prefix").c_str(), 1);
    const Status saved = Save(u"Key", u"v");
    ::setenv("TALLOWBY_PREFIX", prefix_.c_str(), 1);
    EXPECT_EQ(saved, Status::FromWin32(platform::win32_error::PathNotFound)) << DescribeStatus(saved);
    EXPECT_EQ(Get(u"Key", u"d"), u"d");
}

TEST_F(ProcessTest, SymbolicLinkStaysALinkAndItsTargetIsReplaced)
{
    const auto target = prefix_ / "elsewhere" / "settings.ini";
    std::filesystem::create_directories(target.parent_path());
    { std::ofstream(target, std::ios::binary) << "[ExcelData]\r\nKey=old\r\n"; }
    std::filesystem::create_symlink(target, SettingsPath());
    ASSERT_EQ(Save(u"Key", u"new"), kSuccess);
    EXPECT_TRUE(std::filesystem::is_symlink(SettingsPath()));
    std::ifstream in(target, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[ExcelData]\r\nKey=new\r\n");
    EXPECT_EQ(Get(u"Key"), u"new");
}

TEST_F(ProcessTest, LockHeldTooLongFailsInsteadOfHanging)
{
    WriteSettingsFile("[ExcelData]\r\nKey=old\r\n");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
        ::flock(fd, LOCK_EX);
        (void)!::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    const auto start = std::chrono::steady_clock::now();
    const Status saved = Save(u"Key", u"new");
    const auto waited = std::chrono::steady_clock::now() - start;
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(saved, Status::FromWin32(platform::win32_error::Timeout)) << DescribeStatus(saved);
    EXPECT_LT(waited, std::chrono::seconds(30)) << "the wait is bounded";
    EXPECT_EQ(Get(u"Key"), u"old") << "readers need no lock";
    EXPECT_EQ(*ReadSettingsFile(), "[ExcelData]\r\nKey=old\r\n");
    EXPECT_EQ(Save(u"Key", u"new"), kSuccess) << "the lock is free again once its holder is gone";
}

TEST_F(ProcessTest, FullDiskIsRefused)
{
    const std::string old = "[ExcelData]\r\nKey=old\r\n";
    WriteSettingsFile(old);
    const int code = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64}; // bytes: the new file cannot be written whole
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return SaveCode(*window_, u"Key", std::u16string(200, u'n'));
    });
    EXPECT_EQ(code, int(platform::win32_error::FileTooLarge));
    EXPECT_EQ(ReadSettingsFile(), old);
    EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
}

} // namespace
} // namespace tallowby::test
