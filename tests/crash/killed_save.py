#!/usr/bin/env python3
"""A save of one key of a settings file of 100,000 keys, killed: at the
moment a file the save writes is cut (the settings file, or the copy beside
it, found shrinking by polling their sizes), and at random moments of the
save; 20 rounds each. Every time the file must be the old one or the new
one, byte for byte, and the next save must leave nothing beside it.

usage: killed_save.py linux|windows TOOL WORK_DIR
"""
import os
import random
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from builds import BESIDE, SETTINGS, SKIP, Build, settings_text, verdict  # noqa: E402

ROUNDS = 20
KEY, VALUE = "Key50000", "NEW"


def size(path):
    try:
        return os.stat(path).st_size
    except FileNotFoundError:
        return None


def kill_when_cut(build, watched, limit):
    """Starts a save and kills it as soon as one of the `watched` files
    is smaller than it was; returns whether it was caught so."""
    largest = {path: size(path) or 0 for path in watched}
    writer = build.start("set", KEY, VALUE)
    deadline = time.monotonic() + limit
    caught = False
    while writer.poll() is None and time.monotonic() < deadline:
        for path in watched:
            now = size(path)
            if now is not None and now < largest[path]:
                writer.send_signal(signal.SIGKILL)
                caught = True
                break
            largest[path] = max(largest[path], now or 0)
        if caught:
            break
    writer.wait()
    return caught


def kill_after(build, delay):
    writer = build.start("set", KEY, VALUE)
    time.sleep(delay)
    writer.send_signal(signal.SIGKILL)
    writer.wait()


def main():
    kind, tool, work = sys.argv[1:4]
    build = Build(kind, tool, work)
    reason = build.skip_reason()
    if reason:
        print(f"killed save {kind}: {reason}")
        return SKIP
    build.prepare()
    old, new = settings_text(100_000), settings_text(100_000, (50_000, VALUE))
    path = build.drive / SETTINGS
    watched = [path] + [build.drive / name for name in BESIDE]
    failures = 0
    try:
        build.fill(old)
        build.ensure_server()
        started = time.monotonic()
        for _ in range(3):
            path.write_bytes(old)
            build.run("set", KEY, VALUE)
        duration = (time.monotonic() - started) / 3
        outcomes = {"at the cut": [], "at random moments": []}
        for round in range(2 * ROUNDS):
            path.write_bytes(old)
            if round < ROUNDS:
                caught = kill_when_cut(build, watched, 20 * duration + 10)
                label = "at the cut"
            else:
                kill_after(build, random.uniform(0, duration))
                caught, label = True, "at random moments"
            build.ensure_server()  # a killed Windows process leaves the server to finish its requests
            time.sleep(0.05)
            outcomes[label].append((caught, verdict(path, old, new)))
        for label, results in outcomes.items():
            kept = sum(result in ("old", "new") for _, result in results)
            detail = ", ".join(f"{result}" for _, result in results)
            missed = sum(not caught for caught, _ in results)
            failures += kept != len(results)
            print(f"{'ok  ' if kept == len(results) else 'FAIL'} killed {label}: {kept} of {len(results)} left "
                  f"the old or the new file ({detail})" + (f"; {missed} saves ended before a cut" if missed else ""))
        path.write_bytes(old)
        status = build.run("set", KEY, VALUE)
        left = [name for name in BESIDE if (build.drive / name).exists()]
        if status != 0 or verdict(path, old, new) != "new" or left:
            failures += 1
            print(f"FAIL the next save: exit {status}, the file {verdict(path, old, new)}, left beside it: {left}")
        else:
            print("ok   the next save succeeds and leaves nothing beside the file")
    finally:
        build.stop_server()
    print(f"killed saves {kind}: {'passed' if failures == 0 else 'FAILED'} (a save takes {duration * 1000:.0f} ms)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
