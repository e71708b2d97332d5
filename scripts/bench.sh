#!/usr/bin/env bash
# Times the settings store beside the INI libraries a user might pick instead
# (QSettings, SimpleIni, inih), the platform (kernel32 under Wine) and the
# file system's floor, one process per size, and a program's start on a
# 50-key file in one more, and prints one Markdown table with the ratios
# ours/best peer and ours/floor. Then it times
# tallowby-settings as a script meets it, a new process per call, beside
# a bare C program that reads the same file and prints a line, or copies it
# and replaces it durably (bench/bare_floor.c), all taking turns
# (bench/ProcessStart.cpp).
# usage: bench.sh [KEYS,KEYS,...] [SECONDS_PER_FIGURE_AND_CONTENDER]   (default: 10,1000,10000,100000 0.5)
#        bench.sh --start [ROUNDS]   the whole-process figures alone (default 400 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -f build/native-release/build.ninja ]; then
  cmake --preset native-release -DTALLOWBY_BUILD_TESTS=OFF -DTALLOWBY_BUILD_WINDOW=OFF >/dev/null
fi
cmake --preset native-release -DTALLOWBY_BUILD_BENCH=ON >/dev/null

# start_figures ROUNDS: a Markdown table of the tool's whole-process times.
# Reads and writes are timed in runs of their own, so that no read falls
# into the writes' flushing.
start_figures() {
  cmake --build --preset native-release --target tallowby-settings process_bench bare_floor >/dev/null
  local bin=build/native-release tool timer floor small big written
  tool=$bin/tools/tallowby-settings timer=$bin/bench/process_bench floor=$bin/bench/bare_floor
  small=$work/start-10 big=$work/start-100000 written=$work/start-written replaced=$work/start-replaced
  python3 - "$small" "$big" "$written" "$replaced" <<'MAKE'
import os, sys
for prefix, keys in zip(sys.argv[1:], (10, 100000, 100000, 100000)):
    os.makedirs(prefix + "/drive_c")
    with open(prefix + "/drive_c/MyExcelSettings.ini", "wb") as out:
        out.write(b"[ExcelData]\r\n" + b"".join(b"Key%d=Value number %d\r\n" % (i, i) for i in range(keys)))
MAKE
  local file=drive_c/MyExcelSettings.ini
  "$timer" "$1" "$floor" "$small/$file" -- TALLOWBY_PREFIX="$small" "$tool" get Key5 \
    -- TALLOWBY_PREFIX="$small" "$tool" list -- "$floor" "$big/$file" \
    -- TALLOWBY_PREFIX="$big" "$tool" get Key50000 >"$work/start-reads.tsv"
  # Each set changes the value (a set of the value already stored writes
  # nothing). The first finds the file still for longer than the store's
  # wait for a file that another program has just changed; the second comes
  # right after it.
  "$timer" "$1" "$floor" "$small/$file" -- "$floor" --replace "$replaced/$file" \
    -- TALLOWBY_PREFIX="$small" "$tool" get Key5 -- /bin/sleep 0.03 \
    -- TALLOWBY_PREFIX="$written" "$tool" set Key50000 one -- TALLOWBY_PREFIX="$written" "$tool" set Key50000 two \
    >"$work/start-writes.tsv"
  python3 - "$work/start-reads.tsv" "$work/start-writes.tsv" <<'TABLE'
import sys
def medians(path):
    return [float(line.split("\t")[0]) for line in open(path)]
read10, get10, list10, read, get = medians(sys.argv[1])
read10w, replace, get10w, _, set_still, set_after = medians(sys.argv[2])
floor_write = replace - read10w
print("| whole process, new each call | keys | tool (µs) | floor (µs) | tool/floor |")
print("|---|---:|---:|---:|---:|")
print(f"| get | 10 | {get10:.0f} | read {read10:.0f} | {get10 / read10:.2f} |")
print(f"| list | 10 | {list10:.0f} | read {read10:.0f} | {list10 / read10:.2f} |")
print(f"| get, above the tool's start | 100,000 | {get - get10:.0f} | read {read - read10:.0f} | {(get - get10) / (read - read10):.2f} |")
print(f"| set, above the tool's start | 100,000 | {set_still - get10w:.0f} | read and durable replace {floor_write:.0f} | {(set_still - get10w) / floor_write:.2f} |")
print(f"| set right after another process's set, above the start | 100,000 | {set_after - get10w:.0f} | read and durable replace {floor_write:.0f} | {(set_after - get10w) / floor_write:.2f} |")
print()
print("Medians of whole processes started in turns (bench/ProcessStart.cpp); the floors are a bare C program")
print("(bench/bare_floor.c). Above the start: less the tool's 10-key get and the bare program's 10-key read,")
print("timed in the same run.")
TABLE
}

if [ "${1:-}" == --start ]; then
  start_figures "${2:-400}"
  exit 0
fi
sizes=${1:-10,1000,10000,100000}
seconds=${2:-0.5}
cmake --build --preset native-release --target settings_bench >/dev/null
# The platform column: the Windows build this host runs.
. tests/support/windows-build.sh
preset=$(windows_build_preset)
if [ ! -f "build/$preset/build.ninja" ]; then cmake --preset "$preset" >/dev/null; fi
cmake --build --preset "$preset" --target settings_bench >/dev/null

