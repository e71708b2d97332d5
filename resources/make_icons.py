#!/usr/bin/env python3
"""Builds Tallowby's icons from the pixel art in icons/.

Writes to OUT_DIR: one RT_ICON image per art file (iconNNNNN.bin), the
RT_GROUP_ICON directory that names them (icon-group1.bin), the same images
as tallowby.ico, and tallowby-SIZE.png for the Linux icon theme.

usage: make_icons.py ART_DIR OUT_DIR
"""
import pathlib
import struct
import sys
import zlib

# Resource ID of each image, in the order the group lists them.
IMAGES = (
    (30001, "page-check-32-mono.txt"),
    (30002, "page-check-32.txt"),
    (30003, "page-check-16.txt"),
)
GROUP_ID = 1
# PNG size -> (art file, whole-number scale of it).
PNGS = {
    16: ("page-check-16.txt", 1),
    32: ("page-check-32.txt", 1),
    64: ("page-check-32.txt", 2),
    128: ("page-check-32.txt", 4),
}

# Icons of 16 colours use the fixed display palette, so that they look the
# same on a 16-colour screen as in an editor.
PALETTES = {
    1: ("000000", "FFFFFF"),
    4: ("000000", "800000", "008000", "808000", "000080", "800080", "008080", "C0C0C0",
        "808080", "FF0000", "00FF00", "FFFF00", "0000FF", "FF00FF", "00FFFF", "FFFFFF"),
}


class ArtError(Exception):
    pass


class Art:
    """Pixel art: rows of colour strings "RRGGBB", or None where transparent."""

    def __init__(self, name, width, height, bits, rows):
        self.name, self.width, self.height, self.bits, self.rows = name, width, height, bits, rows


def parse_art(path):
    fields, legend, rows = {}, {}, []
    in_pixels = False
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        where = f"{path.name}:{number}"
        if in_pixels:
            if line:
                rows.append((where, line))
            continue
        if not line.strip() or line.startswith("#"):
            continue
        if line.strip() == "pixels:":
            in_pixels = True
        elif " = " in line:
            char, colour = line.split(" = ", 1)
            if len(char) != 1:
                raise ArtError(f"{where}: a legend entry is one character")
            legend[char] = None if colour.strip() == "transparent" else colour.strip().upper()
        elif ":" in line:
            key, value = line.split(":", 1)
            fields[key.strip()] = value.strip()
        else:
            raise ArtError(f"{where}: not a field, a legend entry or 'pixels:'")

    try:
        width, height = (int(v) for v in fields["size"].split("x"))
        bits = int(fields["bits"])
    except (KeyError, ValueError):
        raise ArtError(f"{path.name}: needs 'size: WxH' and 'bits: N'") from None
    if bits not in PALETTES:
        raise ArtError(f"{path.name}: bits must be one of {sorted(PALETTES)}")
    for char, colour in legend.items():
        if colour is not None and colour not in PALETTES[bits]:
            raise ArtError(f"{path.name}: colour {colour} of '{char}' is not in the "
                           f"{bits}-bit palette: {' '.join(PALETTES[bits])}")
    if len(rows) != height:
        raise ArtError(f"{path.name}: {len(rows)} rows of pixels, size says {height}")
    pixels = []
    for where, row in rows:
        if len(row) != width:
            raise ArtError(f"{where}: {len(row)} pixels, size says {width}")
        unknown = set(row) - set(legend)
        if unknown:
            raise ArtError(f"{where}: characters not in the legend: {''.join(sorted(unknown))}")
        pixels.append([legend[c] for c in row])
    return Art(path.name, width, height, bits, pixels)


def pack_rows(rows, bits):
    """Bottom-up rows of palette indices, each padded to 4 bytes, as a DIB stores them."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        acc, filled = 0, 0
        for index in row:
            acc = (acc << bits) | index
            filled += bits
            if filled == 8:
                line.append(acc)
                acc, filled = 0, 0
        if filled:
            line.append(acc << (8 - filled))
        line.extend(b"\0" * (-len(line) % 4))
        out += line
    return bytes(out)


def icon_image(art):
    """The image as an .ico file or an RT_ICON resource holds it."""
    palette = PALETTES[art.bits]
    # Transparent pixels are black under a set mask bit, so the screen shows through.
    colours = [[palette.index(c) if c else 0 for c in row] for row in art.rows]
    mask = [[1 if c is None else 0 for c in row] for row in art.rows]
    xor_bits = pack_rows(colours, art.bits)
    and_bits = pack_rows(mask, 1)
    # The height counts both the colour and the mask bitmaps.
    header = struct.pack("<IiiHHIIiiII", 40, art.width, art.height * 2, 1, art.bits, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 0, 0)
    rgbquads = b"".join(bytes((int(c[4:6], 16), int(c[2:4], 16), int(c[0:2], 16), 0))
                        for c in palette)
    return header + rgbquads + xor_bits + and_bits


def entry_fields(art, image):
    # A width or height of 256 is stored as 0; so is a colour count of 256 or more.
    colour_count = 1 << art.bits if art.bits < 8 else 0
    return (art.width % 256, art.height % 256, colour_count, 0, 1, art.bits, len(image))


def group_directory(entries):
    """GRPICONDIR: the ICONDIR of an .ico file with resource IDs in place of offsets."""
    out = struct.pack("<HHH", 0, 1, len(entries))
    for resource_id, art, image in entries:
        out += struct.pack("<BBBBHHIH", *entry_fields(art, image), resource_id)
    return out


def ico_file(entries):
    offset = 6 + 16 * len(entries)
    out = struct.pack("<HHH", 0, 1, len(entries))
    for _, art, image in entries:
        out += struct.pack("<BBBBHHII", *entry_fields(art, image), offset)
        offset += len(image)
    return out + b"".join(image for _, _, image in entries)


def png_file(art, scale):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = bytearray()
    for row in art.rows:
        line = bytearray()
        for colour in row:
            rgba = bytes.fromhex(colour) + b"\xff" if colour else b"\0\0\0\0"
            line += rgba * scale
        raw += (b"\0" + line) * scale  # filter type 0 on every row
    size = struct.pack(">IIBBBBB", art.width * scale, art.height * scale, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", size)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    art_dir, out_dir = pathlib.Path(argv[1]), pathlib.Path(argv[2])
    try:
        arts = {name: parse_art(art_dir / name)
                for name in {n for _, n in IMAGES} | {n for n, _ in PNGS.values()}}
    except (ArtError, OSError) as error:
        print(f"make_icons: {error}", file=sys.stderr)
        return 1

    out_dir.mkdir(parents=True, exist_ok=True)
    entries = [(rid, arts[name], icon_image(arts[name])) for rid, name in IMAGES]
    for resource_id, _, image in entries:
        (out_dir / f"icon{resource_id}.bin").write_bytes(image)
    (out_dir / f"icon-group{GROUP_ID}.bin").write_bytes(group_directory(entries))
    (out_dir / "tallowby.ico").write_bytes(ico_file(entries))
    for size, (name, scale) in PNGS.items():
        art = arts[name]
        if art.width * scale != size or art.height * scale != size:
            print(f"make_icons: {name} at {scale}x is not {size}x{size}", file=sys.stderr)
            return 1
        (out_dir / f"tallowby-{size}.png").write_bytes(png_file(art, scale))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
