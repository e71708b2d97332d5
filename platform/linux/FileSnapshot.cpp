#include "platform/linux/FileSnapshot.h"

#include "platform/linux/files/FileContents.h"
#include "platform/linux/files/FileSystem.h"
#include "platform/linux/ini/IniLexer.h"
#include "platform/linux/ini/StreamedLookUp.h"
#include "platform/linux/ini/StreamedSet.h"

#include <algorithm>
#include <span>
#include <string_view>
#include <sys/stat.h>

namespace tallowby::platform {

namespace {

// A file a process's first call reads piece by piece, through one buffer:
// its stamp as opened, and whether its first three bytes show the code
// page's plain form (a byte-order mark is at most that long).
class StreamedRead {
public:
    // None when the file cannot be opened.
    static std::optional<StreamedRead> Open(const std::filesystem::path &at)
    {
        struct stat info {};
        auto fd = file_calls::OpenToRead(at, info);
        if (!fd)
            return std::nullopt;
        return StreamedRead(std::move(*fd), info);
    }

    const FileStamp &Opened() const { return opened_; }
    // The buffer: the file's size and one byte to see its end, up to
    // StreamedLookUp::kBuffer, so that a small file costs no more memory
    // than it holds.
    std::size_t Buffer() const
    {
        return static_cast<std::size_t>(std::clamp<off_t>(opened_.size + 1, 1, StreamedLookUp::kBuffer));
    }
    // The next read into `room`: its size, 0 at the end; none when it
    // failed or the file is not in the plain form.
    std::optional<std::size_t> Next(std::span<char> room)
    {
        constexpr std::size_t kMark = 3;
        const auto got = file_calls::Read(fd_.get(), room.data(), room.size());
        if (!got)
            return std::nullopt;
        if (!formKnown_) {
            head_.append(room.data(), std::min(*got, kMark - head_.size()));
            if (head_.size() == kMark || *got == 0) {
                formKnown_ = true;
                if (Decode(head_).encoding != FileEncoding::Ansi)
                    return std::nullopt;
            }
        }
        return *got;
    }
    // Whether the file read is one version, the one opened: a file cut,
    // grown or replaced while read may have given a mix of two.
    bool UnchangedSinceOpened() const
    {
        const auto now = file_calls::StatOfOpen(fd_.get());
        return formKnown_ && now && FileStamp::Of(*now) == opened_;
    }

private:
    StreamedRead(UniqueFd fd, const struct stat &info) : fd_(std::move(fd)), opened_(FileStamp::Of(info)) {}

