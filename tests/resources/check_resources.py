#!/usr/bin/python3
"""Checks Tallowby.exe from outside: its version, icons, manifest, type library and imports.

Prints one line per failed check and then "resources: N passed, M failed";
exits 1 if any check failed.

usage: check_resources.py PATH/TO/Tallowby.exe [x86|amd64]
"""
import re
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import pefile

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
LANG_EN_US = 1033
# Per processor: the PE machine, the manifest's processorArchitecture and
# the type library's SYSKIND (SYS_WIN32, SYS_WIN64).
PROCESSORS = {"x86": (0x14C, 1), "amd64": (0x8664, 3)}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
VFT_APP = 1

VERSION = (1, 0, 0, 0)
STRINGS = {
    "FileVersion": "1.00",
    "ProductVersion": "1.00",
    "ProductName": "Tallowby",
    "InternalName": "Tallowby",
    "OriginalFilename": "Tallowby.exe",
    "CompanyName": "Tallowby",
    "FileDescription": "Tallowby",
}
STRING_TABLE = "040904B0"
TRANSLATION = (0x0409, 0x04B0)
# Icon group 1, in order: resource ID -> (width, height, bits per pixel).
ICONS = {30001: (32, 32, 1), 30002: (32, 32, 4), 30003: (16, 16, 4)}

SYSTEM_DLLS = {
    "kernel32", "user32", "gdi32", "comctl32", "advapi32", "shell32", "ole32", "oleaut32", "oleacc",
    "msvcrt", "uxtheme", "comdlg32", "shlwapi", "ntdll", "ucrtbase",
}
SYSTEM_DLL_PATTERN = re.compile(r"(api|ext)-ms-win-[a-z0-9-]+")


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, message):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print(f"FAIL: {message}")
        return ok


def resources_of(pe):
    """{(type, id): {language: data}} for every resource of numeric type and ID."""
    found = {}
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in root.entries if root else ():
        for name in kind.directory.entries:
            for lang in name.directory.entries:
                rva, size = lang.data.struct.OffsetToData, lang.data.struct.Size
                key = (kind.id if kind.id is not None else str(kind.name),
                       name.id if name.id is not None else str(name.name))
                found.setdefault(key, {})[lang.id] = pe.get_data(rva, size)
    return found


def only_data(checks, resources, kind, rid, what):
    languages = resources.get((kind, rid), {})
    if not checks.check(len(languages) == 1, f"{what}: expected one resource {kind}/{rid}, "
                        f"found {len(languages)}"):
        return None
    return next(iter(languages.values()))


def check_header(checks, pe, arch):
    machine, expected = pe.FILE_HEADER.Machine, PROCESSORS[arch][0]
    checks.check(machine == expected, f"machine type is 0x{machine:04X}, expected {arch} (0x{expected:04X})")
    subsystem = pe.OPTIONAL_HEADER.Subsystem
    checks.check(subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI,
                 f"subsystem is {subsystem}, expected GUI (2)")


def imported_dlls(pe):
    pe.parse_data_directories(directories=[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"]])
    entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) + getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])
    return [entry.dll.decode("ascii", "replace") for entry in entries]


def check_imports(checks, pe):
    dlls = imported_dlls(pe)
    checks.check(any(d.lower() == "kernel32.dll" for d in dlls),
                 f"imports do not include KERNEL32.dll: {dlls}")
    for dll in dlls:
        stem = dll.lower().removesuffix(".dll")
        checks.check(stem in SYSTEM_DLLS or SYSTEM_DLL_PATTERN.fullmatch(stem),
                     f"imports {dll}, which is not a system DLL")


def check_languages(checks, resources):
    for (kind, rid), languages in sorted(resources.items(), key=str):
        for language in languages:
            checks.check(language == LANG_EN_US,
                         f"resource {kind}/{rid} has language {language}, expected {LANG_EN_US}")


