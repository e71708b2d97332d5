#!/usr/bin/env python3
"""Writes the correction table: where the platform's conversions differ from
glibc's iconv, measured over every byte, every lead and trail byte pair and
every UTF-16 unit.

Reads the dumps of PlatformTable (platform-PAGE.txt) and of IconvTable's raw
mode (iconv-PAGE.txt) from DIR. The conversion the table corrects is the one
that IconvTable's corrected mode carries out (see there); this script finds
where that conversion, without corrections, differs from the platform, and
prints the header.

usage: make_corrections.py header DIR > Corrections.h
       make_corrections.py differences DIR PAGE
The second prints where iconv alone differs from the platform, both ways.
"""
import sys
from pathlib import Path

# The glibc converter that differs least from each page (compared: CP874 and
# TIS-620; CP932, SHIFT_JIS and IBM943; GBK and GB18030; BIG5 and BIG5-HKSCS).
ICONV_NAMES = {874: "CP874", 932: "CP932", 936: "GBK", 949: "UHC", 950: "BIG5",
               **{p: f"CP{p}" for p in range(1250, 1259)}}
WAYS = ["Both", "ToUnicode", "FromUnicode", "Refused"]


def load(path):
    leads, decoded, encoded = [], {}, {}
    for line in Path(path).read_text().splitlines():
        f = line.split()
        if f[0] == "L":
            leads.append(int(f[1], 16))
        elif f[0] == "D":
            decoded[f[1]] = f[2:]
        elif f[0] == "E":
            encoded[int(f[1], 16)] = f[2]
    return leads, decoded, encoded


def ranges(values):
    out = []
    for v in values:
        if out and out[-1][1] == v - 1:
            out[-1][1] = v
        else:
            out.append([v, v])
    return out


def corrections(page, directory):
    leads, p_dec, p_enc = load(directory / f"platform-{page}.txt")
    _, i_dec, i_enc = load(directory / f"iconv-{page}.txt")
    invalid = p_dec[f"{leads[0]:02X}"][0] if leads else "003F"
    double = bool(leads)
    to_unicode, from_unicode, refused = {}, {}, set()
    for key, want in p_dec.items():
        got = i_dec[key]
        # The conversion: a lead byte alone, or before NUL, is invalid (and
        # the NUL stays); otherwise one unit from iconv, or invalid.
        if len(key) == 2 and int(key, 16) in leads:
            model = [invalid]
        elif len(key) == 4 and key.endswith("00"):
            model = [invalid, "0000"]
        else:
            model = got if len(got) == 1 and got != ["-"] else [invalid]
        if model != want:
            assert len(want) == 1, (page, key, want)
            to_unicode[int(key, 16)] = int(want[0], 16)
    for unit, want in p_enc.items():
        got = i_enc[unit]
        fits = got != "-" and len(got) // 2 <= (2 if double else 1)
        model = got if fits else "3F"
        if model == want:
            continue
        if want == "3F" and unit != 0x3F:
            refused.add(unit)
        else:
            from_unicode[unit] = int(want, 16)
    rows = []
    for b, u in to_unicode.items():
        way = "Both" if from_unicode.get(u) == b else "ToUnicode"
        rows.append((b, u, way))
    for u, b in from_unicode.items():
        if to_unicode.get(b) != u:
            rows.append((b, u, "FromUnicode"))
    rows += [(0, u, "Refused") for u in refused]
    # Runs: consecutive bytes against consecutive units, the same way.
    rows.sort(key=lambda r: (WAYS.index(r[2]), r[1] if r[2] == "Refused" else r[0]))
    runs = []
    for b, u, way in rows:
        last = runs[-1] if runs else None
        step = 0 if way == "Refused" else 1
        if (last and last[3] == way and last[1] + last[2] == u
                and last[0] + step * last[2] == b):
            last[2] += 1
        else:
            runs.append([b, u, 1, way])
    return leads, invalid, runs, (len(to_unicode), len(from_unicode), len(refused))


