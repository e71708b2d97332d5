// Other programs writing the settings file while this build does: writers of
// the Windows build, which lock the byte far past the file's end and rewrite
// the file in place, and programs that write it in place without any lock.

#include "platform/WriterLock.h"
#include "platform/linux/codepage/FileCodec.h"
#include "platform/linux/files/FileSystem.h"
#include "platform/linux/files/UniqueFd.h"
#include "platform/linux/ini/IniDocument.h"
#include "platform/linux/Kernel32.h"
#include "platform/linux/ProfileFile.h"
#include "tests/support/SettingsTest.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tallowby::test {
namespace {

// Locks the byte as the Windows build's LockFileEx does, seen from Linux.
bool LockByte(int fd)
{
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(platform::kWriterLockOffset);
    range.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &range) == 0;
}

// Rewrites the file in place, keeping its inode, as Wine's kernel32 does.
bool RewriteInPlace(int fd, const std::string &text)
{
    return ::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) == ssize_t(text.size());
}

class Pipe {
public:
    Pipe()
    {
        if (::pipe(ends_) != 0)
            ends_[0] = ends_[1] = -1;
    }
    Pipe(const Pipe &) = delete;
    Pipe &operator=(const Pipe &) = delete;
    ~Pipe()
    {
        for (const int fd : ends_) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    void Send() { (void)!::write(ends_[1], "x", 1); }
    bool Receive()
    {
        char byte = 0;
        return ::read(ends_[0], &byte, 1) == 1;
    }

private:
    int ends_[2];
};

// A process running `body`, whose result is its exit code; killed and reaped
// when the test ends, on every path.
class Child {
public:
    explicit Child(const std::function<int()> &body) : pid_(::fork())
    {
        if (pid_ == 0)
            ::_exit(body());
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    ~Child()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Exited(bool block = false)
    {
        int status = 0;
        if (pid_ <= 0 || ::waitpid(pid_, &status, block ? 0 : WNOHANG) != pid_)
            return pid_ <= 0;
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid_ = -1;
        return true;
    }
    int Wait()
    {
        Exited(true);
        return code_;
    }
    // Waits until the process has the file `file` open, or has ended.
    void WaitUntilOpen(const struct stat &file)
    {
        while (!Exited() && !HasOpen(file))
            ::usleep(1000);
    }

private:
    bool HasOpen(const struct stat &file) const
    {
        std::error_code error;
        for (const auto &entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error)) {
            struct stat info {};
            if (::stat(entry.path().c_str(), &info) == 0 && info.st_dev == file.st_dev && info.st_ino == file.st_ino)
                return true;
        }
        return false;
    }

