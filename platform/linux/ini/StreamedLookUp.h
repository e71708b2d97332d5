#pragma once

// The first look-up of a process, made while the file is read: a new
// process's get reads the file through one buffer instead of holding it
// whole, and its first set copies it that way (StreamedSet.h). The entries
// on top switch it off with IniSpeedUps.

#include "platform/linux/ini/IniDocument.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallowby::platform {

// Finds what ScanForValue would find in a text given piece by piece: the
// caller reads into Room() and hands over what it read with Took, until
// Done(). Whole lines, up to the last LF, are scanned as they come; the
// rest is kept for the next read, and the buffer grows only for a line
// longer than it.
class StreamedLookUp {
public:
    static constexpr std::size_t kBuffer = 64 * 1024;

    // Both names must hold more than blanks.
    StreamedLookUp(std::string_view section, std::string_view key, std::size_t buffer = kBuffer);

    // Where the next read goes: never empty.
    std::span<char> Room();
    // Takes `size` bytes read into Room(); 0 is the text's end.
    void Took(std::size_t size);
    // Whether the answer is known: more text cannot change it.
    bool Done() const { return state_ == State::Found || state_ == State::Ended; }
    // The value, once Done(): a copy, as the buffer is reused.
    const std::optional<std::string> &Value() const { return value_; }
    // Where a set of the key goes, once Done(), as a scan of the whole text
    // would place it.
    const IniDocument::SetSite &Site() const { return site_; }

    // The whole lines the last Took handed over (at the text's end, what
    // was left), and where they start in the text; valid until Room().
    // Lines keep coming once Done(), for a caller that reads on.
    std::string_view Lines() const { return {buffer_.data(), lines_}; }
    std::size_t LinesAt() const { return base_; }

private:
    enum class State { LookingForSection, InSection, Found, Ended };

    // Scans whole lines, or the text's last line.
    void Scan(std::string_view lines);

    State state_ = State::LookingForSection;
    std::string section_, key_;
    std::string buffer_;
    std::size_t held_ = 0; // bytes at the buffer's start: whole lines handed over, then the rest
    std::size_t scanned_ = 0; // of them, those known to hold no LF
    std::size_t lines_ = 0; // of them, the whole lines handed over, dropped at the next Room()
    std::size_t base_ = 0; // where the buffer's first byte is in the text
    std::optional<std::string> value_;
    IniDocument::SetSite site_;
};

} // namespace tallowby::platform
