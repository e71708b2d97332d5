#!/usr/bin/env python3
"""Power cuts during a save. One build's tool saves one key of a settings
file of 2,000 keys on a small ext4 file system on a loop device, mounted
data=ordered,noauto_da_alloc so that ext4 hides no missing flush. The save's
open, write, flush, truncate, rename, close and unlink calls on the file, on
a file beside it and on its folder are recorded once with strace; then, for
each of them, the writer is killed on entry to that call (strace's fault
injection), a journal commit is forced by flushing another file, and the
power is cut (EXT4_IOC_SHUTDOWN without flushing the log). Mounted again,
the file must be the old one or the new one, byte for byte. A save that
returned success must survive a cut made at once.

Under Wine the platform's file calls are split between the program and
wineserver, so both are traced: strace around wine, and strace attached to
the warmed-up server.

usage: powercut.py linux|windows TOOL WORK_DIR
Needs root and a loop device; exits 77 (skipped) with the reason without.
"""
import contextlib
import fcntl
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from builds import SETTINGS, SKIP, Build, settings_text, verdict  # noqa: E402

EXT4_IOC_SHUTDOWN = 0x8004587D
EXT4_GOING_FLAGS_NOLOGFLUSH = 2
KINDS = {
    "open": ("open", "openat", "creat"),
    "write": ("write", "pwrite64", "writev", "pwritev"),
    "flush": ("fsync", "fdatasync", "sync_file_range"),
    "truncate": ("truncate", "truncate64", "ftruncate", "ftruncate64"),
    "rename": ("rename", "renameat", "renameat2"),
    "close": ("close",),
    "unlink": ("unlink", "unlinkat"),
}
SYSCALLS = ",".join(name for names in KINDS.values() for name in names)
KEY, VALUE = "Key1000", "NEW"


def sh(*command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs).stdout.strip()


def skip_reason():
    if os.geteuid() != 0:
        return "needs root, for a loop device and mounts"
    for tool in ("losetup", "mkfs.ext4", "strace", "mount"):
        if shutil.which(tool) is None:
            return f"needs {tool}"
    try:
        sh("losetup", "-f")
    except (subprocess.CalledProcessError, OSError):
        return "no free loop device"
    return None


@contextlib.contextmanager
def mounted(image, folder):
    """The ext4 image mounted on `folder` through a loop device; unmounted
    and detached again however the block ends."""
    device = sh("losetup", "-f", "--show", str(image))
    try:
        sh("mount", "-t", "ext4", "-o", "data=ordered,noauto_da_alloc", device, str(folder))
        try:
            yield
        finally:
            for _ in range(50):
                if subprocess.run(["umount", str(folder)], capture_output=True).returncode == 0:
                    break
                time.sleep(0.1)
            else:
                subprocess.run(["umount", "-l", str(folder)], capture_output=True)
    finally:
        subprocess.run(["losetup", "-d", device], capture_output=True)


