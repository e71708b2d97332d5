#pragma once

// The design of the main window, in twips (1/1440 inch) as it was drawn,
// and its conversion to pixels at a given resolution. Both platforms' windows
// build themselves from it.

namespace tallowby {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const PixelRect &, const PixelRect &) = default;
};

struct Form1Layout {
    int clientWidth = 0;
    int clientHeight = 0;
    PixelRect check1;
    friend constexpr bool operator==(const Form1Layout &, const Form1Layout &) = default;
};

inline constexpr char16_t kForm1Caption[] = u"Form1";
inline constexpr char16_t kCheck1Caption[] = u"Check1";

// Rounds to the nearest pixel, halves up.
constexpr int TwipsToPixels(int twips, int dotsPerInch)
{
    return (twips * dotsPerInch + 720) / 1440;
}

// The window's client size and the check box's place in it at `dotsPerInch`.
constexpr Form1Layout LayoutForDpi(int dotsPerInch)
{
    auto px = [dotsPerInch](int twips) { return TwipsToPixels(twips, dotsPerInch); };
    return {px(4680), px(3195), {px(720), px(960), px(1695), px(375)}};
}

static_assert(LayoutForDpi(96) == Form1Layout{312, 213, {48, 64, 113, 25}});

} // namespace tallowby
