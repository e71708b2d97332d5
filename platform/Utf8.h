#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallowby::platform {

// How a conversion from UTF-8 meets bytes that are not well-formed UTF-8.
enum class Utf8Policy {
    // The conversion fails: for names and arguments that must be exact.
    Strict,
    // Each malformed run becomes one U+FFFD, split where the platform splits
    // it: a lead byte alone when the next byte cannot follow any lead, the
    // lead and its next byte when that byte is out of the lead's range, else
    // the bytes up to the one that breaks the sequence.
    Lenient,
    // As Lenient, but a surrogate's three-byte form stands for that UTF-16
    // unit, so that UTF-16 that is not well formed survives a round trip.
    LenientSurrogates,
};

// UTF-16 as UTF-8; a surrogate pair is one character. An unpaired surrogate
// becomes U+FFFD, or with `keepSurrogates` takes the three bytes its code
// would.
std::string ToUtf8(std::u16string_view text, bool keepSurrogates = false);

// UTF-8 as UTF-16 under `policy`; none only when a Strict conversion meets
// bytes that are not well-formed UTF-8.
std::optional<std::u16string> FromUtf8(std::string_view bytes, Utf8Policy policy = Utf8Policy::Strict);

} // namespace tallowby::platform
