#pragma once

#include "platform/linux/ini/NameIndex.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby::platform {

// The speed-ups of IniDocument over its plain model, each in a file of its
// own and each on unless switched off; switched off, the document answers
// and writes exactly as with it on, which the fuzzer checks.
struct IniSpeedUps {
    // The first look-up scans the text instead of reading its lines
    // (FirstLookUp.h).
    bool firstLookUp = true;
    // Large sections find names by hash (NameIndex.h).
    bool nameIndex = true;
    // A save of one change writes the unchanged text around it instead of
    // laying out every line (SplicedSave.cpp).
    bool splicedSave = true;
    // A process's first look-up is made while the file is read, through one
    // buffer, and the text is not kept (StreamedLookUp.h); so is its first
    // set, which copies the file as it reads it (StreamedSet.h).
    // FileSnapshot heeds it, the document does not.
    bool streamed = true;
};

// An INI file as the platform's private-profile calls hold it: the model
// the file format is learnt from.
//
// - Lines: the text splits into lines as NextLine says, and each line is
//   blank, a header or an entry as ReadLine says (IniLexer.h).
// - Sections: a header starts a section; the lines before the first header
//   are the section named "". An entry is a name with a value or a bare
//   name (comments are bare names too). Names match as SameName says.
// - Find, set, remove: a look-up takes the first section and the first
//   entry of a name; changes keep each entry's place and order.
// - Layout: written back, the file takes the platform's layout
//   (IniLayout.h), and settling makes the document what reading it back
//   gives.
//
// Text is bytes in the file's text form (see FileCodec.h). Names and values
// are held once, as places in the text read and in the text that changes
// added; every answer is a copy, so no later call can spoil it.
class IniDocument {
public:
    IniDocument() = default;

    // Takes `text`. Its lines are read at the first call that needs them.
    static IniDocument FromText(std::string text, IniSpeedUps speedUps = {});

    // The value of `key` in the first section named `section` (the lines
    // before the first header are the section named ""), without
    // surrounding blanks but with any quotes still on; none when the
    // section, the key or the key's value is absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key);
    // The same as a view into the document, for a caller that copies it at
    // once: it lasts only until the document next changes.
    std::optional<std::string_view> FindView(std::string_view section, std::string_view key);

    // Stores `value` under `key`: the key's entry takes it where it stands,
    // else an entry is added at the end of the section, else the section at
    // the end of the file. New names and values lose their leading blanks.
    // Each returns whether anything changed.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);

    // The names of the sections that have one, in order.
    std::vector<std::string> SectionNames();
    // The names of the keys with a value in the first section whose name is
    // `section` with its blanks, as a removal matches it; as on the
    // platform, names that start with ";" are left out.
    std::vector<std::string> KeyNames(std::string_view section);

    // The text the document was read from or last settled with: what the
    // file holds while no one else changes it. Changes do not show in it;
    // it lasts until the document is next settled.
    const std::string &Text() const { return text_; }

    // Empties the document and hands back the storage of its text, for
    // the next text to reuse.
    std::string Release();

    // The text with the changes, in the platform's layout.
    std::string LayOut();

    // Once `written`, what LayOut gave, is in the file, makes the document
    // what reading it back gives, as the platform reads every file afresh:
    // new names and values lose the trailing blanks they were written with,
    // the lines of a section without a name join the section before it, and
    // a name or value holding a line break, or a name holding what ends it,
    // makes the lines it reads as.
    void SettleLaidOut(std::string written);

    // The spliced save (SplicedSave.cpp). What LayOut gives, as the text
    // with `removed` bytes at `at` replaced by `inserted`.
    struct Splice {
        std::size_t at = 0;
        std::size_t removed = 0;
        std::string inserted;
    };
    // The splice for the one change made since the document was settled,
    // when the text is already in the platform's layout and the change is a
    // new value of a name, a new entry or a new section: the lines it leaves
    // alone are then written as they are, not laid out again. None for
    // other changes, and when the speed-up is off.
    std::optional<Splice> SpliceChange() const;
    // SettleLaidOut, for a file written as Text() with `splice` applied.
    void SettleSpliced(const Splice &splice);