def commit_journal(folder):
    """Flushes a file of its own on the file system: ext4 then commits its
    running transaction, with whatever the killed writer had done."""
    fd = os.open(folder / "commit", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        os.write(fd, b"commit")
        os.fsync(fd)
    finally:
        os.close(fd)


def cut_power(folder):
    fd = os.open(folder, os.O_RDONLY)
    try:
        fcntl.ioctl(fd, EXT4_IOC_SHUTDOWN, EXT4_GOING_FLAGS_NOLOGFLUSH.to_bytes(4, "little"))
    finally:
        os.close(fd)


def strace(*options, output="/dev/null"):
    return ["strace", "-f", "-qq", "-o", output, "-e", "signal=none", *options]


def path_filters(build):
    return [option for path in build.spellings() for option in ("-P", path)]


@contextlib.contextmanager
def attached(pid, options, output="/dev/null"):
    """strace attached to the running process `pid` until the block ends."""
    tracer = subprocess.Popen(strace(*options, "-p", str(pid), output=output), stderr=subprocess.DEVNULL)
    try:
        for _ in range(200):
            if re.search(r"TracerPid:\s+[1-9]", pathlib.Path(f"/proc/{pid}/status").read_text()):
                break
            time.sleep(0.01)
        yield
    finally:
        time.sleep(0.2)  # the server may still be finishing the save's requests
        tracer.send_signal(signal.SIGINT)
        tracer.wait(timeout=30)


def crash_points(trace, side):
    """(side, syscall, n): the n-th call of that syscall by one process or
    thread, as strace counts them for injection."""
    counts, points = {}, []
    for line in pathlib.Path(trace).read_text().splitlines():
        match = re.match(r"(\d+)\s+(\w+)\(", line)
        if match and any(match.group(2) in names for names in KINDS.values()):
            key = (match.group(1), match.group(2))
            counts[key] = counts.get(key, 0) + 1
            point = (side, match.group(2), counts[key])
            if point not in points:
                points.append(point)
    return points


class PowerCut:
    def __init__(self, build):
        self.build = build
        self.work = build.work
        self.base = self.work / "base.img"
        self.image = self.work / "run.img"
        self.old = settings_text(2000)
        self.new = settings_text(2000, (1000, VALUE))

    def make_base(self):
        with open(self.base, "wb") as image:
            image.truncate(32 * 1024 * 1024)
        sh("mkfs.ext4", "-q", "-F", "-E", "lazy_itable_init=0,lazy_journal_init=0", str(self.base))
        with mounted(self.base, self.build.drive):
            self.build.fill(self.old)
            os.sync()

    @contextlib.contextmanager
    def fresh_drive(self):
        """The drive C from a fresh copy of the image, with a warm Wine
        server. The server holds nothing on the drive between calls, so one
        serves every crash point but those that kill it."""
        shutil.copyfile(self.base, self.image)
        with mounted(self.image, self.build.drive):
            self.build.ensure_server()
            yield

    def after_remount(self):
        with mounted(self.image, self.build.drive):
            return verdict(self.build.drive / SETTINGS, self.old, self.new)

    def save(self, prefix=()):
        return self.build.run("set", KEY, VALUE, prefix=prefix)

    def record(self):
        filters = path_filters(self.build)
        traces = {side: str(self.work / f"{side}.trace") for side in ("program", "server")}
        with self.fresh_drive():
            with contextlib.ExitStack() as stack:
                if self.build.name == "windows":
                    stack.enter_context(attached(self.build.server_pid(), ["-e", f"trace={SYSCALLS}", *filters],
                                                 traces["server"]))
                status = self.save(prefix=strace("-e", f"trace={SYSCALLS}", *filters, output=traces["program"]))
            result = verdict(self.build.drive / SETTINGS, self.old, self.new)
        if status != 0 or result != "new":
            raise SystemExit(f"FAIL the recorded save: exit {status}, the file {result}")
        points = crash_points(traces["program"], "program")
        if self.build.name == "windows":
            points += crash_points(traces["server"], "server")
        return points

    def crash_at(self, side, syscall, n):
        inject = ["-e", f"trace={syscall}", "-e", f"inject={syscall}:signal=SIGKILL:when={n}",
                  *path_filters(self.build)]
        with self.fresh_drive():
            if side == "program":
                self.save(prefix=strace(*inject))
            else:
                with attached(self.build.server_pid(), inject):
                    self.save()
                self.build.stop_server()
            commit_journal(self.build.drive)
            cut_power(self.build.drive)
        return self.after_remount()

    def refused_folder(self):
        """A save where the folder takes no new file but the file may still
        be written (the folder immutable): the Windows build falls back to
        the platform's write in place, the Linux build refuses the save."""
        with self.fresh_drive():
            sh("chattr", "+i", str(self.build.drive))
            try:
                status = self.save()
            finally:
                sh("chattr", "-i", str(self.build.drive))
            return status, verdict(self.build.drive / SETTINGS, self.old, self.new)

    def acknowledged(self):
        with self.fresh_drive():
            status = self.save()
            cut_power(self.build.drive)
        return status, self.after_remount()


def main():
    kind, tool, work = sys.argv[1:4]
    reason = skip_reason()
    if reason:
        print(f"powercut {kind}: skipped: {reason}")
        return SKIP
    build = Build(kind, tool, work)
    reason = build.skip_reason()
    if reason:
        print(f"powercut {kind}: {reason}")
        return SKIP
    build.prepare()
    try:
        return run(PowerCut(build), kind)
    finally:
        build.stop_server()


def run(test, kind):
    started = time.monotonic()
    test.make_base()
    points = test.record()
    failures = 0
    for side, syscall, n in points:
        result = test.crash_at(side, syscall, n)
        bad = result not in ("old", "new")
        failures += bad
        print(f"{'FAIL' if bad else 'ok  '} killed at {syscall} #{n} ({side}), then a power cut: the file is {result}")
    kept = len(points) - failures
    print(f"{kept} of {len(points)} crash points kept the old or the new file")
    status, result = test.acknowledged()
    if status != 0 or result != "new":
        failures += 1
        print(f"FAIL a save that returned {status}, then a power cut at once: the file is {result}")
    else:
        print("ok   a save that returned success, then a power cut at once: the file is new")
    status, result = test.refused_folder()
    expected = (0, "new") if kind == "windows" else (1, "old")
    failures += (status, result) != expected
    print(f"{'ok  ' if (status, result) == expected else 'FAIL'} a folder that takes no new file: exit {status}, "
          f"the file {result}")
    print(f"powercut {kind}: {'passed' if failures == 0 else 'FAILED'} in {time.monotonic() - started:.0f} s")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
