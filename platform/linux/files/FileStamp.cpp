#include "platform/linux/files/FileStamp.h"

#include "platform/Win32Error.h"
#include "platform/linux/files/FileSystem.h"

#include <sys/stat.h>
#include <thread>

namespace tallowby::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kQuiet{20};
// An empty file that has just changed is most often one that a program
// writing in place has cut and is about to write again. Cutting waits for
// the file's pages to leave for the disk, so on a busy disk it can lie
// empty for far longer than a write takes: it must stay still longer.
constexpr std::chrono::milliseconds kQuietWhenEmpty{500};

std::chrono::milliseconds QuietFor(const FileStamp &stamp) { return stamp.size == 0 ? kQuietWhenEmpty : kQuiet; }

bool Before(const timespec &a, const timespec &b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The clock's tick does not change while the process runs.
std::chrono::nanoseconds Tick()
{
    static const std::chrono::nanoseconds tick = [] {
        timespec res{};
        ::clock_getres(CLOCK_REALTIME_COARSE, &res);
        return std::chrono::seconds(res.tv_sec) + std::chrono::nanoseconds(res.tv_nsec);
    }();
    return tick;
}

// The coarse clock the kernel stamps files with, less `back`.
timespec CoarseNowLess(std::chrono::nanoseconds back)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    now.tv_sec -= static_cast<time_t>(back.count() / 1000000000);
    now.tv_nsec -= static_cast<long>(back.count() % 1000000000);
    if (now.tv_nsec < 0) {
        now.tv_nsec += 1000000000L;
        --now.tv_sec;
    }
    return now;
}

} // namespace

bool FileStamp::operator==(const FileStamp &other) const
{
    auto same = [](const timespec &a, const timespec &b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           same(modified, other.modified) && same(changed, other.changed);
}

FileStamp FileStamp::Of(const struct stat &info)
{
    return FileStamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim, S_ISREG(info.st_mode)};
}

FileStamp FileStamp::At(const std::filesystem::path &path)
{
    const auto info = file_calls::StatIfThere(path);
    return info && *info ? Of(**info) : FileStamp{};
}

Result<FileStamp> FileStamp::Take(const std::filesystem::path &path)
{
    const auto info = file_calls::StatIfThere(path);
    TALLOWBY_RETURN_IF_FAILED(info);
    return *info ? Of(**info) : FileStamp{};
}

bool FileStamp::ChangedBefore(const timespec &moment) const { return Before(changed, moment); }

bool FileStamp::ChangedLately() const { return exists && !ChangedBefore(CoarseNowLess(QuietFor(*this) + Tick())); }

timespec TrustHorizon() { return CoarseNowLess(Tick()); }

Result<FileStamp> AwaitStill(const std::filesystem::path &path, FileStamp seen, Clock::time_point deadline)
{
    auto since = Clock::now();
    while (seen.ChangedLately() && Clock::now() - since < QuietFor(seen)) {
        if (Clock::now() >= deadline)
            return Error(win32_error::Timeout);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (const FileStamp now = FileStamp::At(path); !(now == seen)) {
            seen = now;
            since = Clock::now();
        }
    }
    return seen;
}

} // namespace tallowby::platform
