// Each system call of a save failing in turn: a step before the rename
// fails the save with its cause and the old file survives whole; a step
// whose failure cannot harm the file is passed over.

#include "platform/linux/ProfileFile.h"
#include "platform/linux/files/FileSystem.h"
#include "tests/support/SettingsTest.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <thread>
#include <utility>
#include <vector>

namespace tallowby::test {
namespace {

enum class Step {
    LockFolder,
    LoadStat, // the load's first look at the file
    Read,
    Stat, // the looks after it, until the new version is opened
    Access,
    Open,
    ChangeMode,
    Write,
    ShortWrite,
    Sync,
    Close,
    Rename,
    FolderOpen,
    FolderSync,
};

// Fails the calls of one step of a save. Every call of the file layer
// comes here, so the step's calls are told from the rest by how far the
// save has come and by what it opened each descriptor for.
class FailingFileSystem final : public platform::FileSystem {
public:
    FailingFileSystem(Step step, int error) : step_(step), error_(error) {}
    int Stat(const char *path, struct stat *info) override
    {
        // The lock's check that its descriptor is still the file tries
        // again until the deadline; it is not a step of these.
        if (std::exchange(checkingLock_, false))
            return FileSystem::Stat(path, info);
        if (phase_ == Phase::Locking) {
            phase_ = Phase::Loading; // the load's first look
            return step_ == Step::LoadStat ? Fail() : FileSystem::Stat(path, info);
        }
        return step_ == Step::Stat && phase_ == Phase::Loading ? Fail() : FileSystem::Stat(path, info);
    }
    int StatOpen(int fd, struct stat *info) override
    {
        checkingLock_ = RoleOf(fd) == Role::FileLock;
        return FileSystem::StatOpen(fd, info);
    }
    ssize_t Read(int fd, void *data, size_t size) override
    {
        readWhileWriting_ = readWhileWriting_ || phase_ == Phase::Writing;
        return step_ == Step::Read ? Fail() : FileSystem::Read(fd, data, size);
    }
    int Lock(int fd, int operation) override
    {
        return step_ == Step::LockFolder ? Fail() : FileSystem::Lock(fd, operation);
    }
    int Access(const char *path, int mode) override
    {
        return step_ == Step::Access ? Fail() : FileSystem::Access(path, mode);
    }
    int Open(const char *path, int flags, mode_t mode) override
    {
        Role role = Role::Other;
        if ((flags & O_DIRECTORY) != 0)
            role = phase_ == Phase::Renamed ? Role::FolderFlush : Role::FolderLock;
        else if ((flags & O_ACCMODE) == O_RDWR)
            role = Role::FileLock;
        else if ((flags & O_ACCMODE) == O_WRONLY)
            role = Role::NewFile;
        if ((step_ == Step::Open && role == Role::NewFile) || (step_ == Step::FolderOpen && role == Role::FolderFlush))
            return Fail();
        const int fd = FileSystem::Open(path, flags, mode);
        if (fd >= 0)
            roles_[fd] = role;
        if (role == Role::NewFile)
            phase_ = Phase::Writing;
        return fd;
    }
    int ChangeMode(int fd, mode_t mode) override
    {
        return step_ == Step::ChangeMode ? Fail() : FileSystem::ChangeMode(fd, mode);
    }
    ssize_t Write(int fd, const void *data, size_t size) override
    {
        if (step_ == Step::ShortWrite && size > 1)
            return FileSystem::Write(fd, data, size / 2); // then the rest fails
        if (step_ == Step::ShortWrite || step_ == Step::Write)
            return Fail();
        return FileSystem::Write(fd, data, size);
    }
    int Sync(int fd) override
    {
        return step_ == (RoleOf(fd) == Role::FolderFlush ? Step::FolderSync : Step::Sync) ? Fail()
                                                                                          : FileSystem::Sync(fd);
    }
    int Close(int fd) override
    {
        const Role role = RoleOf(fd);
        roles_.erase(fd);
        const int closed = FileSystem::Close(fd); // a failed close still frees the descriptor
        return step_ == Step::Close && role == Role::NewFile ? Fail() : closed;
    }
    int Rename(const char *from, const char *to) override
    {
        if (step_ == Step::Rename)
            return Fail();
        const int renamed = FileSystem::Rename(from, to);
        if (renamed == 0)
            phase_ = Phase::Renamed;
        return renamed;
    }

