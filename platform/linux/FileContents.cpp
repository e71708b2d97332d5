#include "platform/linux/FileContents.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"
#include "platform/linux/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::platform {

namespace {

// Opens the file at `path` for reading, a folder refused as the platform
// refuses it; `info` gets its stat.
Result<UniqueFd> OpenToRead(const std::filesystem::path &path, struct stat &info)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return Error(errno == ENOENT ? win32_error::FileNotFound : Win32ErrorFromErrno(errno));
    if (::fstat(fd.get(), &info) != 0)
        return Error(Win32ErrorFromErrno(errno));
    if (S_ISDIR(info.st_mode))
        return Error(win32_error::AccessDenied);
    return fd;
}

// One read, tried again when a signal cut it short; -1 with errno set on
// failure.
ssize_t ReadOnce(int fd, char *data, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(fd, data, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

} // namespace

Result<FileStamp> ReadFileContents(const std::filesystem::path &path, std::string &contents)
{
    struct stat info {};
    const auto fd = OpenToRead(path, info);
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
        const ssize_t got = ReadOnce(fd->get(), contents.data() + used, contents.size() - used);
        if (got < 0)
            return Error(Win32ErrorFromErrno(errno));
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    contents.resize(used);
    return ::fstat(fd->get(), &info) == 0 ? FileStamp::Of(info) : FileStamp{};
}

// Read piece by piece, so that no second copy of the file is made.
Result<bool> FileHolds(const std::filesystem::path &path, std::string_view expected)
{
    struct stat info {};
    const auto fd = OpenToRead(path, info);
    TALLOWBY_RETURN_IF_FAILED(fd);
    char chunk[65536];
    for (;;) {
        const ssize_t got = ReadOnce(fd->get(), chunk, sizeof chunk);
        if (got < 0)
            return Error(Win32ErrorFromErrno(errno));
        const auto size = static_cast<std::size_t>(got);
        if (size == 0)
            return expected.empty();
        if (size > expected.size() || std::memcmp(chunk, expected.data(), size) != 0)
            return false;
        expected.remove_prefix(size);
    }
}

} // namespace tallowby::platform