    pid_t pid_;
    int code_ = -1;
};

// The status of a save as a child's exit code: 0, or the low byte of the
// Win32 error number.
int SaveCode(Form1Interface &window, const std::u16string &key, const std::u16string &value)
{
    const Status status = window.ProfileSettingSave(key, value);
    return status.ok() ? 0 : static_cast<int>(status.code() & 0xFF);
}

struct stat StatOf(const std::filesystem::path &path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

class OtherWritersTest : public SettingsTest {
protected:
    std::size_t FilesInFolder() const
    {
        std::size_t files = 0;
        for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(SettingsPath().parent_path()))
            ++files;
        return files;
    }
    const std::string old_ = "[ExcelData]\r\nKey=old\r\n";
};

TEST_F(OtherWritersTest, SaveWaitsForAWindowsWriterAndKeepsItsChange)
{
    WriteSettingsFile(old_);
    Pipe locked, write;
    Child windows([&] {
        const int fd = ::open(SettingsPath().c_str(), O_RDWR);
        if (!LockByte(fd))
            return 1;
        locked.Send();
        if (!write.Receive() || !RewriteInPlace(fd, "[ExcelData]\r\nKey=old\r\nPeer=windows\r\n"))
            return 2;
        return 0; // the lock goes with the process
    });
    ASSERT_TRUE(locked.Receive());
    Child saver([&] { return SaveCode(*window_, u"Key", u"new"); });
    saver.WaitUntilOpen(StatOf(SettingsPath())); // and so found the byte locked
    write.Send();
    EXPECT_EQ(windows.Wait(), 0);
    EXPECT_EQ(saver.Wait(), 0);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nKey=new\r\nPeer=windows\r\n");
}

TEST_F(OtherWritersTest, LockHeldTooLongFailsTheSaveAndLeavesTheFile)
{
    WriteSettingsFile(old_);
    Pipe locked;
    Child windows([&] {
        const int fd = ::open(SettingsPath().c_str(), O_RDWR);
        if (!LockByte(fd))
            return 1;
        locked.Send();
        ::pause();
        return 0;
    });
    ASSERT_TRUE(locked.Receive());
    const Status saved = Save(u"Key", u"new");
    EXPECT_EQ(saved.code(), 0x800705B4u) << DescribeStatus(saved);
    EXPECT_EQ(Get(u"Key"), u"old") << "readers need no lock";
    EXPECT_EQ(ReadSettingsFile(), old_);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(OtherWritersTest, LockOnAFileRenamedOverIsNotTrusted)
{
    WriteSettingsFile(old_);
    const auto replacement = SettingsPath().parent_path() / "replacement.ini";
    const std::string replaced = "[ExcelData]\r\nKey=replaced\r\n";
    { std::ofstream(replacement, std::ios::binary) << replaced; }
    Pipe locked, swap, swapped;
    Child other([&] {
        const int first = ::open(SettingsPath().c_str(), O_RDWR);
        if (!LockByte(first))
            return 1;
        locked.Send();
        // A new file renamed into place, kept locked, and only then the old
        // one let go.
        const int second = ::open(replacement.c_str(), O_RDWR);
        if (!swap.Receive() || !LockByte(second) || ::rename(replacement.c_str(), SettingsPath().c_str()) != 0)
            return 2;
        ::close(first);
        swapped.Send();
        ::pause();
        return 0;
    });
    ASSERT_TRUE(locked.Receive());
    Child saver([&] { return SaveCode(*window_, u"Key", u"new"); });
    saver.WaitUntilOpen(StatOf(SettingsPath()));
    swap.Send();
    ASSERT_TRUE(swapped.Receive());
    EXPECT_EQ(saver.Wait(), int(platform::win32_error::Timeout & 0xFF)) << "the save must wait for the file now in place";
    EXPECT_EQ(ReadSettingsFile(), replaced);
}

TEST_F(OtherWritersTest, SaveWaitsForAWindowsWritersCopyToTakeTheFilesPlace)
{
    WriteSettingsFile(old_);
    const auto copy =
        SettingsPath().parent_path() / ("." + SettingsPath().filename().string() + platform::kWindowsCopySuffix);
    Pipe locked, swap, released, rename;
    Child windows([&] {
        const int file = ::open(SettingsPath().c_str(), O_RDWR);
        if (!LockByte(file))
            return 1;
        locked.Send();
        // The copy locked before the file is let go, which the platform
        // needs before it renames over it.
        const int next = ::open(copy.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        const std::string text = "[ExcelData]\r\nKey=old\r\nPeer=windows\r\n";
        if (!swap.Receive() || ::write(next, text.data(), text.size()) != ssize_t(text.size()) || !LockByte(next))
            return 2;
        ::close(file);
        released.Send();
        if (!rename.Receive() || ::rename(copy.c_str(), SettingsPath().c_str()) != 0)
            return 3;
        return 0; // the copy's lock goes with the process
    });
    ASSERT_TRUE(locked.Receive());
    Child saver([&] { return SaveCode(*window_, u"Key", u"new"); });
    saver.WaitUntilOpen(StatOf(SettingsPath()));
    swap.Send();
    ASSERT_TRUE(released.Receive());
    ::usleep(100 * 1000); // time enough for a save that did not wait to end
    rename.Send();
    EXPECT_EQ(windows.Wait(), 0);
    EXPECT_EQ(saver.Wait(), 0);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nKey=new\r\nPeer=windows\r\n");
}

// Once, while the new file is flushed, another program rewrites the
// settings file in place. Counts the flushes of new files, not of folders.
class RewriteWhileFlushing final : public platform::FileSystem {
public:
    explicit RewriteWhileFlushing(std::string text) : text_(std::move(text)) {}
    int Sync(int fd) override
    {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode))
            return FileSystem::Sync(fd);
        if (syncs++ == 0) {
            const int file = ::open(SettingsPath().c_str(), O_WRONLY);
            rewritten = file >= 0 && RewriteInPlace(file, text_);
            ::close(file);
        }
        return FileSystem::Sync(fd);
    }
    int syncs = 0;
    bool rewritten = false;

private:
    std::string text_;
};

TEST_F(OtherWritersTest, ChangeInPlaceBeforeTheRenameIsKept)
{
    WriteSettingsFile(old_);
    RewriteWhileFlushing peer("[ExcelData]\r\nKey=old\r\nPeer=1\r\n");
    {
        const platform::FileSystem::Override override(peer);
        EXPECT_EQ(Save(u"Key", u"new"), kSuccess);
    }
    ASSERT_TRUE(peer.rewritten);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nKey=new\r\nPeer=1\r\n");
    EXPECT_EQ(peer.syncs, 2) << "the change is applied again to the new text";
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(OtherWritersTest, SameSizeChangeRightAfterOurOwnWriteIsKept)
{
    // The file this process has just written changed within the tick, so
    // its stamp may not tell; its bytes do.
    WriteSettingsFile("[ExcelData]\r\nKey=old\r\nPeer=aaa\r\n");
    ASSERT_EQ(Save(u"Key", u"mid"), kSuccess);
    RewriteWhileFlushing peer("[ExcelData]\r\nKey=mid\r\nPeer=bbb\r\n");
    {
        const platform::FileSystem::Override override(peer);
        EXPECT_EQ(Save(u"Key", u"new"), kSuccess);
    }
    ASSERT_TRUE(peer.rewritten);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nKey=new\r\nPeer=bbb\r\n");
}

TEST_F(OtherWritersTest, FileThatNeverStaysStillFailsTheSaveInsteadOfHanging)
{
    WriteSettingsFile(old_);
    Pipe started;
    Child toucher([&] {
        started.Send();
        for (mode_t mode = 0644;; mode ^= 0020) {
            ::chmod(SettingsPath().c_str(), mode);
            ::usleep(500);
        }
        return 0;
    });
    ASSERT_TRUE(started.Receive());
    const Status saved = Save(u"Key", u"new");
    EXPECT_EQ(saved, Status::FromWin32(platform::win32_error::Timeout)) << DescribeStatus(saved);
    EXPECT_EQ(ReadSettingsFile(), old_);
}

// A program writing in place cuts the file, then stalls for 150 ms (its
// disk busy) before it writes it again: a save, in a new process or in one
// that had read the file, waits for the text rather than take the empty
// file for it.
TEST_F(OtherWritersTest, FileLeftEmptyForAWhileIsNotTakenForTheText)
{
    const std::string text = "[ExcelData]\r\nPre=kept\r\nKey=old\r\n";
    for (const bool newProcess : {true, false}) {
        WriteSettingsFile(text);
        ::usleep(30000);
        platform::ProfileFile process;
        if (!newProcess)
            process.Read(SettingsFileName().c_str(), {"ExcelData", "Key"});
        const platform::UniqueFd fd(::open(SettingsPath().c_str(), O_RDWR | O_CLOEXEC));
        ASSERT_TRUE(fd) << newProcess;
        ASSERT_EQ(::ftruncate(fd.get(), 0), 0);
        std::thread writer([&] {
            ::usleep(150000);
            (void)!::pwrite(fd.get(), text.data(), text.size(), 0);
        });
        const platform::Error error = process.Write(SettingsFileName().c_str(), {"ExcelData", "Key", "new"});
        writer.join();
        EXPECT_FALSE(error.failed()) << newProcess;
        EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\nPre=kept\r\nKey=new\r\n") << newProcess;
    }
}

TEST_F(OtherWritersTest, RemovalsFromAMissingFileLeaveNoFile)
{
    // The lock makes the file to meet other writers on; a call that writes
    // nothing takes it away again.
    const char *file = SettingsFileName().c_str();
    EXPECT_NE(platform::kernel32::WritePrivateProfileStringA("ExcelData", "Key", nullptr, file), 0);
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
    EXPECT_NE(platform::kernel32::WritePrivateProfileStringA("ExcelData", nullptr, nullptr, file), 0);
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
    EXPECT_EQ(FilesInFolder(), 0u);
}

// Once, after a get's first read of the settings file, another program
// rewrites it in place: cuts it, empties it or writes another version. Given
// `grown`, it first writes that just before the first read.
class RewriteAfterFirstRead final : public platform::FileSystem {
public:
    explicit RewriteAfterFirstRead(std::string text, std::string grown = {})
        : text_(std::move(text)), grown_(std::move(grown))
    {
    }
    ssize_t Read(int fd, void *data, size_t size) override
    {
        if (reads == 0 && !grown_.empty())
            Rewrite(grown_);
        if (reads++ == 1)
            rewritten = Rewrite(text_);
        return FileSystem::Read(fd, data, size);
    }
    int reads = 0;
    bool rewritten = false;

private:
    static bool Rewrite(const std::string &text)
    {
        const int file = ::open(SettingsPath().c_str(), O_WRONLY);
        const bool done = file >= 0 && RewriteInPlace(file, text);
        ::close(file);
        return done;
    }
    std::string text_;
    std::string grown_;
};

TEST_F(OtherWritersTest, FileRewrittenWhileANewProcessGetsGivesOneWholeVersion)
{
    // Past the first read's buffer, so that the get reads on after the cut.
    std::string filler;
    while (filler.size() < 70000)
        filler += "Filler" + std::to_string(filler.size()) + "=x\r\n";
    const std::string old = "[Other]\r\n" + filler + "[ExcelData]\r\nKey=old\r\n";
    struct Case {
        const char *name;
        std::string now;
        const char *expected; // the old value, the new one or the default
    };
    const Case cases[] = {
        {"emptied", "", "default"},
        {"cut short", old.substr(0, 1000), "default"},
        // Read on from where the old version ended its first piece, the new
        // one holds a later section of that name.
        {"rewritten", "[ExcelData]\r\nKey=new\r\n" + filler + "[ExcelData]\r\nKey=mix\r\n", "new"},
    };
    for (const Case &c : cases) {
        WriteSettingsFile(old);
        RewriteAfterFirstRead peer(c.now);
        platform::ProfileFile newProcess;
        platform::ProfileAnswer answer;
        {
            const platform::FileSystem::Override override(peer);
            answer = newProcess.Read(SettingsFileName().c_str(), {"ExcelData", "Key"});
        }
        EXPECT_TRUE(peer.rewritten) << c.name;
        EXPECT_EQ(answer.found ? answer.text : "default", c.expected) << c.name;
    }
}

TEST_F(OtherWritersTest, FileRewrittenLongerWhileAGetReadsItGivesOneWholeVersion)
{
    WriteSettingsFile("[ExcelData]\r\nKey=old\r\n");
    platform::ProfileFile process;
    EXPECT_EQ(process.Read(SettingsFileName().c_str(), {"ExcelData", "Key"}).text, "old");
    // Grown past what the get's stat told, the file takes more than one
    // read, and between the first two it is rewritten again: read on, the
    // pieces would give "mixedbccc...".
    RewriteAfterFirstRead peer("[ExcelData]\r\nKey=new\r\n;" + std::string(60, 'c') + "\r\n",
                               "[ExcelData]\r\nKey=mixed" + std::string(60, 'b') + "\r\n");
    platform::ProfileAnswer answer;
    {
        const platform::FileSystem::Override override(peer);
        answer = process.Read(SettingsFileName().c_str(), {"ExcelData", "Key"});
    }
    ASSERT_TRUE(peer.rewritten);
    EXPECT_EQ(answer.text, "new");
}

TEST_F(OtherWritersTest, FileRewrittenWhileANewProcessSetsCopiesNoMix)
{
    // Past the first read's buffer, so that the copy reads on after the cut.
    std::string filler;
    while (filler.size() < 70000)
        filler += "Filler" + std::to_string(filler.size()) + "=x\r\n";
    const std::string old = "[Other]\r\n" + filler + "[ExcelData]\r\nKey=old\r\n";
    const std::string cases[] = {"", old.substr(0, 1000), "[ExcelData]\r\nKey=new\r\n" + filler};
    for (const std::string &now : cases) {
        WriteSettingsFile(old);
        // Still for a while, so that the set copies the file as it reads it.
        ::usleep(30000);
        RewriteAfterFirstRead peer(now);
        platform::ProfileFile newProcess;
        platform::Error error;
        {
            const platform::FileSystem::Override override(peer);
            error = newProcess.Write(SettingsFileName().c_str(), {"ExcelData", "Key", "set"});
        }
        EXPECT_TRUE(peer.rewritten) << now.size();
        EXPECT_FALSE(error.failed()) << now.size();
        // The other program's version, with the change made in it.
        auto expected = platform::IniDocument::FromText(now);
        expected.Set("ExcelData", "Key", "set");
        EXPECT_EQ(ReadSettingsFile(), expected.LayOut()) << now.size();
    }
}

// The check before the rename compares the file with the bytes the document
// was read from, in every form a file comes in.
TEST(TextAsReadTest, StaysTheBytesReadUntilSettled)
{
    auto utf16 = [](std::string_view mark, std::string_view ascii) {
        std::string bytes(mark);
        for (const char c : ascii)
            bytes += std::string{c, '\0'};
        return bytes;
    };
    const std::string text = "[ExcelData]\r\n  Key = old \r\n";
    for (const std::string &read : {text, "\xEF\xBB\xBF" + text, utf16("\xFF\xFE", text)}) {
        auto file = platform::Decode(read);
        auto document = platform::IniDocument::FromText(std::move(file.text));
        auto bytesRead = [&] { return std::string(platform::Encode(file.encoding, document.Text()).view()); };
        ASSERT_TRUE(document.Set("ExcelData", "Key", "new"));
        EXPECT_EQ(bytesRead(), read) << "after a change";
        std::string written = document.LayOut();
        const std::string writtenBytes(platform::Encode(file.encoding, written).view());
        EXPECT_NE(writtenBytes, read);
        EXPECT_EQ(bytesRead(), read) << "after the layout";
        document.SettleLaidOut(std::move(written));
        EXPECT_EQ(bytesRead(), writtenBytes);
    }
}

} // namespace
} // namespace tallowby::test
