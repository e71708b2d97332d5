#pragma once

#include "platform/linux/IniDocument.h"

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

    // Calls `change` with the current document of `path`; when it returns
    // true, writes the document back with `write`. The caller holds the
    // writers' lock. Returns 0, or the Win32 error of reading or writing.
    std::uint32_t Update(const std::filesystem::path &path, const std::function<bool(IniDocument &)> &change,
                         const std::function<std::uint32_t(const std::string &)> &write);

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
    std::uint32_t Refresh(const std::filesystem::path &path);

    std::filesystem::path path_;
    Stamp stamp_;
    bool trusted_ = false;
    bool loaded_ = false;
    IniDocument document_;
};

} // namespace tallowby::platform
