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

// Hands the file's bytes to `take` piece by piece until it returns false or
// the file ends. Returns 0, or the Win32 error number.
template <typename Take>
std::uint32_t ReadInPieces(const std::filesystem::path &path, Take take)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT ? win32_error::FileNotFound : Win32ErrorFromErrno(errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return Win32ErrorFromErrno(errno);
    if (S_ISDIR(info.st_mode))
        return win32_error::AccessDenied;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Win32ErrorFromErrno(errno);
        }
        if (!take(std::string_view(chunk, static_cast<std::size_t>(got)), info) || got == 0)
            return 0;
    }
}

} // namespace

std::uint32_t ReadFileContents(const std::filesystem::path &path, std::string &contents, FileStamp *afterRead)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT ? win32_error::FileNotFound : Win32ErrorFromErrno(errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return Win32ErrorFromErrno(errno);
    if (S_ISDIR(info.st_mode))
        return win32_error::AccessDenied;
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
        const ssize_t got = ::read(fd.get(), contents.data() + used, contents.size() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Win32ErrorFromErrno(errno);
        }
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    contents.resize(used);
    if (afterRead != nullptr)
        *afterRead = ::fstat(fd.get(), &info) == 0 ? FileStamp::Of(info) : FileStamp{};
    return 0;
}

std::uint32_t CompareFileContents(const std::filesystem::path &path, std::string_view expected, bool &equal)
{
    equal = false;
    return ReadInPieces(path, [&](std::string_view piece, const struct stat &) {
        if (piece.empty()) {
            equal = expected.empty();
            return false;
        }
        if (piece.size() > expected.size() || std::memcmp(piece.data(), expected.data(), piece.size()) != 0)
            return false;
        expected.remove_prefix(piece.size());
        return true;
    });
}

} // namespace tallowby::platform
