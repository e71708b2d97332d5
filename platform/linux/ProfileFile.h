#pragma once

#include "platform/Result.h"
#include "platform/linux/DriveMapping.h"
#include "platform/linux/FileSnapshot.h"

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
    // the mapping's error for its path (MapProfilePath), else the error of
    // reading it; none when it was read.
    Error fileError;
};

// The settings files of the process, as the private-profile calls reach
// them: the one way to read and to change them. It keeps what it knows of
// the file it last read or wrote in one FileSnapshot, so that a look-up of
// an unchanged file costs one stat.
//
// Every operation takes a Windows path. Memory exhaustion and other
// exceptions leave it; the calls of Kernel32.h turn them into errors.
class ProfileFile {
public:
    // Applies `change` to the file at the Windows path `file`, making the
    // file and the section when they are missing. Gives the Win32 error
    // number: the mapping's (MapProfilePath), ERROR_FILE_NOT_FOUND for a
    // null section, ERROR_TIMEOUT when other writers keep the file for
    // kWriterLockTimeout, else the error of the step that failed, with the
    // file left as it was.
    Error Write(const char *file, const ProfileChange &change);

    // Answers `query` from the file at the Windows path `file`. A file that
    // cannot be read reads as an absent one, with the reason in the answer.
    ProfileAnswer Read(const char *file, const ProfileQuery &query);

    // The files of the process.
    static ProfileFile &Process();

private:
    Error Save(const std::filesystem::path &path, const ProfileChange &change);

    std::mutex mutex_;
    RememberedMapping readMapping_;
    FileSnapshot snapshot_;
};

} // namespace tallowby::platform