    // Whether the step was reached, so that a case cannot pass unexercised.
    bool failed() const { return failed_; }
    // Whether the file was read while its new version was written: a copy
    // made as it was read.
    bool copiedAsRead() const { return readWhileWriting_; }

private:
    // How far the save has come: taking its locks, loading the file from
    // its first look on, writing the new version, or past the rename.
    enum class Phase { Locking, Loading, Writing, Renamed };
    // What the save opened a descriptor for.
    enum class Role { Other, FolderLock, FileLock, NewFile, FolderFlush };

    Role RoleOf(int fd) const
    {
        const auto found = roles_.find(fd);
        return found != roles_.end() ? found->second : Role::Other;
    }
    int Fail()
    {
        failed_ = true;
        errno = error_;
        return -1;
    }
    Step step_;
    int error_;
    Phase phase_ = Phase::Locking;
    std::map<int, Role> roles_;
    bool checkingLock_ = false;
    bool failed_ = false;
    bool readWhileWriting_ = false;
};

struct Fault {
    const char *name;
    Step step;
    int error;
    Status expected; // success: the failure is passed over
};

class ReplaceFaultTest : public SettingsTest, public testing::WithParamInterface<Fault> {
protected:
    Status SaveFailing(const std::u16string &key, const std::u16string &value)
    {
        FailingFileSystem failing(GetParam().step, GetParam().error);
        const platform::FileSystem::Override override(failing);
        const Status saved = Save(key, value);
        EXPECT_TRUE(failing.failed()) << "the step was never reached";
        return saved;
    }
    // The same step failing in a new process's first set, which copies a
    // file that has been still a while as it reads it.
    Status FirstSetFailing(bool &copiedAsRead)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        FailingFileSystem failing(GetParam().step, GetParam().error);
        platform::ProfileFile newProcess;
        platform::Error error;
        {
            const platform::FileSystem::Override override(failing);
            error = newProcess.Write(SettingsFileName().c_str(), {"ExcelData", "Key", "new"});
        }
        EXPECT_TRUE(failing.failed()) << "the step was never reached";
        copiedAsRead = failing.copiedAsRead();
        return error.failed() ? Status::FromWin32(error.code()) : kSuccess;
    }
    // Nothing of a save is left beside the file.
    std::size_t FilesInFolder() const
    {
        std::size_t files = 0;
        for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(SettingsPath().parent_path()))
            ++files;
        return files;
    }
};

using FailingStepTest = ReplaceFaultTest;
using FirstSetFailingStepTest = ReplaceFaultTest;
using PassedOverStepTest = ReplaceFaultTest;

TEST_P(FailingStepTest, OldFileSurvives)
{
    const std::string old = "[ExcelData]\r\nKey=old\r\nOther=kept\r\n";
    WriteSettingsFile(old);
    const Status saved = SaveFailing(u"Key", u"new");
    EXPECT_EQ(saved, GetParam().expected) << DescribeStatus(saved);
    EXPECT_EQ(ReadSettingsFile(), old);
    EXPECT_EQ(Get(u"Key"), u"old");
    EXPECT_EQ(FilesInFolder(), 1u);
    EXPECT_EQ(Save(u"Key", u"new"), kSuccess) << "the next save goes through";
}

TEST_P(FailingStepTest, MissingFileStaysMissing)
{
    std::filesystem::create_directories(SettingsPath().parent_path());
    const Status saved = SaveFailing(u"Key", u"new");
    EXPECT_EQ(saved, GetParam().expected) << DescribeStatus(saved);
    // Not even the empty file that writers lock to meet on.
    EXPECT_EQ(FilesInFolder(), 0u);
    EXPECT_EQ(Get(u"Key", u"none"), u"none");
}

