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

} // namespace

Result<FileStamp> ReadFileContents(const std::filesystem::path &path, std::string &contents)
{
    struct stat info {};
    const auto fd = file_calls::OpenToRead(path, info);
    TALLOWBY_RETURN_IF_FAILED(fd);
    // Straight into the string, sized by the stat, over what it held: its
    // storage is reused and only new room is cleared first. A file that
    // grows meanwhile is read to its end all the same. Room for a few more
    // lines lets a save that adds one change the text where it is.
    std::size_t used = 0;
    const std::size_t room = static_cast<std::size_t>(info.st_size) + 4096;
    if (contents.capacity() > 2 * room)
        contents = std::string(); // a much larger file's storage goes
    const bool newStorage = contents.capacity() < room;
    contents.reserve(room);
    if (newStorage)
        FaultIn(contents);
    contents.resize(static_cast<std::size_t>(info.st_size) + 1);
    for (;;) {
        if (used == contents.size())
            contents.resize(contents.size() * 2);
        const auto got = file_calls::Read(fd->get(), contents.data() + used, contents.size() - used);
        TALLOWBY_RETURN_IF_FAILED(got);
        if (*got == 0)
            break;
        used += *got;
    }
    contents.resize(used);
    const auto read = file_calls::StatOfOpen(fd->get());
    return read ? FileStamp::Of(*read) : FileStamp{};
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
