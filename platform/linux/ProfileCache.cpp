#include "platform/linux/ProfileCache.h"

#include "platform/Win32Error.h"
#include "platform/linux/AtomicFile.h"

#include <cerrno>
#include <ctime>

namespace tallowby::platform {

namespace {

bool Before(const timespec &a, const timespec &b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The coarse clock the kernel stamps files with, less one of its ticks.
timespec TrustHorizon()
{
    timespec now{}, tick{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    ::clock_getres(CLOCK_REALTIME_COARSE, &tick);
    now.tv_sec -= tick.tv_sec;
    now.tv_nsec -= tick.tv_nsec;
    if (now.tv_nsec < 0) {
        now.tv_nsec += 1000000000L;
        --now.tv_sec;
    }
    return now;
}

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

ProfileCache &ProfileCache::Process()
{
    static ProfileCache cache;
    return cache;
}

std::uint32_t ProfileCache::Refresh(const std::filesystem::path &path)
{
    struct stat info {};
    Stamp now;
    if (::stat(path.c_str(), &info) == 0)
        now = StampOf(info);
    else if (errno != ENOENT && errno != ENOTDIR)
        return Win32ErrorFromErrno(errno);
    if (loaded_ && trusted_ && path == path_ && now == stamp_)
        return 0;

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
    return 0;
}

std::uint32_t ProfileCache::Read(const std::filesystem::path &path,
                                 const std::function<void(const IniDocument &)> &use)
{
    if (const auto error = Refresh(path); error != 0)
        return error;
    use(document_);
    return 0;
}

std::uint32_t ProfileCache::Update(const std::filesystem::path &path, const std::function<bool(IniDocument &)> &change,
                                   const std::function<std::uint32_t(const std::string &)> &write)
{
    if (const auto error = Refresh(path); error != 0)
        return error;
    if (!change(document_))
        return 0;
    // From here the document is ahead of the file until the write is done.
    loaded_ = false;
    if (const auto error = write(document_.Bytes()); error != 0)
        return error;
    document_.Settle();
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        stamp_ = StampOf(info);
        trusted_ = false; // written this very tick
        loaded_ = true;
    }
    return 0;
}

} // namespace tallowby::platform
