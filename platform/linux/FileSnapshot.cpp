#include "platform/linux/FileSnapshot.h"

#include "platform/linux/files/FileContents.h"

#include <string_view>

namespace tallowby::platform {

Result<FileSnapshot::Loaded> FileSnapshot::Load(const std::filesystem::path &at, ByteCheck check)
{
    const auto now = FileStamp::Take(at);
    TALLOWBY_RETURN_IF_FAILED(now);
    const bool sameStamp =
        (state == State::Trusted || state == State::ToBeChecked) && at.native() == path.native() && *now == stamp;
    if (sameStamp && (state == State::Trusted || check == ByteCheck::BeforeRename))
        return Loaded::Kept;

    // Taken before the read: only a change made a tick before it shows for
    // sure in the stamp.
    const timespec horizon = TrustHorizon();
    // Only a file whose stamp is as it was may still hold the same bytes;
    // any other is read afresh.
    bool sameBytes = false;
    if (sameStamp) {
        const FileBytes bytes = Encode(encoding, document.Text());
        const auto holds = now->exists ? FileHolds(at, bytes.view()) : Result<bool>(bytes.view().empty());
        sameBytes = holds && *holds;
    }
    state = State::Absent; // until the file is read whole
    FileStamp after;
    if (sameBytes) {
        after = FileStamp::At(at);
    } else {
        // Not two documents at once: the old text's storage takes the new.
        std::string bytes = document.Release();
        if (now->exists) {
            const auto read = ReadFileContents(at, bytes);
            TALLOWBY_RETURN_IF_FAILED(read);
            after = *read;
        } else {
            bytes.clear();
            after = FileStamp::At(at);
        }
        DecodedFile file = Decode(std::move(bytes));
        encoding = file.encoding;
        document = IniDocument::FromText(std::move(file.text));
    }
    path = at;
    stamp = after;
    // A file that changed while it was read is read again next time; a
    // missing file cannot appear without changing its stamp.
    const bool steady = after == *now;
    state = steady && (!now->exists || now->ChangedBefore(horizon)) ? State::Trusted : State::ToBeChecked;
    return sameBytes ? Loaded::Kept : Loaded::Afresh;
}

Error FileSnapshot::AwaitStill(std::chrono::steady_clock::time_point deadline)
{
    while (stamp.ChangedLately()) {
        const auto still = platform::AwaitStill(path, stamp, deadline);
        TALLOWBY_RETURN_IF_FAILED(still);
        TALLOWBY_RETURN_IF_FAILED(Load(path, ByteCheck::BeforeRename));
        if (stamp == *still)
            break; // and not changed again since
    }
    return {};
}

bool FileSnapshot::StillAsRead(const AsRead &asRead) const
{
    if (!(FileStamp::At(path) == asRead.stamp))
        return false;
    if (!asRead.compareBytes)
        return true;
    const auto holds = FileHolds(path, Encode(encoding, document.Text()).view());
    return holds && *holds;
}

Result<FileSnapshot::NewVersion> FileSnapshot::WriteBeside()
{
    if (HoldsTextAsIs(encoding)) {
        if (auto splice = document.SpliceChange()) {
            const std::string_view text = document.Text();
            const std::string_view pieces[] = {text.substr(0, splice->at), splice->inserted,
                                               text.substr(splice->at + splice->removed)};
            auto replacement = FileReplacement::Prepare(path, pieces);
            TALLOWBY_RETURN_IF_FAILED(replacement);
            return NewVersion{std::move(*replacement), std::move(splice), {}};
        }
    }
    std::string laidOut = document.LayOut();
    const FileBytes bytes = Encode(encoding, laidOut);
    const std::string_view pieces[] = {bytes.view()};
    auto replacement = FileReplacement::Prepare(path, pieces);
    TALLOWBY_RETURN_IF_FAILED(replacement);
    return NewVersion{std::move(*replacement), std::nullopt, std::move(laidOut)};
}

void FileSnapshot::Settle(NewVersion version)
{
    if (version.splice)
        document.SettleSpliced(*version.splice);
    else
        document.SettleLaidOut(std::move(version.laidOut));
    // Written this very tick, so a change of it could hide in its stamp.
    const FileStamp now = FileStamp::At(path);
    stamp = now;
    state = now.exists ? State::ToBeChecked : State::Absent;
    // A file in the code page that starts with the bytes of a byte-order
    // mark reads back in that form, on the platform too: only reading it
    // again tells what it holds.
    if (encoding == FileEncoding::Ansi) {
        const FileBytes head = Encode(encoding, std::string_view(document.Text()).substr(0, 4));
        if (Decode(std::string(head.view())).encoding != FileEncoding::Ansi)
            state = State::Absent;
    }
}

} // namespace tallowby::platform