native=build/native-release/bench/settings_bench
windows=build/$preset/bench/settings_bench.exe
windows_build_env "$windows"
use_prefix "$work/wine"
for keys in ${sizes//,/ }; do
  TALLOWBY_PREFIX=$work/native "$native" "$keys" "$seconds" >>"$work/native.tsv"
  for contender in ours qsettings simpleini inih; do
    TALLOWBY_PREFIX=$work/memory-$contender "$native" --memory "$keys" "$contender" >>"$work/native.tsv"
  done
  wine "$windows" "$keys" "$seconds" | tr -d '\r' >>"$work/platform.tsv"
  wine "$windows" --memory "$keys" | tr -d '\r' >>"$work/platform.tsv"
done
wineserver -k || true
TALLOWBY_PREFIX=$work/native "$native" --startup "$seconds" >>"$work/native.tsv"

python3 - "$work/native.tsv" "$work/platform.tsv" "the $preset build's kernel32 under $WINEARCH Wine" <<'PY'
import sys

def load(path):
    figures = {}
    for line in open(path):
        keys, figure, contender, value = line.rstrip("\n").split("\t")
        figures[(int(keys), figure, contender)] = float(value)
    return figures

native, platform = load(sys.argv[1]), load(sys.argv[2])
sizes = sorted({k for k, _, _ in native})
peers = ["qsettings", "simpleini", "inih"]
columns = ["ours", "QSettings", "SimpleIni", "inih", "platform (Wine)", "floor", "ours/best peer", "ours/floor"]
rows = [  # figure, label, floor's figure, floor's name
    ("get", "get, file unchanged", "get", "stat"),
    ("bare", "get through the bare GetPrivateProfileStringA", "get", "stat"),
    ("get_changed", "first get after another program changed the file", "get_changed", "read"),
    ("stale", "stale gets after same-size changes", None, ""),
    ("save_existing", "save of an existing key", "save_existing", "durable replace"),
    ("save_cold", "save of an existing key, cold CPU caches", "save_cold", "durable replace"),
    ("save_new", "save of a new key", "save_new", "durable replace"),
    ("startup_use", "program start: 20 gets of 50 keys, one save", "startup_use", "read and durable replace"),
    ("memory", "peak memory above baseline", "file_bytes", "file"),
]

def number(value, figure=""):
    if figure in ("memory", "file_bytes"):
        if value < 1024:
            return f"{value:.0f} B"
        return f"{value / 1024:.0f} KiB" if value < 1 << 20 else f"{value / (1 << 20):.1f} MiB"
    return f"{value:,.0f}" if value >= 1000 else f"{value:.1f}" if value >= 10 else f"{value:.2f}"

def durable(figure):
    return figure.startswith("save") or figure == "startup_use"

def saves_nothing(figures, keys, figure, contender):
    return figure == "startup_use" and figures.get((keys, "startup_saves", contender)) == 0

def cell(figures, keys, figure, contender):
    if figure == "bare":
        figure, contender = "get", ("bare" if contender == "ours" else None)
    value = figures.get((keys, figure, contender))
    if value is None:
        return None, "–"
    if figure == "stale":
        return value, f"{value:.0f} of {figures[(keys, 'stale_trials', contender)]:.0f}"
    mark = " *" if figures.get((keys, "flushes", contender)) == 0 and durable(figure) else ""
    if saves_nothing(figures, keys, figure, contender):
        mark = " †"
    return value, number(value, figure) + mark

table = [["figure", "keys"] + columns]
for figure, label, floor_figure, floor_name in rows:
    for keys in sizes:
        ours, ours_text = cell(native, keys, figure, "ours")
        if ours is None:
            continue
        values = [cell(native, keys, figure, p) for p in peers]
        platform_text = cell(platform, keys, figure, "ours")[1]
        floor = native.get((keys, floor_figure, "ours" if floor_figure == "file_bytes" else "floor"))
        floor_text = "–" if floor is None else f"{floor_name} {number(floor, floor_figure)}"
        # Durable saves are compared with durable saves only, a start that saves with
        # starts that save.
        best = [v for p, (v, _) in zip(peers, values) if v is not None and
                not (durable(figure) and native.get((keys, "flushes", p)) == 0) and
                not saves_nothing(native, keys, figure, p)]
        ratio = "–" if figure in ("stale", "bare") or not best or min(best) == 0 else f"{ours / min(best):.2f}"
        to_floor = "–" if floor is None or floor == 0 else f"{ours / floor:.2f}"
        table.append([label, f"{keys:,}", ours_text] + [t for _, t in values] + [platform_text, floor_text, ratio, to_floor])
        label = ""

widths = [max(len(row[i]) for row in table) for i in range(len(table[0]))]
for n, row in enumerate(table):
    print("| " + " | ".join(c.ljust(w) if i < 2 else c.rjust(w) for i, (c, w) in enumerate(zip(row, widths))) + " |")
    if n == 0:
        print("|" + "|".join("-" * (w + 1) + ":" if i >= 2 else "-" * (w + 2) for i, w in enumerate(widths)) + "|")
flush = max((v for (_, f, _), v in native.items() if f == "flush_bytes"), default=0) / (1 << 20)
print()
print("Times are medians in µs. * does not flush its save to disk (the file may be lost or torn by a crash);")
print("† cannot save: its 20 gets only.")
print("ours/best peer compares with the fastest of QSettings, SimpleIni and inih, for saves with those that flush.")
print(f"Cold: {flush:.0f} MiB of other memory touched before each call. Stale: gets that returned the old value")
print("right after another program rewrote the file in place with the same size. Program start: a new object")
print("on a file another program wrote 50 ms before, 20 gets and one save, in the benchmark's process.")
print(f"Platform: {sys.argv[3]}.")
PY
echo
start_figures 100