def check_icons(checks, resources):
    groups = [rid for kind, rid in resources if kind == RT_GROUP_ICON]
    # The shell shows the first group, and named resources sort before numbered ones.
    first = sorted(groups, key=lambda rid: (isinstance(rid, int), rid))[:1]
    checks.check(first == [1], f"the program's first icon group is {first}, expected [1]")
    group = only_data(checks, resources, RT_GROUP_ICON, 1, "icon group")
    if group is None:
        return
    if not checks.check(len(group) >= 6, f"icon group 1 is {len(group)} bytes, too short"):
        return
    reserved, kind, count = struct.unpack_from("<HHH", group)
    checks.check((reserved, kind) == (0, 1), f"icon group 1 header is {reserved}, {kind}, expected 0, 1")
    if not checks.check(len(group) == 6 + 14 * count,
                        f"icon group 1 is {len(group)} bytes for {count} entries"):
        return
    entries = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
    ids = [e[7] for e in entries]
    checks.check(ids == list(ICONS), f"icon group 1 lists images {ids}, expected {list(ICONS)}")
    for width, height, colours, _, planes, bits, size, rid in entries:
        if rid not in ICONS:
            continue
        ew, eh, ebits = ICONS[rid]
        listed = (width, height, colours, planes, bits)
        checks.check(listed == (ew, eh, 1 << ebits, 1, ebits),
                     f"icon group entry {rid} is {listed} (width, height, colours, planes, bits), "
                     f"expected {(ew, eh, 1 << ebits, 1, ebits)}")
        image = only_data(checks, resources, RT_ICON, rid, f"icon image {rid}")
        if image is None:
            continue
        checks.check(size == len(image), f"icon group entry {rid} gives {size} bytes, the image has {len(image)}")
        check_icon_image(checks, rid, image, ew, eh, ebits)


