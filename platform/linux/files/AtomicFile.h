#pragma once

#include "platform/Result.h"
#include "platform/UniqueHandle.h"
#include "platform/linux/files/UniqueFd.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace tallowby::platform {

// A new version of a file on its way to replace the file, so that a reader
// or a crash at any moment finds either the old file or the new one whole:
// Prepare writes it beside the old file and flushes it to disk, Commit
// renames it over the old file and flushes the folder. Until committed, the
// owner removes the new file again. Every system call goes through
// FileSystem::Current().
class FileReplacement {
public:
    FileReplacement(FileReplacement &&) = default;
    FileReplacement &operator=(FileReplacement &&) = default;

    // Writes `contents`, in pieces written one after the other, as the new
    // version of the file at `path`, with the old file's permissions. Gives
    // the Win32 error number with the old file left as it was
    // (ERROR_ACCESS_DENIED for a read-only file or a folder).
    static Result<FileReplacement> Prepare(const std::filesystem::path &path,
                                           std::span<const std::string_view> pieces);
    // Prepare in steps, for contents that come while the old file is read:
    // Begin makes the new version, Append writes to it and Finish flushes
    // it.
    // Appended pieces go out in whole blocks of kBlock bytes: a write that
    // ends within a page costs the file system that page again, in the
    // write and in the flush, and the pieces of a file copied as it is read
    // are many.
    static Result<FileReplacement> Begin(const std::filesystem::path &path);
    Error Append(std::string_view piece);
    Error Finish();
    static constexpr std::size_t kBlock = 64 * 1024;

    // Puts the new version in the old one's place. Gives the Win32 error
    // number with the old file left as it was.
    Error Commit();

private:
    FileReplacement() = default;

    // The new version's name, a file to remove unless it took the old
    // file's place.
    struct TemporaryFileTraits : KeepsErrno {
        using Handle = std::string;
        static Handle Invalid() { return {}; }
        static void Close(const Handle &path);
    };

    std::filesystem::path target_;
    UniqueHandle<TemporaryFileTraits> temporary_;
    UniqueFd fd_; // until finished
    std::string pending_; // less than a block, not written yet
};

} // namespace tallowby::platform
