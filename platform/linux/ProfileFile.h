#pragma once

#include "platform/linux/DriveMapping.h"
#include "platform/linux/FileCodec.h"
#include "platform/linux/FileStamp.h"
#include "platform/linux/IniDocument.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

namespace tallowby::platform {

// One call's change of a settings file: `value` under `key` in `section`. A
// null value removes the key, a null key the whole section. Text is in the
// code page, as the caller passes it.
struct ProfileChange {
    const char *section;
    const char *key;
    const char *value;
};

// One call's question to a settings file: the value of `key` in `section`;
// the names of the keys in `section` when `key` is null; the names of the
// sections when `section` is null.
struct ProfileQuery {
    const char *section;
    const char *key;
};

// What a question found.
struct ProfileAnswer {
    // The value found, with its quotes still on, or the names asked for,
    // each followed by a NUL.
    std::string text;
    // Whether there was a value.
    bool found = false;
    // Why the file was not read: ERROR_FILE_NOT_FOUND when there is none,
    // ERROR_PATH_NOT_FOUND for a path outside drive C, else the error of
    // reading it; 0 when it was read.
    std::uint32_t fileError = 0;
};

// The settings files of the process, as the private-profile calls reach
// them: the one way to read and to change them. It keeps the file last read,
// parsed, while it provably has not changed, so that a look-up costs one
// stat: the file counts as unchanged only when its stamp is the same and
// its last change lies before the tick of the clock it was read in; a file
// changed within that tick could change again unseen, so it is read again
// (and parsed again only if its bytes differ).
//
// A save holds, in this order, the folder lock that writers of this build
// take, the lock on the file's far byte that writers of the Windows build
// take, and the process's mutex; then it reads the file, waits for a file
// another program has just changed to be still, changes the document,
// writes the new file beside the old and, if the file still holds what was
// read, renames it into place; else it starts again from the reading.
//
// Every operation takes a Windows path and returns a Win32 error number;
// no exception leaves it.
class ProfileFile {
public:
    // Applies `change` to the file at the Windows path `file`, making the
    // file and the section when they are missing. Returns 0, or the Win32
    // error number: ERROR_PATH_NOT_FOUND for a path outside drive C,
    // ERROR_TIMEOUT when other writers keep the file for
    // kWriterLockTimeout, else the error of the step that failed, with the
    // file left as it was.
    std::uint32_t Write(const char *file, const ProfileChange &change) noexcept;

    // Answers `query` from the file at the Windows path `file`. A file that
    // cannot be read reads as an absent one. Returns 0, or
    // ERROR_NOT_ENOUGH_MEMORY.
    std::uint32_t Read(const char *file, const ProfileQuery &query, ProfileAnswer &answer) noexcept;

    // The files of the process.
    static ProfileFile &Process();

private:
    using Clock = std::chrono::steady_clock;

    std::uint32_t Save(const std::filesystem::path &path, const ProfileChange &change, bool madeEmpty,
                       Clock::time_point deadline);
    // Writes the changed document beside the file and, if the file is still
    // as it was stamped `base` when read, puts it in place and settles the
    // document; `replaced` tells whether it did.
    std::uint32_t WriteBack(const std::filesystem::path &path, const FileStamp &base, bool compareBytes,
                            bool &replaced);
    // Brings the document up to date with the file; `unchanged` tells
    // whether it already was. A file whose stamp could hide a change has its
    // bytes compared, unless `comparedLater` says the caller does that.
    std::uint32_t Refresh(const std::filesystem::path &path, bool comparedLater, bool &unchanged);
    // Waits until the file, unless `settled` already, holds what another
    // program wrote whole: until it has been still for a while since it
    // was read.
    std::uint32_t AwaitSettled(const std::filesystem::path &path, bool settled, Clock::time_point deadline);
    // Whether the file is still the one the document was read from, as it
    // was stamped `base`; with `compareBytes` its bytes must match too.
    bool StillAsRead(const std::filesystem::path &path, const FileStamp &base, bool compareBytes);

    std::mutex mutex_;
    RememberedMapping readMapping_;
    std::filesystem::path path_;
    FileStamp stamp_;
    bool trusted_ = false;
    bool loaded_ = false;
    FileEncoding encoding_ = FileEncoding::Ansi;
    IniDocument document_;
};

} // namespace tallowby::platform