TEST_P(FirstSetFailingStepTest, OldFileSurvives)
{
    const std::string old = "[ExcelData]\r\nKey=old\r\nOther=kept\r\n";
    WriteSettingsFile(old);
    bool copiedAsRead = false;
    const Status saved = FirstSetFailing(copiedAsRead);
    EXPECT_EQ(saved, GetParam().expected) << DescribeStatus(saved);
    EXPECT_EQ(ReadSettingsFile(), old);
    EXPECT_EQ(FilesInFolder(), 1u);
    EXPECT_EQ(Save(u"Key", u"new"), kSuccess) << "the next save goes through";
}

TEST_P(PassedOverStepTest, NewFileStands)
{
    WriteSettingsFile("[ExcelData]\r\nKey=old\r\n");
    const Status saved = SaveFailing(u"Key", u"new");
    EXPECT_EQ(saved, kSuccess) << DescribeStatus(saved);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nKey=new\r\n");
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_P(PassedOverStepTest, NewFileStandsAfterAFirstSet)
{
    WriteSettingsFile("[ExcelData]\r\nKey=old\r\n");
    bool copiedAsRead = false;
    const Status saved = FirstSetFailing(copiedAsRead);
    EXPECT_EQ(saved, kSuccess) << DescribeStatus(saved);
    EXPECT_TRUE(copiedAsRead);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nKey=new\r\n");
    EXPECT_EQ(FilesInFolder(), 1u);
}

const Fault kFailingSteps[] = {
    {"FolderLockRefused", Step::LockFolder, ENOLCK, Status::FromWin32(platform::win32_error::GenFailure)},
    {"StatDeniedOnLoad", Step::LoadStat, EACCES, Status::FromWin32(platform::win32_error::AccessDenied)},
    {"IoErrorOnRead", Step::Read, EIO, Status::FromWin32(platform::win32_error::ReadFault)},
    {"StatFails", Step::Stat, EIO, Status::FromWin32(platform::win32_error::WriteFault)},
    {"AccessRefused", Step::Access, EACCES, Status::FromWin32(platform::win32_error::AccessDenied)},
    {"OpenDenied", Step::Open, EACCES, Status::FromWin32(platform::win32_error::AccessDenied)},
    {"DiskFullOnWrite", Step::Write, ENOSPC, Status::FromWin32(platform::win32_error::DiskFull)},
    {"DiskFullHalfway", Step::ShortWrite, ENOSPC, Status::FromWin32(platform::win32_error::DiskFull)},
    {"QuotaOnWrite", Step::Write, EDQUOT, Status::FromWin32(platform::win32_error::DiskFull)},
    {"IoErrorOnFlush", Step::Sync, EIO, Status::FromWin32(platform::win32_error::WriteFault)},
    {"IoErrorOnClose", Step::Close, EIO, Status::FromWin32(platform::win32_error::WriteFault)},
    {"ReadOnlyOnRename", Step::Rename, EROFS, Status::FromWin32(platform::win32_error::WriteProtect)},
};

// A file system without modes refuses the change of modes, and a folder
// that cannot be flushed already holds the renamed file.
const Fault kPassedOverSteps[] = {
    {"ModesRefused", Step::ChangeMode, EPERM, kSuccess},
    {"FolderOpenFails", Step::FolderOpen, EACCES, kSuccess},
    {"FolderFlushFails", Step::FolderSync, EIO, kSuccess},
};

// A first set's copy takes no look at the file between its read and its
// new version.
std::vector<Fault> FirstSetSteps()
{
    std::vector<Fault> steps(std::begin(kFailingSteps), std::end(kFailingSteps));
    std::erase_if(steps, [](const Fault &fault) { return fault.step == Step::Stat; });
    return steps;
}

auto FaultName = [](const auto &test) { return std::string(test.param.name); };
INSTANTIATE_TEST_SUITE_P(Steps, FailingStepTest, testing::ValuesIn(kFailingSteps), FaultName);
INSTANTIATE_TEST_SUITE_P(Steps, FirstSetFailingStepTest, testing::ValuesIn(FirstSetSteps()), FaultName);
INSTANTIATE_TEST_SUITE_P(Steps, PassedOverStepTest, testing::ValuesIn(kPassedOverSteps), FaultName);

} // namespace
} // namespace tallowby::test
