#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowby::platform {

// An INI file as the platform's private-profile calls hold it: sections of
// entries, where an entry is a name with a value or a bare name (comments
// are bare names too). Text is bytes in the file's text form (see
// FileCodec.h); names match regardless of ASCII case and of surrounding
// blanks.
//
// Written back, the file takes the platform's layout: "[name]" headers,
// "name=value" lines with blanks trimmed, CR LF line ends, no blank lines,
// and whatever preceded the first header still first. Entries keep their
// place and order.
//
// Names and values are views into the file's text, held once; each section
// builds a hash index of its names on its first look-up, so a look-up costs
// the same in a file of ten keys or of a hundred thousand.
class IniDocument {
public:
    // Reads `text`: lines end at CR LF, LF or a lone CR, and a NUL ends the
    // text of its line.
    static IniDocument Parse(std::string text);

    // The value of `key` in the first section named `section` (the lines
    // before the first header are the section named ""), without
    // surrounding blanks and a matching pair of surrounding quotes; none
    // when the section, the key or the key's value is absent. The view lasts
    // until the document changes.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    // The same value with its quotes still on.
    std::optional<std::string_view> FindQuoted(std::string_view section, std::string_view key) const;

    // Stores `value` under `key`: the key's entry takes it where it stands,
    // else an entry is added at the end of the section, else the section at
    // the end of the file. New names and values lose their leading blanks.
    // Each returns whether anything changed.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);

    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    // The file's text in the platform's layout once anything has changed;
    // until then the text as it was read.
    const std::string &Text();

    // The text as it was before the changes since the document was read or
    // last settled, kept until Settle(), so that a writer can check that the
    // file still holds it.
    const std::string &TextBeforeChanges();

    // Once the text is written, makes the document what reading them back
    // gives, as the platform reads every file afresh: new names and values
    // lose the trailing blanks they were written with, and the lines of a
    // section without a name join the section before it.
    void Settle();

private:
    // Where a name or value lies: in the bytes read, or in added text.
    // The top bit of the offset tells text added by changes from the
    // bytes read.
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
        mutable std::vector<std::uint32_t> index; // entry number + 1 per slot; 0 is free
        mutable bool searched = false;
    };

    std::string_view View(Span span) const;
    Span Add(std::string_view text);
    const Section *FindSection(std::string_view name) const;
    Section *FindSection(std::string_view name);
    bool SameAsGiven(Span span, std::string_view name) const;
    void TrimWritten();
    std::optional<std::size_t> FindEntry(const Section &section, std::string_view name) const;
    void BuildIndex(const Section &section) const;
    void Rebase();

    std::string text_;
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
    std::string before_; // the text before the changes, once changes are laid out
    bool keptBefore_ = false;
    bool changed_ = false;
};

// The blanks the platform trims: space, tab, vertical tab, form feed.
std::string_view TrimBlanks(std::string_view text);
std::string_view TrimLeadingBlanks(std::string_view text);
// `value` without a matching pair of surrounding quotes, single or double.
std::string_view StripQuotes(std::string_view value);
// Equality of names regardless of ASCII case and surrounding blanks.
bool SameName(std::string_view a, std::string_view b);

} // namespace tallowby::platform
