#include "platform/linux/ProfileFile.h"

#include "platform/LastError.h"
#include "platform/Win32Error.h"
#include "platform/WriterLock.h"
#include "platform/linux/AtomicFile.h"
#include "platform/linux/DriveMapping.h"
#include "platform/linux/FileContents.h"
#include "platform/linux/FileRangeLock.h"
#include "platform/linux/FileCodec.h"
#include "platform/linux/FolderLock.h"

#include <new>
#include <optional>
#include <system_error>

namespace tallowby::platform {

namespace {

// Runs one operation so that no exception leaves it: the one place where the
// stand-in turns exceptions into Win32 error numbers.
template <typename Body>
std::uint32_t Guard(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return win32_error::NotEnoughMemory;
    } catch (const std::system_error &failure) {
        return Win32ErrorFromErrno(failure.code().value());
    } catch (...) {
        return win32_error::GenFailure;
    }
}

// A caller's text, none for null, in the text form of `encoding`.
std::optional<std::string> InFile(FileEncoding encoding, const char *ansi)
{
    return ansi != nullptr ? std::optional(TextFromAnsi(encoding, ansi)) : std::nullopt;
}

// Returns whether the document changed.
bool Apply(IniDocument &document, FileEncoding encoding, const ProfileChange &change)
{
    const auto section = InFile(encoding, change.section), key = InFile(encoding, change.key),
               value = InFile(encoding, change.value);
    if (!key)
        return document.RemoveSection(*section);
    if (!value)
        return document.RemoveKey(*section, *key);
    return document.Set(*section, *key, *value);
}

// Writes go to the file a link names, so that the link stays a link.
std::filesystem::path ResolveLinks(const std::filesystem::path &path)
{
    std::error_code error;
    std::filesystem::path target = path;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, error); ++hops) {
        const auto next = std::filesystem::read_symlink(target, error);
        if (error)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

// Drive C's folder stands in for a drive that always exists, and its
// Windows folder, where names without a folder go, for one that does too;
// other folders below drive C are the caller's to make, as on the platform.
std::uint32_t EnsureFolder(const std::filesystem::path &path)
{
    const std::filesystem::path drive = SettingsPrefix() / "drive_c", windows = drive / "windows";
    std::error_code error;
    std::filesystem::create_directories(path.parent_path() == windows ? windows : drive, error);
    return error ? Win32ErrorFromErrno(error.value()) : 0;
}

} // namespace

ProfileFile &ProfileFile::Process()
{
    static ProfileFile files;
    return files;
}

std::uint32_t ProfileFile::Read(const char *file, const ProfileQuery &query, ProfileAnswer &answer) noexcept
{
    return Guard([&]() -> std::uint32_t {
        answer = ProfileAnswer{};
        const std::lock_guard guard(mutex_);
        const auto &path = readMapping_.Map(file);
        if (!path) {
            answer.fileError = path.error().code();
            return 0;
        }
        if (bool unchanged = false; const auto error = Refresh(*path, false, unchanged)) {
            answer.fileError = error;
            return 0;
        }
        if (!stamp_.exists)
            answer.fileError = win32_error::FileNotFound;
        auto join = [&](const std::vector<std::string> &names) {
            for (const auto &name : names) {
                answer.text += TextToAnsi(encoding_, name);
                answer.text += '\0';
            }
        };
        const auto section = InFile(encoding_, query.section), key = InFile(encoding_, query.key);
        if (!section) {
            join(document_.SectionNames());
        } else if (!key) {
            join(document_.KeyNames(*section));
        } else if (auto value = document_.Find(*section, *key)) {
            answer.text = TextToAnsi(encoding_, std::move(*value));
            answer.found = true;
        }
        return 0;
    });
}

std::uint32_t ProfileFile::Write(const char *file, const ProfileChange &change) noexcept
{
    return Guard([&]() -> std::uint32_t {
        const auto mapped = MapProfilePath(file);
        if (!mapped)
            return mapped.error().code();
        // The platform looks at the name before it looks at the section.
        if (change.section == nullptr)
            return win32_error::FileNotFound;
        if (const auto error = EnsureFolder(*mapped); error != 0)
            return error;
        const std::filesystem::path path = ResolveLinks(*mapped);

        const auto deadline = Clock::now() + kWriterLockTimeout;
        FolderLock folderLock;
        if (const auto error = FolderLock::Acquire(path.parent_path(), deadline, folderLock); error != 0)
            return error;
        // The Windows build's writers take this one, not the folder's.
        FileRangeLock fileLock;
        if (const auto error = FileRangeLock::Acquire(path, deadline, fileLock); error != 0)
            return error;

        const std::lock_guard guard(mutex_);
        return Save(path, change, fileLock.MadeFile(), deadline);
    });
}