    UniqueFd fd_;
    FileStamp opened_;
    std::string head_;
    bool formKnown_ = false;
};

} // namespace

Result<FileSnapshot::Loaded> FileSnapshot::Load(const std::filesystem::path &at, ByteCheck check)
{
    // Taken before the stat: a change after the stat stamps the file at the
    // horizon or later, so a stamp changed before it shows any such change.
    const timespec horizon = TrustHorizon();
    const auto now = FileStamp::Take(at);
    TALLOWBY_RETURN_IF_FAILED(now);
    const bool sameStamp =
        (state_ == State::Trusted || state_ == State::ToBeChecked) && at.native() == path_.native() && *now == stamp_;
    if (sameStamp && (state_ == State::Trusted || check == ByteCheck::BeforeRename))
        return Loaded::Kept;

    // Only a file whose stamp is as it was may still hold the same bytes;
    // any other is read afresh.
    bool sameBytes = false;
    if (sameStamp) {
        const FileBytes bytes = Encode(encoding_, document_.Text());
        const auto holds = now->exists ? FileHolds(at, bytes.view()) : Result<bool>(bytes.view().empty());
        sameBytes = holds && *holds;
    }
    state_ = State::Absent; // until the file is read whole
    FileStamp after;
    if (sameBytes) {
        after = FileStamp::At(at);
    } else {
        // Not two documents at once: the old text's storage takes the new.
        std::string bytes = document_.Release();
        if (now->exists) {
            const auto read = ReadFileContents(at, *now, bytes, kept_);
            TALLOWBY_RETURN_IF_FAILED(read);
            after = *read;
        } else {
            bytes.clear();
            kept_.Drop();
            after = FileStamp::At(at);
        }
        DecodedFile file = Decode(std::move(bytes));
        encoding_ = file.encoding;
        document_ = IniDocument::FromText(std::move(file.text), speedUps_);
    }
    path_ = at;
    stamp_ = after;
    // A file that changed while it was read is read again next time; a
    // missing file cannot appear without changing its stamp.
    const bool steady = after == *now;
    state_ = steady && (!now->exists || now->ChangedBefore(horizon)) ? State::Trusted : State::ToBeChecked;
    return sameBytes ? Loaded::Kept : Loaded::Afresh;
}

bool FileSnapshot::StartStreaming(std::string_view section, std::string_view key)
{
    if (state_ != State::NeverRead || !speedUps_.streamed || !HoldsTextAsIs(FileEncoding::Ansi) ||
        TrimBlanks(section).empty() || TrimBlanks(key).empty())
        return false;
    state_ = State::Absent; // nothing of the file is kept
    return true;
}

std::optional<FileSnapshot::Streamed> FileSnapshot::FindStreamed(const std::filesystem::path &at,
                                                                 std::string_view section, std::string_view key)
{
    if (!StartStreaming(section, key))
        return std::nullopt;
    auto read = StreamedRead::Open(at);
    if (!read)
        return std::nullopt;
    StreamedLookUp lookUp(section, key, read->Buffer());
    while (!lookUp.Done()) {
        const auto got = read->Next(lookUp.Room());
        if (!got)
            return std::nullopt;
        lookUp.Took(*got);
    }
    if (!read->UnchangedSinceOpened())
        return std::nullopt;
    return Streamed{lookUp.Value()};
}

std::optional<Error> FileSnapshot::SetStreamed(const std::filesystem::path &at, std::string_view section,
                                               std::string_view key, std::string_view value,
                                               std::chrono::steady_clock::time_point deadline)
{
    if (!StartStreaming(section, key))
        return std::nullopt;
    auto read = StreamedRead::Open(at);
    if (!read)
        return std::nullopt;
    // A file another program has just changed may not be whole yet: the
    // copy starts once it has been still a while, unchanged since opened.
    if (read->Opened().ChangedLately()) {
        const auto still = platform::AwaitStill(at, read->Opened(), deadline);
        TALLOWBY_RETURN_IF_FAILED(still);
        if (!(*still == read->Opened()))
            return std::nullopt;
    }
    auto replacement = FileReplacement::Begin(at);
    TALLOWBY_RETURN_IF_FAILED(replacement);
    StreamedSet set(section, key, value, read->Buffer());
    while (set.Result() == StreamedSet::Outcome::Copying) {
        const auto got = read->Next(set.Room());
        if (!got)
            return std::nullopt;
        for (const std::string_view piece : set.Took(*got))
            TALLOWBY_RETURN_IF_FAILED(replacement->Append(piece));
    }
    if (set.Result() == StreamedSet::Outcome::Unchanged)
        return Error();
    // A file changed since it was opened is no longer the one copied.
    if (set.Result() != StreamedSet::Outcome::Written || !read->UnchangedSinceOpened())
        return std::nullopt;
    TALLOWBY_RETURN_IF_FAILED(replacement->Finish());
    if (!(FileStamp::At(at) == read->Opened()))
        return std::nullopt;
    return replacement->Commit();
}

Error FileSnapshot::AwaitStill(std::chrono::steady_clock::time_point deadline)
{
    while (stamp_.ChangedLately()) {
        const auto still = platform::AwaitStill(path_, stamp_, deadline);
        TALLOWBY_RETURN_IF_FAILED(still);
        TALLOWBY_RETURN_IF_FAILED(Load(path_, ByteCheck::BeforeRename));
        if (stamp_ == *still)
            break; // and not changed again since
    }
    return {};
}

bool FileSnapshot::Change(std::string_view section, const std::optional<std::string> &key,
                          const std::optional<std::string> &value)
{
    const State before = state_;
    state_ = State::AheadOfFile;
    const bool changed = !key     ? document_.RemoveSection(section)
                         : !value ? document_.RemoveKey(section, *key)
                                  : document_.Set(section, *key, *value);
    if (!changed)
        state_ = before;
    return changed;
}

bool FileSnapshot::StillAsRead(const AsRead &asRead) const
{
    if (!(FileStamp::At(path_) == asRead.stamp))
        return false;
    if (!asRead.compareBytes)
        return true;
    const auto holds = FileHolds(path_, Encode(encoding_, document_.Text()).view());
    return holds && *holds;
}

Result<FileSnapshot::NewVersion> FileSnapshot::WriteBeside()
{
    if (HoldsTextAsIs(encoding_)) {
        if (auto splice = document_.SpliceChange()) {
            const std::string_view text = document_.Text();
            const std::string_view pieces[] = {text.substr(0, splice->at), splice->inserted,
                                               text.substr(splice->at + splice->removed)};
            auto replacement = FileReplacement::Prepare(path_, pieces);
            TALLOWBY_RETURN_IF_FAILED(replacement);
            return NewVersion{std::move(*replacement), std::move(splice), {}};
        }
    }
    std::string laidOut = document_.LayOut();
    const FileBytes bytes = Encode(encoding_, laidOut);
    const std::string_view pieces[] = {bytes.view()};
    auto replacement = FileReplacement::Prepare(path_, pieces);
    TALLOWBY_RETURN_IF_FAILED(replacement);
    return NewVersion{std::move(*replacement), std::nullopt, std::move(laidOut)};
}

void FileSnapshot::Settle(NewVersion version)
{
    // The file read is replaced now; its storage goes with the last
    // descriptor on it.
    kept_.Drop();
    if (version.splice)
        document_.SettleSpliced(*version.splice);
    else
        document_.SettleLaidOut(std::move(version.laidOut));
    // Written this very tick, so a change of it could hide in its stamp.
    const FileStamp now = FileStamp::At(path_);
    stamp_ = now;
    state_ = now.exists ? State::ToBeChecked : State::Absent;
    // A file in the code page that starts with the bytes of a byte-order
    // mark reads back in that form, on the platform too: only reading it
    // again tells what it holds.
    if (encoding_ == FileEncoding::Ansi) {
        const FileBytes head = Encode(encoding_, std::string_view(document_.Text()).substr(0, 4));
        if (Decode(std::string(head.view())).encoding != FileEncoding::Ansi)
            state_ = State::Absent;
    }
}

} // namespace tallowby::platform
