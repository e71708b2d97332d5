"""The two builds' command-line tools as the crash tests drive them: each on
a drive C of its own, so that a test can put that drive on a file system of
its choosing. The Linux build maps drive C to $TALLOWBY_PREFIX/drive_c; the
Windows build runs under Wine with dosdevices/c: pointing at the drive, and
the prefix's own folders linked into it.
"""
import contextlib
import os
import pathlib
import signal
import subprocess
import time

WINE_RUN = pathlib.Path(__file__).resolve().parent.parent / "support" / "wine-run"
SETTINGS = "MyExcelSettings.ini"
# The new versions the builds write beside the file before renaming them.
BESIDE = ("." + SETTINGS + ".tallowby-new", "." + SETTINGS + ".tallowby-save")
SKIP = 77


def settings_text(keys, changed=None):
    """A settings file of `keys` keys in the platform's layout; `changed`,
    a (key number, value) pair, gives that key another value."""
    lines = ["[ExcelData]"]
    for n in range(keys):
        value = changed[1] if changed and changed[0] == n else f"value number {n}"
        lines.append(f"Key{n}={value}")
    return ("\r\n".join(lines) + "\r\n").encode()


class Build:
    """One build's tool, run on drive C at `drive` (a folder)."""

    def __init__(self, name, tool, work):
        self.name, self.tool = name, tool
        self.work = pathlib.Path(work)
        self.drive = self.work / "drive_c"
        self.env = dict(os.environ)
        self.loader = []
        if name == "linux":
            self.env["TALLOWBY_PREFIX"] = str(self.work)
        else:
            self.prefix = self.work / "wine"
            self.env["WINEPREFIX"] = str(self.prefix)

    def skip_reason(self):
        """Why this build cannot run here, or None; for Wine it also picks
        the loader for the tool's processor."""
        if self.name == "linux":
            return None
        found = subprocess.run([str(WINE_RUN), "--env", self.tool], env=self.env, capture_output=True, text=True)
        if found.returncode == SKIP:
            return found.stdout.strip()
        found.check_returncode()
        self.env.update(line.split("=", 1) for line in found.stdout.splitlines())
        self.loader = [self.env["TALLOWBY_WINE_LOADER"]]
        return None

    def command(self, *args):
        return [*self.loader, self.tool, *args]

    def prepare(self):
        """Makes the Wine prefix once and points its drive C at the drive;
        the drive's own content (settings file, links) is made by fill()."""
        self.drive.mkdir(parents=True, exist_ok=True)
        if self.name == "linux":
            return
        # Made again only when missing or made for the other processor.
        subprocess.run([str(WINE_RUN), "--prefix", self.tool], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        c = self.prefix / "dosdevices" / "c:"
        if c.is_symlink() and os.readlink(c) != str(self.drive):
            c.unlink()
        if not c.is_symlink():
            c.symlink_to(self.drive)

    def fill(self, contents):
        """Writes the settings file on the drive, and for Wine links the
        prefix's Windows folders into it."""
        if self.name == "windows":
            for entry in (self.prefix / "drive_c").iterdir():
                link = self.drive / entry.name
                if not link.is_symlink():
                    link.symlink_to(entry)
        (self.drive / SETTINGS).write_bytes(contents)

    def spellings(self):
        """Every path by which the writer may name the settings file, its
        new versions and its folder, for strace's -P."""
        folders = [self.drive]
        if self.name == "windows":
            folders.append(self.prefix / "dosdevices" / "c:")
        paths = []
        for folder in folders:
            paths += [str(folder), str(folder) + "/"]
            paths += [str(folder / name) for name in (SETTINGS,) + BESIDE]
        return paths

    def wine_processes(self):
        """The processes of this build's Wine prefix, server and services
        included, told apart from other prefixes' by their environment."""
        mine = f"WINEPREFIX={self.prefix}".encode()
        pids = []
        for entry in pathlib.Path("/proc").iterdir():
            try:
                if entry.name.isdigit() and mine in (entry / "environ").read_bytes().split(b"\0"):
                    pids.append(int(entry.name))
            except OSError:
                pass
        return pids

    def server_pid(self):
        for pid in self.wine_processes():
            with contextlib.suppress(OSError):
                if pathlib.Path(f"/proc/{pid}/comm").read_text().startswith("wineserver"):
                    return pid
        return None

    def ensure_server(self):
        """Wine only: a server that stays, warmed up by a first call that
        starts Wine's services, so that a traced program does not start them
        as its children (strace would wait for them)."""
        if self.name == "windows" and self.server_pid() is None:
            self.stop_server()
            subprocess.run(["wineserver", "-p"], env=self.env, check=True)
            self.run("get", "Key0")

    def stop_server(self):
        """Ends the server and every process of the prefix: a server that
        was killed leaves Wine's services behind."""
        if self.name != "windows":
            return
        if self.server_pid() is not None:
            subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
            for _ in range(40):
                if not self.wine_processes():
                    return
                time.sleep(0.05)
        for pid in self.wine_processes():
            with contextlib.suppress(OSError):
                os.kill(pid, signal.SIGKILL)

    def run(self, *args, prefix=(), timeout=120):
        return subprocess.run([*prefix, *self.command(*args)], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode

    def start(self, *args):
        return subprocess.Popen(self.command(*args), env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)


def verdict(path, old, new):
    """'old', 'new', or what else the file at `path` holds."""
    try:
        data = pathlib.Path(path).read_bytes()
    except FileNotFoundError:
        return "no file"
    if data == old:
        return "old"
    if data == new:
        return "new"
    return "empty" if not data else f"neither old nor new ({len(data)} bytes)"
