#pragma once

// The first look-up of a process, made while the file is read: a new
// process's get reads the file through one buffer instead of holding it
// whole. The entries on top switch it off with IniSpeedUps.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallowby::platform {

// Finds what ScanForValue would find in a text given piece by piece: the
// caller reads into Room() and hands over what it read with Took, until
// Done(). Whole lines are scanned as they come; the last, unfinished one is
// kept for the next read, and the buffer grows only for a line longer than
// it. Both names must hold more than blanks.
class StreamedLookUp {
public:
    static constexpr std::size_t kBuffer = 64 * 1024;

    StreamedLookUp(std::string_view section, std::string_view key, std::size_t buffer = kBuffer);

    // Where the next read goes: never empty.
    std::span<char> Room();
    // Takes `size` bytes read into Room(); 0 is the text's end.
    void Took(std::size_t size);
    // Whether the answer is known: more text cannot change it.
    bool Done() const { return state_ == State::Found || state_ == State::Ended; }
    // The value, once Done(): a copy, as the buffer is reused.
    const std::optional<std::string> &Value() const { return value_; }

private:
    enum class State { LookingForSection, InSection, Found, Ended };

    // Scans whole lines, or the text's last line.
    void Scan(std::string_view lines);

    State state_ = State::LookingForSection;
    std::string section_, key_;
    std::string buffer_;
    std::size_t held_ = 0; // bytes of an unfinished line at the buffer's start, then those read
    std::size_t scanned_ = 0; // of them, those known to hold no line end
    std::optional<std::string> value_;
};

} // namespace tallowby::platform
