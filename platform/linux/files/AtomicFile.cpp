#include "platform/linux/files/AtomicFile.h"

#include "platform/Win32Error.h"
#include "platform/linux/files/FileSystem.h"

#include <algorithm>
#include <sys/stat.h>

namespace tallowby::platform {

void FileReplacement::TemporaryFileTraits::Close(const Handle &path) { file_calls::TryRemove(path.c_str()); }

Result<FileReplacement> FileReplacement::Prepare(const std::filesystem::path &path,
                                                 std::span<const std::string_view> pieces)
{
    auto out = Begin(path);
    TALLOWBY_RETURN_IF_FAILED(out);
    // Few pieces, written as they are: blocks would only add a copy.
    for (const std::string_view piece : pieces)
        TALLOWBY_RETURN_IF_FAILED(file_calls::WriteAll(out->fd_.get(), piece));
    TALLOWBY_RETURN_IF_FAILED(out->Finish());
    return out;
}

Result<FileReplacement> FileReplacement::Begin(const std::filesystem::path &path)
{
    const auto old = file_calls::StatForReplace(path);
    TALLOWBY_RETURN_IF_FAILED(old);
    mode_t mode = 0666; // narrowed by the umask, as a new file would be
    if (*old) {
        if (S_ISDIR((*old)->st_mode))
            return Error(win32_error::AccessDenied);
        // The rename would replace a file its owner may not change: a file
        // without write bits is read-only even to root, as the read-only
        // attribute is on Windows.
        if (((*old)->st_mode & 0222) == 0 || !file_calls::MayWrite(path))
            return Error(win32_error::AccessDenied);
        mode = (*old)->st_mode & 07777;
    }

    // One name per target: writers hold the folder lock, and a temporary
    // file left by a writer that was killed is simply written over.
    const std::filesystem::path temporary = path.parent_path() / ("." + path.filename().string() + ".tallowby-new");
    auto fd = file_calls::CreateForReplace(temporary, mode);
    TALLOWBY_RETURN_IF_FAILED(fd); // nothing of ours to remove
    FileReplacement out;
    out.target_ = path;
    out.temporary_.reset(temporary.string());
    // The old modes, past the umask. A file system without modes (vfat, some
    // network shares) refuses; the new file then has the mount's, as the
    // old one had, so the save goes on.
    if (*old)
        file_calls::TryChangeMode(fd->get(), mode);
    out.fd_ = std::move(*fd);
    return out;
}

Error FileReplacement::Append(std::string_view piece)
{
    while (!piece.empty()) {
        if (pending_.empty() && piece.size() >= kBlock) {
            const std::size_t whole = piece.size() - piece.size() % kBlock;
            TALLOWBY_RETURN_IF_FAILED(file_calls::WriteAll(fd_.get(), piece.substr(0, whole)));
            piece.remove_prefix(whole);
            continue;
        }
        const std::size_t taken = std::min(piece.size(), kBlock - pending_.size());
        pending_.append(piece.substr(0, taken));
        piece.remove_prefix(taken);
        if (pending_.size() == kBlock) {
            TALLOWBY_RETURN_IF_FAILED(file_calls::WriteAll(fd_.get(), pending_));
            pending_.clear();
        }
    }
    return {};
}

Error FileReplacement::Finish()
{
    TALLOWBY_RETURN_IF_FAILED(file_calls::WriteAll(fd_.get(), pending_));
    pending_ = std::string();
    return file_calls::FlushAndClose(std::move(fd_));
}

Error FileReplacement::Commit()
{
    TALLOWBY_RETURN_IF_FAILED(file_calls::Rename(temporary_.get(), target_));
    temporary_.release();

    // The rename is durable only once the folder is on disk too. It has
    // taken place either way, so a folder that cannot be flushed fails
    // nothing.
    file_calls::TryFlushFolder(target_.parent_path());
    return {};
}

} // namespace tallowby::platform
