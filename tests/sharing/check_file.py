#!/usr/bin/env python3
"""Checks the settings file after writers ran at once: it reads whole (one
[ExcelData] header, every other line KEY=VALUE), holds every key given as
required, and every key whose save reported success. Prints the share kept
of each group of keys.

usage: check_file.py FILE LABEL REQUIRED_PREFIX REQUIRED_COUNT [GROUP STATUS_FILE]...
A status file holds one "KEY VALUE EXIT_CODE" line per save.
"""
import re
import sys


def main():
    path, label, required_prefix, required_count = sys.argv[1:5]
    groups = list(zip(sys.argv[5::2], sys.argv[6::2]))
    problems = []
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\r\n")
    if lines[-1] != b"":
        problems.append("the file does not end in CR LF")
    lines = lines[:-1]
    values = {}
    if not lines or lines[0] != b"[ExcelData]":
        problems.append("the file does not start with [ExcelData]")
    for number, line in enumerate(lines[1:], start=2):
        match = re.fullmatch(rb"([A-Za-z0-9]+)=([A-Za-z0-9 ]*)", line)
        if not match:
            problems.append(f"line {number} is not well formed: {line[:60]!r}")
        elif match.group(1) in values:
            problems.append(f"key {match.group(1).decode()} appears twice")
        else:
            values[match.group(1)] = match.group(2)

    for n in range(1, int(required_count) + 1):
        key = f"{required_prefix}{n}".encode()
        if values.get(key) != f"p{n}".encode():
            problems.append(f"earlier key {key.decode()} lost")

    shares = []
    for group, status_file in groups:
        kept = tried = 0
        failed = []
        with open(status_file) as f:
            for entry in f:
                key, value, code = entry.split()
                tried += 1
                if values.get(key.encode()) == value.encode():
                    kept += 1
                elif code == "0":
                    problems.append(f"{group} key {key} lost although its save succeeded")
                else:
                    failed.append(f"{key} (exit {code})")
        shares.append(f"{group} {kept}/{tried} kept ({100.0 * kept / max(tried, 1):.0f}%)")
        if failed:
            shares.append(f"{group} saves that failed: {', '.join(failed)}")
    print(f"{label}: " + "; ".join(shares))
    for problem in problems:
        print(f"  FAIL {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
