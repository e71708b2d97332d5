#pragma once

// A process's first set, made while the file is copied: the file is read
// through one buffer, and each piece of whole lines goes on to the new
// version as it comes, with the change spliced in where it belongs. Nothing
// of the file is kept. It takes only a text in the platform's layout,
// checked piece by piece as LayoutCheck.h checks a whole text, where the
// set is a splice (IniDocument::SpliceSet).

#include "platform/linux/ini/StreamedLookUp.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallowby::platform {

class StreamedSet {
public:
    enum class Outcome {
        Copying,   // more text to come
        Written,   // the text's end came: every piece of the new text was given
        Unchanged, // the key holds that value already: nothing to write
        LaidOut,   // not in the layout, or no splice: the set lays the text out whole
    };

    // Both names must hold more than blanks; all three are in the file's
    // text form.
    StreamedSet(std::string_view section, std::string_view key, std::string_view value,
                std::size_t buffer = StreamedLookUp::kBuffer);

    // Where the next read goes: never empty.
    std::span<char> Room() { return lookUp_.Room(); }
    // Takes `size` bytes read into Room(), 0 at the text's end, and gives
    // the new text's next pieces, in order, valid until Room(); nothing
    // once Outcome() is other than Copying.
    std::array<std::string_view, 3> Took(std::size_t size);
    Outcome Result() const { return outcome_; }

private:
    // Whether whole lines that follow those checked before are laid out.
    bool LaidOut(std::string_view lines);

    StreamedLookUp lookUp_;
    std::string section_, key_, value_;
    Outcome outcome_ = Outcome::Copying;
    std::optional<IniDocument::Splice> splice_;
    bool lastLineNameless_ = false;
};

} // namespace tallowby::platform
