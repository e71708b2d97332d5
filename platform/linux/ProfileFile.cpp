#include "platform/linux/ProfileFile.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"
#include "platform/WriterLock.h"
#include "platform/linux/files/FileRangeLock.h"
#include "platform/linux/files/FileSystem.h"
#include "platform/linux/files/FolderLock.h"

#include <chrono>
#include <optional>
#include <system_error>

namespace tallowby::platform {

namespace {

using Clock = std::chrono::steady_clock;

// A caller's text, none for null, converted to the text form of `encoding`.
std::optional<std::string> ToFileText(FileEncoding encoding, const char *ansi)
{
    return ansi != nullptr ? std::optional(TextFromAnsi(encoding, ansi)) : std::nullopt;
}

// Returns whether the document changed. The section is not null (see
// ProfileFile::Write).
bool Apply(FileSnapshot &snapshot, const ProfileChange &change)
{
    const FileEncoding encoding = snapshot.Encoding();
    const auto section = ToFileText(encoding, change.section), key = ToFileText(encoding, change.key),
               value = ToFileText(encoding, change.value);
    return snapshot.Change(*section, key, value);
}

// Writes go to the file a link names, so that the link stays a link.
std::filesystem::path ResolveLinks(const std::filesystem::path &path)
{
    std::filesystem::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        const auto next = file_calls::LinkTarget(target);
        if (!next)
            break;
        target = next->is_absolute() ? *next : target.parent_path() / *next;
    }
    return target;
}

// Drive C's folder stands in for a drive that always exists, and its
// Windows folder, where names without a folder go, for one that does too;
// other folders below drive C are the caller's to make, as on the platform.
Error EnsureFolder(const std::filesystem::path &path)
{
    const std::filesystem::path drive = SettingsPrefix() / "drive_c", windows = drive / "windows";
    return file_calls::MakeFolders(path.parent_path() == windows ? windows : drive);
}

} // namespace

ProfileFile &ProfileFile::Process()
{
    static ProfileFile files;
    return files;
}

ProfileAnswer ProfileFile::Read(const char *file, const ProfileQuery &query)
{
    ProfileAnswer answer;
    const std::lock_guard guard(mutex_);
    const auto &path = readMapping_.Map(file);
    if (!path) {
        answer.fileError = path.error();
        return answer;
    }
    if (query.section != nullptr && query.key != nullptr) {
        if (auto streamed = snapshot_.FindStreamed(*path, query.section, query.key)) {
            answer.found = streamed->value.has_value();
            if (streamed->value)
                answer.text = std::move(*streamed->value);
            return answer;
        }
    }
    if (const auto loaded = snapshot_.Load(*path, FileSnapshot::ByteCheck::Now); !loaded) {
        answer.fileError = loaded.error();
        return answer;
    }
    if (!snapshot_.Stamp().exists)
        answer.fileError = win32_error::FileNotFound;
    const FileEncoding encoding = snapshot_.Encoding();
    // A file in the code page holds its text as callers pass and read it:
    // a value needs neither conversion nor a copy but the answer's.
    if (query.section != nullptr && query.key != nullptr && HoldsTextAsIs(encoding)) {
        if (const auto value = snapshot_.FindView(query.section, query.key)) {
            answer.text = *value;
            answer.found = true;
        }
        return answer;
    }
    auto join = [&](const std::vector<std::string> &names) {
        for (const auto &name : names) {
            answer.text += TextToAnsi(encoding, name);
            answer.text += '\0';
        }
    };
    const auto section = ToFileText(encoding, query.section), key = ToFileText(encoding, query.key);
    if (!section) {
        join(snapshot_.SectionNames());
    } else if (!key) {
        join(snapshot_.KeyNames(*section));
    } else if (auto value = snapshot_.Find(*section, *key)) {
        answer.text = TextToAnsi(encoding, std::move(*value));
        answer.found = true;
    }
    return answer;
}

Error ProfileFile::Write(const char *file, const ProfileChange &change)
{
    const auto mapped = MapProfilePath(file);
    TALLOWBY_RETURN_IF_FAILED(mapped);
    // The platform looks at the name before it looks at the section.
    if (change.section == nullptr)
        return win32_error::FileNotFound;
    TALLOWBY_RETURN_IF_FAILED(EnsureFolder(*mapped));
    return Save(ResolveLinks(*mapped), change);
}

// A save, step by step. The locks keep out the writers that take them;
// programs that write the file in place ignore them, so what was read is
// checked again just before the rename, and the save starts again from the
// load when it changed.
Error ProfileFile::Save(const std::filesystem::path &path, const ProfileChange &change)
{
    const auto deadline = Clock::now() + kWriterLockTimeout;
    // 1. Lock: the folder lock that writers of this build take, the lock on
    // the file's far byte that writers of the Windows build take, and the
    // process's mutex.
    const auto folderLock = FolderLock::Acquire(path.parent_path(), deadline);
    TALLOWBY_RETURN_IF_FAILED(folderLock);
    const auto fileLock = FileRangeLock::Acquire(path, deadline);
    TALLOWBY_RETURN_IF_FAILED(fileLock);
    const std::lock_guard guard(mutex_);

    // A process's first set copies the file as it reads it, when the file
    // is in the platform's layout.
    if (!fileLock->MadeFile() && change.key != nullptr && change.value != nullptr) {
        if (const auto streamed = snapshot_.SetStreamed(path, change.section, change.key, change.value, deadline))
            return *streamed;
    }

    // A save starts again only when another program has changed the file,
    // so from then on the file is no longer the one the lock made.
    for (bool madeByLock = fileLock->MadeFile();; madeByLock = false) {
        // 2. Load. The check before the rename compares the bytes of a file
        // whose stamp cannot show a change.
        const auto loaded = snapshot_.Load(path, FileSnapshot::ByteCheck::BeforeRename);
        TALLOWBY_RETURN_IF_FAILED(loaded);
        // 3. Wait for a file another program has just changed to be still.
        // What this process last read or wrote is whole, and so is the
        // empty file the lock has just made.
        const bool loadedAsMade = madeByLock && snapshot_.Stamp().exists && snapshot_.Stamp().size == 0;
        if (*loaded == FileSnapshot::Loaded::Afresh && !loadedAsMade)
            TALLOWBY_RETURN_IF_FAILED(snapshot_.AwaitStill(deadline));

        // 4. Apply.
        const FileSnapshot::AsRead asRead = snapshot_.WhatWasRead();
        if (!Apply(snapshot_, change)) {
            // Nothing to write, so long as the file held what the change saw.
            if (!asRead.compareBytes || snapshot_.StillAsRead(asRead))
                return {};
            snapshot_.Forget(); // read it again
        } else if (madeByLock && snapshot_.LaysOutEmpty()) {
            // A file that was not there stays away when the change leaves it
            // empty, as on the platform; the lock removes what it made.
            return {};
        } else {
            // 5. Write beside.
            auto version = snapshot_.WriteBeside();
            TALLOWBY_RETURN_IF_FAILED(version);
            // 6. Check that the file is still the one read; if not, the new
            // version is dropped and the save starts again.
            if (snapshot_.StillAsRead(asRead)) {
                // 7. Rename.
                TALLOWBY_RETURN_IF_FAILED(version->replacement.Commit());
                // 8. Settle.
                snapshot_.Settle(std::move(*version));
                return {};
            }
        }
        if (Clock::now() >= deadline)
            return win32_error::Timeout;
    }
}

} // namespace tallowby::platform
