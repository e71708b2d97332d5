#include "platform/linux/FileContents.h"

#include "platform/linux/FileSystem.h"

#include <cstring>
#include <sys/stat.h>

namespace tallowby::platform {

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
    contents.reserve(room);
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
    return ::fstat(fd->get(), &info) == 0 ? FileStamp::Of(info) : FileStamp{};
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