// The locks keep out the writers that take them; programs that write the
// file in place ignore them, so what was read is checked again just before
// the rename, and the save starts again when it changed.
std::uint32_t ProfileFile::Save(const std::filesystem::path &path, const ProfileChange &change, bool madeEmpty,
                                Clock::time_point deadline)
{
    for (;;) {
        // An untrusted stamp needs no bytes compared here: the check before
        // the rename compares them.
        bool unchanged = false;
        if (const auto error = Refresh(path, true, unchanged); error != 0)
            return error;
        // What this process last read or wrote, and an empty file the lock
        // has just made, are whole.
        const bool settled = unchanged || (madeEmpty && stamp_.exists && stamp_.size == 0);
        if (const auto error = AwaitSettled(path, settled, deadline); error != 0)
            return error;

        // A stamp cannot show a change made within the tick the file was
        // read in; then only its bytes can.
        const FileStamp base = stamp_;
        const bool compareBytes = !trusted_ && base.exists;
        // From here the document is ahead of the file until it is settled.
        loaded_ = false;
        if (!Apply(document_, encoding_, change)) {
            // Nothing to write, so long as the file held what the change saw.
            if (!compareBytes || StillAsRead(path, base, compareBytes)) {
                loaded_ = true;
                return 0;
            }
        } else if (madeEmpty && document_.LayOut().empty()) {
            // A file that was not there stays away when the change leaves
            // it empty, as on the platform; the lock removes what it made.
            return 0;
        } else {
            bool replaced = false;
            if (const auto error = WriteBack(path, base, compareBytes, replaced); error != 0 || replaced)
                return error;
        }
        if (Clock::now() >= deadline)
            return win32_error::Timeout;
        madeEmpty = false;
    }
}

std::uint32_t ProfileFile::WriteBack(const std::filesystem::path &path, const FileStamp &base, bool compareBytes,
                                     bool &replaced)
{
    // A file that holds its text as it is, already in the platform's
    // layout, keeps its unchanged lines as they are: they are written
    // around the change, not laid out again.
    std::optional<IniDocument::Splice> splice;
    if (HoldsTextAsIs(encoding_))
        splice = document_.SpliceChange();
    std::string written;
    FileReplacement replacement;
    if (splice) {
        const std::string_view text = document_.Text();
        const std::string_view pieces[] = {text.substr(0, splice->at), splice->inserted,
                                           text.substr(splice->at + splice->removed)};
        if (const auto error = FileReplacement::Prepare(path, pieces, replacement); error != 0)
            return error;
    } else {
        written = document_.LayOut();
        if (const auto error = FileReplacement::Prepare(path, Encode(encoding_, written).view(), replacement);
            error != 0)
            return error;
    }
    // A program that writes the file in place, without the locks, may have
    // changed it since it was read; the new file is then dropped.
    if (!StillAsRead(path, base, compareBytes))
        return 0;
    if (const auto error = replacement.Commit(); error != 0)
        return error;
    replaced = true;
    if (splice)
        document_.Settle(*splice);
    else
        document_.Settle(std::move(written));
    if (const FileStamp now = FileStamp::At(path); now.exists) {
        stamp_ = now;
        trusted_ = false; // written this very tick
        loaded_ = true;
    }
    return 0;
}

std::uint32_t ProfileFile::Refresh(const std::filesystem::path &path, bool comparedLater, bool &unchanged)
{
    unchanged = false;
    FileStamp now;
    if (const auto error = FileStamp::Take(path, now); error != 0)
        return error;
    if (loaded_ && (trusted_ || comparedLater) && path.native() == path_.native() && now == stamp_) {
        unchanged = true;
        return 0;
    }

    const timespec horizon = TrustHorizon();
    std::string bytes;
    bool sameBytes = false;
    // Only a file whose stamp is as it was may still hold the same bytes
    // worth keeping; any other is read once, afresh.
    if (loaded_ && path.native() == path_.native() && now == stamp_) {
        const FileBytes read = Encode(encoding_, document_.Text());
        if (!now.exists)
            sameBytes = read.view().empty();
        else if (const auto error = CompareFileContents(path, read.view(), sameBytes); error != 0)
            sameBytes = false;
    }
    // Until it is read whole, no document stands for the file.
    loaded_ = false;
    if (!sameBytes) {
        // Not two documents at once; the old text's storage takes the new.
        bytes = document_.Release();
        encoding_ = FileEncoding::Ansi;
    }
    // A file that changed while it was read is read again next time; one
    // replaced meanwhile was read whole, and is read again for its stamp.
    FileStamp after;
    if (now.exists && !sameBytes) {
        if (const auto error = ReadFileContents(path, bytes, &after); error != 0)
            return error;
    } else {
        bytes.clear(); // no file, or the same bytes: nothing read
        after = FileStamp::At(path);
    }
    const bool steady = after == now;
    if (!sameBytes) {
        DecodedFile file = Decode(std::move(bytes));
        encoding_ = file.encoding;
        document_ = IniDocument::Parse(std::move(file.text));
    }
    path_ = path;
    stamp_ = after;
    // A missing file cannot appear without changing its stamp.
    trusted_ = steady && (!now.exists || now.ChangedBefore(horizon));
    loaded_ = true;
    unchanged = sameBytes;
    return 0;
}

std::uint32_t ProfileFile::AwaitSettled(const std::filesystem::path &path, bool settled, Clock::time_point deadline)
{
    while (!settled && stamp_.ChangedLately()) {
        FileStamp still = stamp_;
        if (const auto error = AwaitStill(path, still, deadline); error != 0)
            return error;
        bool unchanged = false;
        if (const auto error = Refresh(path, true, unchanged); error != 0)
            return error;
        settled = stamp_ == still; // and not changed again since
    }
    return 0;
}

bool ProfileFile::StillAsRead(const std::filesystem::path &path, const FileStamp &base, bool compareBytes)
{
    bool same = !compareBytes;
    return FileStamp::At(path) == base &&
           (same ||
            (CompareFileContents(path, Encode(encoding_, document_.Text()).view(), same) == 0 && same));
}

} // namespace tallowby::platform
