#!/usr/bin/python3
"""Prints the test command's summary from ctest's JUnit files: each run's
counts, then every skipped test with the line that says why.

usage: test_summary.py NAME=JUNIT.xml... [NAME=passed|failed...]
A NAME=passed or NAME=failed stands for a check outside ctest.
"""
import sys
import xml.etree.ElementTree as ElementTree


def reason(case):
    text = (case.findtext("system-out") or "").strip()
    lines = [line.strip() for line in text.splitlines() if line.strip()]
    said = [line for line in lines if "skipped" in line.lower()]
    if said or lines:
        return (said or lines)[-1]
    skipped = case.find("skipped")
    return skipped.get("message", "") if skipped is not None else ""


def main(argv):
    skipped = []
    for arg in argv[1:]:
        name, _, source = arg.partition("=")
        if source in ("passed", "failed"):
            print(f"  {name:<16} {source}")
            continue
        try:
            cases = ElementTree.parse(source).getroot().iter("testcase")
        except (OSError, ElementTree.ParseError):
            print(f"  {name:<16} did not run")
            continue
        counts = {"run": 0, "fail": 0, "notrun": 0}
        for case in cases:
            status = case.get("status", "run")
            counts[status] = counts.get(status, 0) + 1
            if status == "notrun":
                skipped.append(f"{name}/{case.get('name')}: {reason(case)}")
        print(f"  {name:<16} {counts['run']} passed, {counts['fail']} failed, {counts['notrun']} skipped")
    if skipped:
        print("skipped:")
        for line in skipped:
            print(f"  {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