def check_icon_image(checks, rid, image, width, height, bits):
    if not checks.check(len(image) >= 40, f"icon image {rid} is {len(image)} bytes, too short"):
        return
    header = struct.unpack_from("<IiiHHI", image)
    expected = (40, width, height * 2, 1, bits, 0)
    if not checks.check(header == expected,
                        f"icon image {rid} BITMAPINFOHEADER is {header} (size, width, height, planes, "
                        f"bits, compression), expected {expected}"):
        return
    def stride(row_bits):
        return (row_bits + 31) // 32 * 4

    palette = 4 << bits
    mask_at = 40 + palette + stride(width * bits) * height
    expected_size = mask_at + stride(width) * height
    if not checks.check(len(image) == expected_size,
                        f"icon image {rid} is {len(image)} bytes, expected {expected_size}"):
        return
    # A mask with no clear bit shows nothing; one with no set bit is a square.
    mask = [(image[mask_at + y * stride(width) + x // 8] >> (7 - x % 8)) & 1
            for y in range(height) for x in range(width)]
    checks.check(0 in mask and 1 in mask, f"icon image {rid} is wholly transparent or wholly opaque")


def as_text(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)


def check_version(checks, pe, resources):
    only_data(checks, resources, RT_VERSION, 1, "version")
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not checks.check(bool(fixed), "no VS_FIXEDFILEINFO"):
        return
    fixed = fixed[0]

    def as_tuple(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    file_version = as_tuple(fixed.FileVersionMS, fixed.FileVersionLS)
    product_version = as_tuple(fixed.ProductVersionMS, fixed.ProductVersionLS)
    checks.check(file_version == VERSION, f"FILEVERSION is {file_version}, expected {VERSION}")
    checks.check(product_version == VERSION, f"PRODUCTVERSION is {product_version}, expected {VERSION}")
    checks.check(fixed.FileType == VFT_APP, f"FILETYPE is {fixed.FileType}, expected VFT_APP (1)")

    tables, translations = [], []
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            key = as_text(getattr(block, "Key", b""))
            if key == "StringFileInfo":
                tables += block.StringTable
            elif key == "VarFileInfo":
                for var in block.Var:
                    value = var.entry.get(b"Translation") or var.entry.get("Translation")
                    if value is not None:
                        translations.append(tuple(int(word, 16) for word in as_text(value).split()))
    names = [as_text(t.LangID) for t in tables]
    checks.check(names == [STRING_TABLE], f"string tables are {names}, expected ['{STRING_TABLE}']")
    strings = {as_text(k): as_text(v) for table in tables[:1] for k, v in table.entries.items()}
    for name, value in STRINGS.items():
        checks.check(strings.get(name) == value,
                     f"version string {name} is {strings.get(name)!r}, expected {value!r}")
    checks.check(translations == [TRANSLATION],
                 f"Translation is {[tuple(map(hex, t)) for t in translations]}, expected 0x0409, 0x04B0")


def local(tag):
    return tag.rsplit("}", 1)[-1]


def check_manifest(checks, resources, arch):
    manifests = [rid for kind, rid in resources if kind == RT_MANIFEST]
    checks.check(manifests == [1], f"manifests are {manifests}, expected [1]")
    data = only_data(checks, resources, RT_MANIFEST, 1, "manifest")
    if data is None:
        return
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as error:
        checks.check(False, f"manifest is not well-formed XML: {error}")
        return
    elements = list(root.iter())
    controls = [e for e in elements if local(e.tag) == "assemblyIdentity"
                and e.get("name") == "Microsoft.Windows.Common-Controls"]
    ok = len(controls) == 1 and controls[0].get("version") == "6.0.0.0" \
        and controls[0].get("processorArchitecture") in (arch, "*") \
        and controls[0].get("publicKeyToken", "").lower() == "6595b64144ccf1df"
    checks.check(ok, f"manifest does not depend on Microsoft.Windows.Common-Controls 6.0.0.0 for {arch}")
    dpi = [(e.text or "").strip() for e in elements if local(e.tag) == "dpiAware"]
    checks.check(dpi == ["true"], f"manifest dpiAware is {dpi}, expected ['true']")
    elevation = [local(e.tag) for e in elements if local(e.tag) in ("trustInfo", "requestedExecutionLevel")]
    checks.check(not elevation, f"manifest has {elevation}, which turns off file virtualization")
    own = [e for e in root if local(e.tag) == "assemblyIdentity"]
    versions = [e.get("version") for e in own]
    checks.check(versions in ([], [".".join(map(str, VERSION))]),
                 f"manifest's own assembly version is {versions}, expected {'.'.join(map(str, VERSION))}")
    # Windows refuses to start a program whose manifest names another processor.
    processors = [e.get("processorArchitecture") for e in own]
    checks.check(processors in ([], [arch]), f"manifest's own processorArchitecture is {processors}, expected {arch}")


def check_type_library(checks, resources, arch):
    """The automation interface's type library, as LoadTypeLibEx finds it: TYPELIB 1."""
    data = only_data(checks, resources, "TYPELIB", 1, "type library")
    if data is not None:
        checks.check(data[:4] == b"MSFT", f"TYPELIB 1 is not a type library: starts {data[:4]!r}")
        # The low bits of the header's flags hold the library's SYSKIND.
        syskind = struct.unpack_from("<I", data, 0x14)[0] & 0xF if len(data) >= 0x18 else None
        checks.check(syskind == PROCESSORS[arch][1],
                     f"TYPELIB 1 is built for SYSKIND {syskind}, expected {PROCESSORS[arch][1]} for {arch}")
        # The library's GUID, stored little-endian in its first fields.
        libid = bytes.fromhex("9248E56B9009E443821D1E54F4186ED4")
        checks.check(libid in data, "TYPELIB 1 is not TallowbyLib {6BE54892-0990-43E4-821D-1E54F4186ED4}")


def check_with_wrestool(checks, exe):
    """A second reader of the resource directory, independent of pefile."""
    tool = shutil.which("wrestool")
    if not checks.check(tool is not None, "wrestool (icoutils) is not installed"):
        return
    listing = subprocess.run([tool, "-l", exe], capture_output=True, text=True).stdout
    found = set(re.findall(r"--type=(\d+) --name=(\d+) --language=(\d+)", listing))
    expected = {(str(RT_GROUP_ICON), "1", str(LANG_EN_US))}
    expected |= {(str(RT_ICON), str(rid), str(LANG_EN_US)) for rid in ICONS}
    missing = sorted(expected - found)
    checks.check(not missing, f"wrestool does not list {missing} (type, name, language)")


def main(argv):
    if len(argv) not in (2, 3) or argv[2:] and argv[2] not in PROCESSORS:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    exe, arch = argv[1], (argv[2:] or ["x86"])[0]
    checks = Checks()
    try:
        pe = pefile.PE(exe, fast_load=False)
    except (OSError, pefile.PEFormatError) as error:
        checks.check(False, f"{exe} is not a readable PE file: {error}")
    else:
        resources = resources_of(pe)
        check_header(checks, pe, arch)
        check_imports(checks, pe)
        check_languages(checks, resources)
        check_icons(checks, resources)
        check_version(checks, pe, resources)
        check_manifest(checks, resources, arch)
        check_type_library(checks, resources, arch)
        check_with_wrestool(checks, exe)
    print(f"resources: {checks.passed} passed, {checks.failed} failed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
