#pragma once

#include "platform/Result.h"
#include "platform/linux/files/AtomicFile.h"
#include "platform/linux/files/FileContents.h"
#include "platform/linux/codepage/FileCodec.h"
#include "platform/linux/files/FileStamp.h"
#include "platform/linux/ini/IniDocument.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby::platform {

// What the process knows of the settings file it last read or wrote: its
// path, its stamp, the form its text came in and its document, and how far
// that document can be trusted to be the file's. Only its own steps move it
// from one state to the next.
//
// A get costs one stat while the file provably has not changed: its stamp is
// the same, and it last changed before the tick of the kernel's file clock
// it was read in. A file changed within that tick could change again
// unseen, so only its bytes can tell.
class FileSnapshot {
public:
    // How Load treats a snapshot to be checked whose stamp is the same:
    // `Now` compares the file's bytes at once; `BeforeRename` keeps the
    // snapshot, for a save that compares them just before its rename.
    enum class ByteCheck { Now, BeforeRename };
    // What Load did: kept the document, which was the file's, or read the
    // file afresh.
    enum class Loaded { Kept, Afresh };

    // The speed-ups of the document and of the first look-up (IniSpeedUps).
    explicit FileSnapshot(IniSpeedUps speedUps = {}) : speedUps_(speedUps) {}

    // Brings the snapshot up to date with the file at `at`. A file that is
    // missing loads as an empty document. Gives the Win32 error of a stat
    // or read that failed, and the snapshot no longer stands for a file
    // then.
    Result<Loaded> Load(const std::filesystem::path &at, ByteCheck check);

    // A process's first look-up, made while the file at `at` is read
    // through one buffer: the value of `key` in `section`, names and value
    // in the code page, or none. The text is not kept, so the next Load
    // reads the file whole. Nothing (Load then answers) when the snapshot
    // has read a file before, the speed-up is off, a name is blank, or the
    // file is not in the code page's plain form, cannot be read, or changed
    // while it was read.
    struct Streamed {
        std::optional<std::string> value;
    };
    std::optional<Streamed> FindStreamed(const std::filesystem::path &at, std::string_view section,
                                         std::string_view key);

    // A process's first save, when it sets `value` under `key` in `section`
    // (names and value in the code page): once the file has been still for
    // 20 ms, it is copied to its new version as it is read, through one
    // buffer, with the change spliced in, and nothing of it is kept. Gives
    // how the save ended (ERROR_TIMEOUT when the file was not still by
    // `deadline`); nothing (the usual save then runs) when the snapshot has
    // read a file before, the speed-up is off, a name is blank, or the file
    // is not in the code page's plain form and the platform's layout,
    // cannot be read, or changed since it was found still.
    std::optional<Error> SetStreamed(const std::filesystem::path &at, std::string_view section, std::string_view key,
                                     std::string_view value, std::chrono::steady_clock::time_point deadline);

    // Waits until a file another program changed in the last 20 ms has been
    // still that long, loading it again when it changed meanwhile: a
    // program that truncates the file and then writes it must have finished
    // before its text counts as whole. ERROR_TIMEOUT at `deadline`.
    Error AwaitStill(std::chrono::steady_clock::time_point deadline);

    // The stamp and text form of the file loaded.
    const FileStamp &Stamp() const { return stamp_; }
    FileEncoding Encoding() const { return encoding_; }

    // The document's answers (IniDocument.h), text in the file's text form.
    std::optional<std::string> Find(std::string_view section, std::string_view key)
    {
        return document_.Find(section, key);
    }
    std::optional<std::string_view> FindView(std::string_view section, std::string_view key)
    {
        return document_.FindView(section, key);
    }
    std::vector<std::string> KeyNames(std::string_view section) { return document_.KeyNames(section); }
    std::vector<std::string> SectionNames() { return document_.SectionNames(); }
    // Whether the document, changes and all, lays out as no text.
    bool LaysOutEmpty() { return document_.LayOut().empty(); }

    // Removes `section` when `key` is none, else removes `key` when `value`
    // is none, else sets `value` under `key`; text is in the file's text
    // form. Returns whether the document changed. From the first change
    // until the file takes it, the snapshot is ahead of the file, even when
    // a change fails half way.
    bool Change(std::string_view section, const std::optional<std::string> &key,
                const std::optional<std::string> &value);
    // Takes the document for one that may not be the file's any longer:
    // the next load reads the file afresh.
    void Forget() { state_ = State::Absent; }

    // The file as a save read it, before changing the document.
    struct AsRead {
        FileStamp stamp;
        bool compareBytes = false; // its stamp alone cannot show a change
    };
    AsRead WhatWasRead() const { return {stamp_, state_ == State::ToBeChecked && stamp_.exists}; }
    // Whether the file is still the one `asRead` describes: the same stamp,
    // and the same bytes as the document's text where the stamp cannot
    // tell.
    bool StillAsRead(const AsRead &asRead) const;

    // The new version of the file, written beside it and not yet renamed
    // into place, and what the document must do once it is.
    struct NewVersion {
        FileReplacement replacement;
        std::optional<IniDocument::Splice> splice; // else laid out whole
        std::string laidOut;
    };
    // Writes the changed document beside the file. A file that holds its
    // text as it is, already in the platform's layout, keeps its unchanged
    // lines as they are: they are written around the change, not laid out
    // again.
    Result<NewVersion> WriteBeside();
    // Once `version` has taken the file's place, makes the document what
    // reading the file back gives, and takes the new file's stamp.
    void Settle(NewVersion version);

private:
    // Whether a process's first call may read the file piece by piece;
    // from then on the snapshot has read a file.
    bool StartStreaming(std::string_view section, std::string_view key);

    enum class State {
        // The process has read no file yet: its first look-up may stream it.
        NeverRead,
        // No document stands for a file: none was loaded yet, or the file may
        // have changed since (a read or a check that failed).
        Absent,
        // The document is the file's, and a change of the file would show in
        // its stamp.
        Trusted,
        // The document is the file's as read, but the file changed within
        // the tick it was read in: its bytes must be compared to be sure.
        ToBeChecked,
        // The document holds a change the file does not have yet.
        AheadOfFile,
    };

    State state_ = State::NeverRead;
    IniSpeedUps speedUps_;
    std::filesystem::path path_;
    FileStamp stamp_;
    FileEncoding encoding_ = FileEncoding::Ansi;
    IniDocument document_;
    KeptFile kept_; // the file read last, to read again without an open
};

} // namespace tallowby::platform
