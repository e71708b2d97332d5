#!/usr/bin/env bash
# Times the settings store on both builds against the file system's floor
# and prints one table: ours (Linux stand-in), the platform (kernel32 under
# Wine), the floor, and the ratios.
# usage: bench.sh [KEYS,KEYS,...] [SECONDS_PER_FIGURE]   (default: 10,1000,10000,100000 0.5)
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=${1:-10,1000,10000,100000}
seconds=${2:-0.5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -x build/native-release/bench/settings_bench ]; then
  cmake --preset native-release -DTALLOWBY_BUILD_TESTS=OFF -DTALLOWBY_BUILD_WINDOW=OFF >/dev/null
fi
cmake --build --preset native-release --target settings_bench >/dev/null
if [ ! -f build/windows/build.ninja ]; then cmake --preset windows >/dev/null; fi
cmake --build --preset windows --target settings_bench >/dev/null

export WINEPREFIX=$work/wine WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 && wineserver -w

TALLOWBY_PREFIX=$work/native build/native-release/bench/settings_bench "$sizes" "$seconds" >"$work/ours.tsv"
for keys in ${sizes//,/ }; do
  TALLOWBY_PREFIX=$work/native-memory build/native-release/bench/settings_bench --memory "$keys" >>"$work/ours.tsv"
done
wine build/windows/bench/settings_bench.exe "$sizes" "$seconds" | tr -d '\r' >"$work/platform.tsv"
wineserver -k || true

python3 - "$work/ours.tsv" "$work/platform.tsv" <<'PY'
import sys
def load(path):
    figures = {}
    for line in open(path):
        keys, name, value = line.split("\t")
        figures[(int(keys), name)] = float(value)
    return figures
ours, platform = load(sys.argv[1]), load(sys.argv[2])
rows = [
    ("get", "floor_stat", "get of an existing key (us)"),
    ("get_after_change", "floor_read", "first get after a peer's change (us)"),
    ("save_existing", "floor_replace", "save of an existing key (us)"),
    ("save_new", "floor_replace", "save of a new key (us)"),
]
print(f"{'keys':>7}  {'figure':<38}{'ours':>10}{'platform':>11}{'floor':>10}{'ours/platform':>15}{'ours/floor':>12}")
for keys in sorted({k for k, _ in ours}):
    if (keys, "get") not in ours:
        continue
    for name, floor_name, label in rows:
        o, p, f = ours[(keys, name)], platform.get((keys, name), float("nan")), ours[(keys, floor_name)]
        print(f"{keys:>7}  {label:<38}{o:>10.1f}{p:>11.1f}{f:>10.1f}{o / p:>15.2f}{o / f:>12.2f}")
    o, r = ours[(keys, "get")], ours[(keys, "get_raw")]
    print(f"{keys:>7}  {'store overhead over the raw get (%)':<38}{100 * (o - r) / r:>10.1f}"
          f"{100 * (platform[(keys, 'get')] - platform[(keys, 'get_raw')]) / platform[(keys, 'get_raw')]:>11.1f}")
    if (keys, "memory_above_baseline") in ours:
        m, b = ours[(keys, "memory_above_baseline")], ours[(keys, "file_bytes")]
        print(f"{keys:>7}  {'peak memory / file size':<38}{m / b:>10.2f}")
PY