def differences(directory, page):
    leads, p_dec, p_enc = load(directory / f"platform-{page}.txt")
    _, i_dec, i_enc = load(directory / f"iconv-{page}.txt")
    invalid = p_dec[f"{leads[0]:02X}"][0] if leads else "003F"
    found = {}

    def note(kind, example):
        found.setdefault(kind, []).append(example)

    for key, want in p_dec.items():
        got = i_dec[key]
        if got == want or (got == ["-"] and want[0] == invalid):
            continue  # the same, or both call it invalid
        if got == ["-"]:
            note("to Unicode: iconv refuses, the platform maps", f"{key}>{want[0]}")
        elif want == [invalid]:
            note("to Unicode: iconv maps, the platform calls it invalid", f"{key}>{got[0]}")
        else:
            note("to Unicode: both map, differently", f"{key}>{want[0]} (iconv {'/'.join(got)})")
    for unit, want in p_enc.items():
        got = i_enc[unit]
        if got == want or (got == "-" and want == "3F"):
            continue
        if got == "-":
            note("from Unicode: iconv refuses, the platform maps", f"{unit:04X}>{want}")
        elif want == "3F":
            kind = "more than one byte" if len(got) > 2 and not leads else "one character"
            note(f"from Unicode: iconv gives {kind}, the platform \"?\"", f"{unit:04X}>{got}")
        else:
            note("from Unicode: both map, differently", f"{unit:04X}>{want} (iconv {got})")
    if not found:
        print(f"  {page}: iconv and the platform agree everywhere")
    for kind, examples in found.items():
        print(f"  {page}, {kind}: {len(examples)}, e.g. {' '.join(examples[:6])}")


def main():
    if sys.argv[1] == "differences":
        differences(Path(sys.argv[2]), int(sys.argv[3]))
        return
    directory = Path(sys.argv[2])
    pages, runs = [], []
    for page, name in ICONV_NAMES.items():
        leads, invalid, page_runs, counts = corrections(page, directory)
        pages.append((page, name, invalid, ranges(leads)))
        runs += [(page, *r) for r in page_runs]
        print(f"{page}: {counts[0]} to Unicode, {counts[1]} from Unicode, {counts[2]} refused;"
              f" {len(page_runs)} runs", file=sys.stderr)
    print(HEADER)
    for page, name, invalid, lead_ranges in pages:
        leads = ", ".join(f"{{0x{a:02X}, 0x{b:02X}}}" for a, b in lead_ranges) or ""
        print(f'    {{{page}, "{name}", 0x{invalid}, {{{leads}}}}},')
    print(MIDDLE)
    for page, b, u, count, way in runs:
        print(f"    {{{page}, 0x{b:04X}, 0x{u:04X}, {count}, Way::{way}}},")
    print(FOOTER)


HEADER = """\
#pragma once

// Generated by tests/codepage/make_corrections.py from measurements under
// Wine 8.0; checked by tests/codepage/compare_tables.sh.

#include <cstdint>
#include <string_view>

namespace tallowby::platform::codepages {

// The ANSI code pages glibc's iconv converts as the platform does, but for
// the corrections below. The platform converts as follows, and iconv plus
// the corrections gives the same for every byte, every lead byte before
// every trail byte, and every UTF-16 unit:
// - To Unicode, one character at a time: a byte, or a lead byte and the
//   byte after it, whatever that is, except NUL. A lead byte at the end or
//   before NUL, and a sequence the page lacks, become `invalid`; the NUL
//   stays. (So a lead byte swallows a CR, LF or "=" after it.)
// - From Unicode, one UTF-16 unit at a time (a surrogate pair gives two
//   "?"): a unit the page lacks becomes "?", never a look-alike. On the
//   single-byte pages iconv's answers of more than one byte count as
//   lacking: glibc decomposes there, and composes on the way back, so it
//   must be given one byte at a time.
struct CodePage {
    unsigned page;
    std::string_view iconvName;
    char16_t invalid;
    // Lead byte ranges, inclusive; none on a single-byte page.
    struct { std::uint8_t first, last; } leads[2];
};

inline constexpr CodePage kCodePages[] = {"""

MIDDLE = """\
};

// Both: the bytes and the unit map to each other; ToUnicode, FromUnicode:
// one way only; Refused: the units become "?" (iconv would map them).
enum class Way : std::uint8_t { Both, ToUnicode, FromUnicode, Refused };

// `count` consecutive byte sequences from `bytes` (one byte, or a lead byte
// times 256 plus a trail byte) against as many units from `unit`.
struct Correction {
    unsigned page;
    std::uint16_t bytes;
    char16_t unit;
    std::uint16_t count;
    Way way;
};

inline constexpr Correction kCorrections[] = {"""

FOOTER = """\
};

} // namespace tallowby::platform::codepages"""

if __name__ == "__main__":
    main()
