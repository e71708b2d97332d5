#include "platform/linux/ProfileCache.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"
#include "platform/linux/AtomicFile.h"
#include "platform/linux/FileContents.h"

#include <cerrno>
#include <ctime>
#include <thread>

namespace tallowby::platform {

namespace {

using Clock = std::chrono::steady_clock;

// How long a file that another program changed must stay as it is before a
// save takes its text: time for a writer that truncates the file and then
// writes it to finish, even on a busy machine.
constexpr std::chrono::milliseconds kQuiet{20};

bool Before(const timespec &a, const timespec &b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

std::chrono::nanoseconds Tick()
{
    timespec tick{};
    ::clock_getres(CLOCK_REALTIME_COARSE, &tick);
    return std::chrono::seconds(tick.tv_sec) + std::chrono::nanoseconds(tick.tv_nsec);
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

timespec TrustHorizon() { return CoarseNowLess(Tick()); }

} // namespace

bool ProfileCache::Stamp::operator==(const Stamp &other) const
{
    auto same = [](const timespec &a, const timespec &b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           same(modified, other.modified) && same(changed, other.changed);
}

ProfileCache::Stamp ProfileCache::StampOf(const struct stat &info)
{
    return Stamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

ProfileCache::Stamp ProfileCache::StampAt(const std::filesystem::path &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? StampOf(info) : Stamp{};
}

ProfileCache &ProfileCache::Process()
{
    static ProfileCache cache;
    return cache;
}

std::uint32_t ProfileCache::Refresh(const std::filesystem::path &path, bool comparedLater, bool &unchanged)
{
    unchanged = false;
    struct stat info {};
    Stamp now;
    if (::stat(path.c_str(), &info) == 0)
        now = StampOf(info);
    else if (errno != ENOENT && errno != ENOTDIR)
        return Win32ErrorFromErrno(errno);
    if (loaded_ && (trusted_ || comparedLater) && path == path_ && now == stamp_) {
        unchanged = true;
        return 0;
    }

    const timespec horizon = TrustHorizon();
    std::string bytes;
    bool sameBytes = false;
    if (loaded_ && path == path_) {
        if (!now.exists)
            sameBytes = document_.Bytes().empty();
        else if (const auto error = CompareFileContents(path, document_.Bytes(), sameBytes); error != 0)
            sameBytes = false;
    }
    if (!sameBytes)
        document_ = IniDocument(); // not two documents at once
    if (now.exists && !sameBytes) {
        if (const auto error = ReadFileContents(path, bytes); error != 0) {
            loaded_ = false;
            return error;
        }
    }
    // A file that changed while it was read is read again next time.
    Stamp after;
    if (::stat(path.c_str(), &info) == 0)
        after = StampOf(info);
    const bool steady = after == now;
    if (!sameBytes)
        document_ = IniDocument::Parse(std::move(bytes));
    path_ = path;
    stamp_ = after;
    // A missing file cannot appear without changing its stamp.
    trusted_ = steady && (!now.exists || Before(now.changed, horizon));
    loaded_ = true;
    unchanged = sameBytes;
    return 0;
}

bool ProfileCache::ChangedLately(const Stamp &stamp)
{
    return stamp.exists && !Before(stamp.changed, CoarseNowLess(kQuiet + Tick()));
}

// A clock set back makes a file look new for long, so a file seen to stay as
// it is for as long counts as still too.
std::uint32_t ProfileCache::AwaitQuiet(const std::filesystem::path &path, Stamp &seen, Clock::time_point deadline)
{
    auto since = Clock::now();
    while (ChangedLately(seen) && Clock::now() - since < kQuiet) {
        if (Clock::now() >= deadline)
            return win32_error::Timeout;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (const Stamp now = StampAt(path); !(now == seen)) {
            seen = now;
            since = Clock::now();
        }
    }
    return 0;
}

std::uint32_t ProfileCache::Read(const std::filesystem::path &path,
                                 const std::function<void(const IniDocument &)> &use)
{
    bool unchanged = false;
    if (const auto error = Refresh(path, false, unchanged); error != 0)
        return error;
    use(document_);
    return 0;
}

std::uint32_t ProfileCache::Update(const std::filesystem::path &path, bool madeEmpty,
                                   const std::function<bool(IniDocument &)> &change, const Write &write,
                                   Clock::time_point deadline)
{
    for (;;) {
        // An untrusted stamp needs no bytes compared here: the check before
        // the rename compares them.
        bool unchanged = false;
        if (const auto error = Refresh(path, true, unchanged); error != 0)
            return error;
        // What this process last read or wrote, and an empty file the caller
        // just made, are whole; another program may still be writing a file
        // it has just changed, so that is read once it has been still.
        bool settled = unchanged || (madeEmpty && stamp_.exists && stamp_.size == 0);
        while (!settled && ChangedLately(stamp_)) {
            Stamp still = stamp_;
            if (const auto error = AwaitQuiet(path, still, deadline); error != 0)
                return error;
            if (const auto error = Refresh(path, true, unchanged); error != 0)
                return error;
            settled = stamp_ == still; // and not changed again since
        }

        // Whether the file is still the one the document was read from. A
        // stamp cannot show a change made within the tick the file was read;
        // then only its bytes can.
        const Stamp base = stamp_;
        const bool compareBytes = !trusted_ && base.exists;
        const auto stillBase = [&] {
            bool same = !compareBytes;
            return StampAt(path) == base &&
                   (same || (CompareFileContents(path, document_.BytesBeforeChanges(), same) == 0 && same));
        };
        std::uint32_t error = 0;
        if (!change(document_)) {
            // Nothing to write, so long as the file held what the change saw.
            if (!compareBytes || stillBase())
                return 0;
            error = kReplaceRetry;
        } else {
            // From here the document is ahead of the file until the write is done.
            loaded_ = false;
            error = write(document_.Bytes(), stillBase);
        }
        if (error == kReplaceRetry) {
            loaded_ = false;
            if (Clock::now() >= deadline)
                return win32_error::Timeout;
            madeEmpty = false;
            continue;
        }
        if (error != 0)
            return error;
        document_.Settle();
        if (const Stamp written = StampAt(path); written.exists) {
            stamp_ = written;
            trusted_ = false; // written this very tick
            loaded_ = true;
        }
        return 0;
    }
}

} // namespace tallowby::platform