    // Where a set of a key goes in a text, as a scan finds it: over the
    // key's value (`removed` bytes at `at`), after its bare name, at the end
    // of its section's lines or, with no such section, at the text's end.
    struct SetSite {
        enum class Kind { Value, BareName, SectionEnd, NoSection };
        Kind kind = Kind::NoSection;
        std::size_t at = 0;
        std::size_t removed = 0;
    };
    // The splice that sets `value` at `site` in a text in the platform's
    // layout; none when the set would lay the text out again.
    static std::optional<Splice> SpliceSet(const SetSite &site, std::string_view section, std::string_view key,
                                           std::string_view value);

private:
    // Where a name or value lies: in the text read, or in added text. The
    // top bit of the offset tells text added by changes from the text read.
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    static constexpr std::uint32_t kAdded = 0x80000000u;
    // Sixteen bytes an entry: a file of 100,000 keys needs 1.6 MB of them.
    struct Entry {
        Span name;
        Span value; // empty and not added for a bare name
        bool hasValue() const { return value.offset != kNoValue; }
    };
    static constexpr std::uint32_t kNoValue = 0xFFFFFFFFu;
    struct Section {
        Span name;
        bool headed = true; // false for the lines before the first header
        std::vector<Entry> entries;
        NameIndex index;
    };

    // How far the text's lines are read, and how the text stands to what
    // LayOut gives.
    enum class State {
        // The lines are unread: the first look-up may scan the text instead.
        Unread,
        // The lines are unread and the one scan is spent: the next call
        // reads them.
        Scanned,
        // The lines are read, and the text is what LayOut gives for the
        // document: nothing changed since it was read or settled.
        LaidOut,
        // The lines are read, the text was what LayOut gives, and one change
        // has been made since, which reads back as itself: a save can splice
        // it in.
        OneChangeSinceLaidOut,
        // The lines are read; the text is not what LayOut gives, or has had
        // more than one change since: a save lays the document out whole.
        NotLaidOut,
        // A change since the document settled reads back as other lines
        // (see ini_layout::HeaderReadsBack), or a removal brought two
        // entries without a name together: settling reads the text
        // written afresh.
        ReadsBackOtherwise,
    };

    bool LinesRead() const
    {
        return state_ != State::Unread && state_ != State::Scanned;
    }
    // Reads the lines of the text, once.
    void ReadLines();
    // Moves the state on for a change that reads back as itself or not, and
    // for a removal.
    void NoteChange(bool readsBack);
    void NoteRemoval();

    std::string_view View(Span span) const;
    Span Add(std::string_view text);
    const Section *FindSection(std::string_view name) const;
    Section *FindSection(std::string_view name);
    std::optional<std::size_t> FindEntry(const Section &section, std::string_view name) const;
    bool SameAsGiven(Span span, std::string_view name) const;
    // Returns whether anything lost blanks.
    bool TrimWritten();
    // Adds `delta` to the offset of every span in the text at or past `from`.
    void ShiftSpans(std::size_t from, std::ptrdiff_t delta);
    // Tells `placed` where each name and value lands when the document is
    // laid out, and returns the layout's length. `Self` is the document,
    // const or not.
    template <typename Self, typename Placed>
    static std::size_t Place(Self &self, Placed placed);

    IniSpeedUps speedUps_;
    std::string text_;
    State state_ = State::NotLaidOut;
    // The value the last change replaced, for its splice.
    Span replaced_;
    std::string added_;
    std::vector<Section> sections_;
    // Names and values written with their trailing blanks, by section and
    // entry number (entry number of the header: none).
    struct Written {
        std::size_t section;
        std::size_t entry;
    };
    std::vector<Written> unsettled_;
    static constexpr std::size_t kHeader = static_cast<std::size_t>(-1);
};

} // namespace tallowby::platform
