// Each step of replacing the settings file failing in turn: the failure is
// reported with its cause and the old file survives whole.

#include "platform/linux/AtomicFile.h"
#include "tests/support/SettingsTest.h"

#include <cerrno>
#include <filesystem>

namespace tallowby::test {
namespace {

enum class Step { Open, Write, ShortWrite, Sync, Rename };

class FailingFileSystem final : public platform::FileSystem {
public:
    FailingFileSystem(Step step, int error) : step_(step), error_(error) {}
    int Open(const char *path, int flags, mode_t mode) override
    {
        return step_ == Step::Open ? Fail() : FileSystem::Open(path, flags, mode);
    }
    ssize_t Write(int fd, const void *data, size_t size) override
    {
        if (step_ == Step::ShortWrite && size > 1)
            return FileSystem::Write(fd, data, size / 2); // then the rest fails
        if (step_ == Step::ShortWrite || step_ == Step::Write)
            return Fail();
        return FileSystem::Write(fd, data, size);
    }
    int Sync(int fd) override { return step_ == Step::Sync ? Fail() : FileSystem::Sync(fd); }
    int Rename(const char *from, const char *to) override
    {
        return step_ == Step::Rename ? Fail() : FileSystem::Rename(from, to);
    }

private:
    int Fail()
    {
        errno = error_;
        return -1;
    }
    Step step_;
    int error_;
};

struct Fault {
    const char *name;
    Step step;
    int error;
    Status expected;
};

class ReplaceFaultTest : public SettingsTest, public testing::WithParamInterface<Fault> {};

TEST_P(ReplaceFaultTest, OldFileSurvives)
{
    const std::string old = "[ExcelData]\r\nKey=old\r\nOther=kept\r\n";
    WriteSettingsFile(old);
    {
        FailingFileSystem failing(GetParam().step, GetParam().error);
        const platform::FileSystem::Override override(failing);
        EXPECT_EQ(Save(u"Key", u"new"), GetParam().expected) << DescribeStatus(Save(u"Key", u"new"));
    }
    EXPECT_EQ(ReadSettingsFile(), old);
    EXPECT_EQ(Get(u"Key"), u"old");
    // Nothing of the failed attempt is left beside the file.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(SettingsPath().parent_path()))
        ++files;
    EXPECT_EQ(files, 1u);
    EXPECT_EQ(Save(u"Key", u"new"), Status::Ok()) << "the next save goes through";
}

TEST_P(ReplaceFaultTest, MissingFileStaysMissing)
{
    std::filesystem::create_directories(SettingsPath().parent_path());
    {
        FailingFileSystem failing(GetParam().step, GetParam().error);
        const platform::FileSystem::Override override(failing);
        const Status saved = Save(u"Key", u"new");
        EXPECT_EQ(saved, GetParam().expected) << DescribeStatus(saved);
    }
    // Not even the empty file that writers lock to meet on.
    EXPECT_TRUE(std::filesystem::is_empty(SettingsPath().parent_path()));
    EXPECT_EQ(Get(u"Key", u"none"), u"none");
}

const Fault kFaults[] = {
    {"OpenDenied", Step::Open, EACCES, Status::FromWin32(win32_error::AccessDenied)},
    {"DiskFullOnWrite", Step::Write, ENOSPC, Status::FromWin32(win32_error::DiskFull)},
    {"DiskFullHalfway", Step::ShortWrite, ENOSPC, Status::FromWin32(win32_error::DiskFull)},
    {"QuotaOnWrite", Step::Write, EDQUOT, Status::FromWin32(win32_error::DiskFull)},
    {"IoErrorOnFlush", Step::Sync, EIO, Status::FromWin32(win32_error::WriteFault)},
    {"ReadOnlyOnRename", Step::Rename, EROFS, Status::FromWin32(win32_error::WriteProtect)},
};

INSTANTIATE_TEST_SUITE_P(Steps, ReplaceFaultTest, testing::ValuesIn(kFaults),
                         [](const auto &test) { return std::string(test.param.name); });

} // namespace
} // namespace tallowby::test
