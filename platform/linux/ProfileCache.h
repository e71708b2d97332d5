#pragma once

#include "platform/linux/IniDocument.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace tallowby::platform {

// The settings file last read, parsed, and kept while it provably has not
// changed: a look-up then costs one stat. The file counts as unchanged only
// when its identity, size and change times are the same and its last
// change lies before the moment it was read by more than the clock's tick;
// a file changed in the tick it was read could change again unseen, so it
// is read again (and parsed again only if its bytes differ).
class ProfileCache {
public:
    // Calls `use` with the current document of `path` (empty when there is
    // no file). Returns 0, or the Win32 error of reading the file.
    std::uint32_t Read(const std::filesystem::path &path, const std::function<void(const IniDocument &)> &use);

    // Writes `bytes` in place of the file; asks `unchanged` just before the
    // new file takes the old one's place, and returns kReplaceRetry when it
    // says no.
    using Write = std::function<std::uint32_t(const std::string &bytes, const std::function<bool()> &unchanged)>;

    // Calls `change` with the current document of `path`; when it returns
    // true, writes the document back with `write`. The caller holds the
    // writers' locks, which programs that write the file in place ignore: a
    // file changed in the last 20 ms is first left until it has been still
    // that long (unless it holds the bytes this process last read or wrote,
    // or `madeEmpty` says the caller has just made it empty), and a file
    // changed before the rename is read again and the change applied anew.
    // Gives up at `deadline` with ERROR_TIMEOUT. Returns 0, or the Win32
    // error of reading or writing.
    std::uint32_t Update(const std::filesystem::path &path, bool madeEmpty,
                         const std::function<bool(IniDocument &)> &change, const Write &write,
                         std::chrono::steady_clock::time_point deadline);

    // The cache of the process.
    static ProfileCache &Process();

private:
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const Stamp &other) const;
    };

    static Stamp StampOf(const struct stat &info);
    static Stamp StampAt(const std::filesystem::path &path);
    // Brings the document up to date with the file; `unchanged` tells
    // whether it already was. A file whose stamp could hide a change has its
    // bytes compared, unless `comparedLater` says the caller does that.
    std::uint32_t Refresh(const std::filesystem::path &path, bool comparedLater, bool &unchanged);
    static bool ChangedLately(const Stamp &stamp);
    // Waits until the file at `path`, last seen as `seen`, has been still
    // for a while; `seen` becomes its stamp then. Returns 0, or ERROR_TIMEOUT
    // at `deadline`.
    static std::uint32_t AwaitQuiet(const std::filesystem::path &path, Stamp &seen,
                                    std::chrono::steady_clock::time_point deadline);

    std::filesystem::path path_;
    Stamp stamp_;
    bool trusted_ = false;
    bool loaded_ = false;
    IniDocument document_;
};

} // namespace tallowby::platform
