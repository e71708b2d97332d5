#include "platform/linux/files/FileContents.h"

#include "platform/linux/files/FileSystem.h"

#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::platform {

namespace {

// New storage faults in a page at a time as it is first written, each
// fault a trap; one call faults the whole file's room in at once.
void FaultIn(std::string &storage)
{
    constexpr std::size_t kWorthIt = 64 * 1024;
    if (storage.capacity() < kWorthIt)
        return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(storage.data());
    const std::uintptr_t first = start & ~(page - 1), last = (start + storage.capacity()) & ~(page - 1);
    file_calls::TryFaultIn(reinterpret_cast<void *>(first), last - first);
}

// Reads the open file `fd` to its end, the storage sized by the stat that
// gave `size`, and returns the number of reads it took.
Result<std::size_t> ReadOpenFile(int fd, off_t size, bool regular, std::string &contents)
{
    // Straight into the string, over what it held: its storage is reused
    // and only new room is cleared first. A file that grows meanwhile is
    // read to its end all the same. Room for a few more lines lets a save
    // that adds one change the text where it is.
    std::size_t used = 0, reads = 0;
    const std::size_t room = static_cast<std::size_t>(size) + 4096;
    if (contents.capacity() > 2 * room || contents.capacity() < room) {
        // New storage, not a copy of the old text: an eighth more than
        // needed, so that a file that grows a little, or flips between two
        // sizes, keeps it. A much larger file's storage goes.
        contents = std::string();
        contents.reserve(room + room / 8);
        FaultIn(contents);
    }
    contents.resize(static_cast<std::size_t>(size) + 1);
    for (;;) {
        if (used == contents.size())
            contents.resize(contents.size() * 2);
        const std::size_t asked = contents.size() - used;
        const auto got = file_calls::Read(fd, contents.data() + used, asked);
        TALLOWBY_RETURN_IF_FAILED(got);
        ++reads;
        used += *got;
        // A regular file gives less than asked only at its end; no read of
        // nothing is needed to learn it.
        if (*got == 0 || (regular && *got < asked))
            break;
    }
    contents.resize(used);
    return reads;
}

} // namespace

int KeptFile::Rewound(const FileStamp &seen)
{
    if (fd_ && seen.exists && seen.device == device_ && seen.inode == inode_ && file_calls::Rewind(fd_.get()))
        return fd_.get();
    fd_.reset();
    return -1;
}

int KeptFile::Keep(UniqueFd fd, const struct stat &info)
{
    fd_ = std::move(fd);
    device_ = info.st_dev;
    inode_ = info.st_ino;
    return fd_.get();
}

Result<FileStamp> ReadFileContents(const std::filesystem::path &path, const FileStamp &seen, std::string &contents,
                                   KeptFile &kept)
{
    constexpr int kPasses = 4;
    FileStamp before = seen;
    for (int pass = 1;; ++pass) {
        // The stat of the kept file is `seen`; one opened anew has its own.
        int fd = pass == 1 ? kept.Rewound(seen) : -1;
        if (fd < 0) {
            struct stat info {};
            auto opened = file_calls::OpenToRead(path, info);
            TALLOWBY_RETURN_IF_FAILED(opened);
            before = FileStamp::Of(info);
            fd = kept.Keep(std::move(*opened), info);
        }
        const auto reads = ReadOpenFile(fd, before.size, before.regular, contents);
        TALLOWBY_RETURN_IF_FAILED(reads);
        // One read took the file whole, so `before`, taken before the read,
        // stands for it. A change after that stat either came in time for
        // the read or after it; either way it stamps the file anew, so the
        // next stat shows it, but for one made in the very tick of `before`,
        // and such a stamp the snapshot trusts only with the bytes compared
        // (TrustHorizon, taken before the stat).
        if (pass == 1 && *reads == 1 && before.regular)
            return before;
        // Read in pieces, the file may have changed between them: only a
        // stamp the same after as before shows that the pieces are of one
        // version. A file that is not regular is not read twice.
        const auto info = file_calls::StatOfOpen(fd);
        if (!info)
            return FileStamp{};
        const FileStamp after = FileStamp::Of(*info);
        if (after == before || !after.regular || pass == kPasses)
            return after;
        before = after;
    }
}

// Read piece by piece, so that no second copy of the file is made.
Result<bool> FileHolds(const std::filesystem::path &path, std::string_view expected)
{
    struct stat info {};
    const auto fd = file_calls::OpenToRead(path, info);
    TALLOWBY_RETURN_IF_FAILED(fd);
    char chunk[65536];
    for (;;) {
        const auto got = file_calls::Read(fd->get(), chunk, sizeof chunk);
        TALLOWBY_RETURN_IF_FAILED(got);
        const std::size_t size = *got;
        if (size == 0)
            return expected.empty();
        if (size > expected.size() || std::memcmp(chunk, expected.data(), size) != 0)
            return false;
        expected.remove_prefix(size);
    }
}

} // namespace tallowby::platform
