#!/usr/bin/python3
"""Shows that check_resources.py catches faults: it must pass the program as
built, and fail, naming the fault, on copies of it each broken in one way.

usage: check_resources_faults.py CHECK_SCRIPT Tallowby.exe WORK_DIR
"""
import pathlib
import re
import subprocess
import sys

import pefile


def resource_entry(pe, kind, rid):
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if type_entry.id == kind:
            for name_entry in type_entry.directory.entries:
                if name_entry.id == rid:
                    return name_entry.directory.entries[0]
    raise LookupError(f"no resource {kind}/{rid}")


def resource_offset(pe, kind, rid):
    entry = resource_entry(pe, kind, rid)
    return pe.get_offset_from_rva(entry.data.struct.OffsetToData), entry.data.struct.Size


def replace_in_resource(old, new, kind, rid):
    """A same-length byte patch inside one resource's data."""
    assert len(old) == len(new), (old, new)

    def patch(pe):
        data = bytearray(pe.__data__)
        start, size = resource_offset(pe, kind, rid)
        at = data.find(old, start, start + size)
        if at < 0:
            raise LookupError(f"{old!r} not in resource {kind}/{rid}")
        data[at:at + len(old)] = new
        return data
    return patch


def set_header(field, value):
    def patch(pe):
        holder = pe.FILE_HEADER if hasattr(pe.FILE_HEADER, field) else pe.OPTIONAL_HEADER
        setattr(holder, field, value)
        return pe.write()
    return patch


def rename_import(old, new):
    def patch(pe):
        data = bytearray(pe.__data__)
        for entry in pe.DIRECTORY_ENTRY_IMPORT:
            if entry.dll.lower() == old.lower():
                at = pe.get_offset_from_rva(entry.struct.Name)
                data[at:at + len(new)] = new
                return data
        raise LookupError(f"no import of {old!r}")
    return patch


def set_language(kind, rid, language):
    def patch(pe):
        resource_entry(pe, kind, rid).struct.Name = language
        return pe.write()
    return patch


def patch_group_entry(index, offset_in_entry, size, value):
    def patch(pe):
        data = bytearray(pe.__data__)
        start, _ = resource_offset(pe, 14, 1)
        at = start + 6 + 14 * index + offset_in_entry
        data[at:at + size] = value.to_bytes(size, "little")
        return data
    return patch


def set_syskind(syskind):
    """Marks the embedded type library as built for another SYSKIND."""
    def patch(pe):
        data = bytearray(pe.__data__)
        at = data.find(b"MSFT\x02\x00\x01\x00")
        if at < 0:
            raise LookupError("no type library header")
        data[at + 0x14] = (data[at + 0x14] & 0xF0) | syskind
        return data
    return patch


def utf16(text):
    return text.encode("utf-16-le")


MANIFEST_NOTE = re.compile(rb"<description>.*?-->", re.S)


def elevate(pe):
    """Turns the manifest's description and note into a requestedExecutionLevel."""
    data = bytearray(pe.__data__)
    start, size = resource_offset(pe, 24, 1)
    found = MANIFEST_NOTE.search(bytes(data[start:start + size]))
    element = b'<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'
    assert found and len(found.group()) >= len(element)
    data[start + found.start():start + found.end()] = element.ljust(len(found.group()))
    return data


# Name -> (how to break the program, text its failure line must hold).
FAULTS = {
    "x64 machine": (set_header("Machine", 0x8664), "machine type is 0x8664"),
    "console subsystem": (set_header("Subsystem", 3), "subsystem is 3"),
    "C++ runtime DLL": (rename_import(b"KERNEL32.dll", b"libgcc_s.dll"), "imports libgcc_s.dll"),
    "German version": (set_language(16, 1, 1031), "resource 16/1 has language 1031"),
    "icon ID": (patch_group_entry(1, 12, 2, 30005), "lists images [30001, 30005, 30003]"),
    "icon depth": (patch_group_entry(2, 6, 2, 8), "icon group entry 30003 is (16, 16, 16, 1, 8)"),
    "icon image depth": (replace_in_resource(bytes.fromhex("28000000 10000000 20000000 0100 0400"),
                                             bytes.fromhex("28000000 10000000 20000000 0100 0800"), 3, 30003),
                         "icon image 30003 BITMAPINFOHEADER"),
    "file version string": (replace_in_resource(utf16("1.00"), utf16("1.01"), 16, 1),
                            "version string FileVersion is '1.01'"),
    "company": (replace_in_resource(utf16("CompanyName"), utf16("CompanyNamf"), 16, 1),
                "version string CompanyName is None"),
    "string table": (replace_in_resource(utf16("040904B0"), utf16("040704B0"), 16, 1),
                     "string tables are ['040704B0']"),
    "translation": (replace_in_resource(bytes.fromhex("0904b004"), bytes.fromhex("0704b004"), 16, 1),
                    "Translation is [('0x407', '0x4b0')]"),
    "fixed version": (replace_in_resource(bytes.fromhex("bd04effe 00000100 00000100"),
                                          bytes.fromhex("bd04effe 00000100 00000200"), 16, 1),
                      "FILEVERSION is (2, 0, 0, 0)"),
    "common controls 5": (replace_in_resource(b'version="6.0.0.0"', b'version="5.8.0.0"', 24, 1),
                          "does not depend on Microsoft.Windows.Common-Controls 6.0.0.0"),
    "not DPI aware": (replace_in_resource(b">true</dpiAware>", b">fals</dpiAware>", 24, 1),
                      "manifest dpiAware is ['fals']"),
    "elevation": (elevate, "manifest has ['requestedExecutionLevel']"),
    "manifest processor": (replace_in_resource(b'processorArchitecture="x86"', b'processorArchitecture="arm"', 24, 1),
                           "manifest's own processorArchitecture is ['arm']"),
    "win64 type library": (set_syskind(3), "TYPELIB 1 is built for SYSKIND 3"),
}


def run_check(script, exe):
    done = subprocess.run([sys.executable, script, str(exe)], capture_output=True, text=True)
    return done.returncode, done.stdout


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    script, exe, work = argv[1], pathlib.Path(argv[2]), pathlib.Path(argv[3])
    work.mkdir(parents=True, exist_ok=True)
    passed = failed = 0

    def outcome(ok, message):
        nonlocal passed, failed
        ok = bool(ok)
        passed, failed = passed + ok, failed + (not ok)
        if not ok:
            print(f"FAIL: {message}")

    code, out = run_check(script, exe)
    outcome(code == 0 and re.search(r"^resources: [1-9]\d* passed, 0 failed$", out, re.M),
            f"the program as built does not pass (exit {code}):\n{out}")

    for name, (patch, expected) in FAULTS.items():
        try:
            data = patch(pefile.PE(str(exe)))
        except (LookupError, AssertionError) as error:
            outcome(False, f"{name}: cannot break the program this way: {error!r}")
            continue
        broken = work / f"{name.replace(' ', '-')}.exe"
        broken.write_bytes(data)
        code, out = run_check(script, broken)
        summary = re.search(r"^resources: \d+ passed, ([1-9]\d*) failed$", out, re.M)
        outcome(code == 1 and summary and expected in out,
                f"{name}: the check did not report '{expected}' (exit {code}):\n{out}")

    print(f"resources_faults: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
