#include "platform/linux/AtomicFile.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"
#include "platform/linux/FileSystem.h"
#include "platform/linux/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::platform {

namespace {

Error LastErrno() { return Win32ErrorFromErrno(errno); }

Error WriteAll(FileSystem &fs, int fd, std::string_view contents)
{
    while (!contents.empty()) {
        const ssize_t written = fs.Write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return LastErrno();
        }
        if (written == 0)
            return win32_error::DiskFull;
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

} // namespace

Result<FileReplacement> FileReplacement::Prepare(const std::filesystem::path &path,
                                                 std::span<const std::string_view> pieces)
{
    FileSystem &fs = FileSystem::Current();

    struct stat old {};
    mode_t mode = 0666; // narrowed by the umask, as a new file would be
    if (fs.Stat(path.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return Error(win32_error::AccessDenied);
        // The rename would replace a file its owner may not change: a file
        // without write bits is read-only even to root, as the read-only
        // attribute is on Windows.
        if ((old.st_mode & 0222) == 0 || fs.Access(path.c_str(), W_OK) != 0)
            return Error(win32_error::AccessDenied);
        mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return LastErrno();
    }

    // One name per target: writers hold the folder lock, and a temporary
    // file left by a writer that was killed is simply written over.
    const std::filesystem::path temporary = path.parent_path() / ("." + path.filename().string() + ".tallowby-new");
    UniqueFd fd(fs.Open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd)
        return LastErrno(); // nothing of ours to remove
    FileReplacement out;
    out.target_ = path;
    out.temporary_.reset(temporary.string());
    // The old modes, past the umask. A file system without modes (vfat, some
    // network shares) refuses; the new file then has the mount's, as the
    // old one had, so the save goes on.
    if (old.st_mode != 0)
        (void)fs.ChangeMode(fd.get(), mode);
    for (const std::string_view piece : pieces)
        TALLOWBY_RETURN_IF_FAILED(WriteAll(fs, fd.get(), piece));
    // The close reports a write that failed late, as on network file systems.
    if (fs.Sync(fd.get()) != 0 || fs.Close(fd.release()) != 0)
        return LastErrno();
    return out;
}

Error FileReplacement::Commit()
{
    FileSystem &fs = FileSystem::Current();
    if (fs.Rename(temporary_.get().c_str(), target_.c_str()) != 0)
        return LastErrno();
    temporary_.release();

    // The rename is durable only once the folder is on disk too. It has
    // taken place either way, so a folder that cannot be flushed fails
    // nothing.
    UniqueFd folder(fs.Open(target_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (folder)
        (void)fs.Sync(folder.get());
    return {};
}

} // namespace tallowby::platform
