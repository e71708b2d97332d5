#!/usr/bin/env bash
# Writers of both builds on one settings file at once: the Windows build
# under Wine and the Linux build saving keys side by side, and four Windows
# processes side by side. Nothing written before may be lost, no save that
# reported success may be lost, and the file must read whole.
# usage: mixed_writers.sh NATIVE_TOOL WINDOWS_TOOL WORK_DIR
set -u
native=$1 windows=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/windows-build.sh"
skip_unless_runnable "$windows"

windows_build_env "$windows"
mkdir -p "$work"
use_prefix "$work/wine"
# One server for the whole run, so that each Windows save starts quickly.
wineserver -p
trap 'wineserver -k >/dev/null 2>&1' EXIT
ini=$WINEPREFIX/drive_c/MyExcelSettings.ini

lin() { TALLOWBY_PREFIX=$WINEPREFIX "$native" "$@" >/dev/null; }
win() { wine "$windows" "$@" >/dev/null 2>&1; }
# save_keys STATUS_FILE TOOL PREFIX VALUE_PREFIX COUNT PAUSE: one save per
# key, each its own process, with the exit code of each.
save_keys() {
  local status=$1 tool=$2 prefix=$3 value=$4 count=$5 pause=$6
  : >"$status"
  for n in $(seq "$count"); do
    "$tool" set "$prefix$n" "$value$n"
    echo "$prefix$n $value$n $?" >>"$status"
    [ "$pause" = 0 ] || sleep "$pause"
  done
}

failed=0
for round in 1 2 3; do
  rm -f "$ini"
  for n in $(seq 100); do lin set "Pre$n" "p$n" || { echo "FAIL round $round: setting Pre$n"; exit 1; }; done
  save_keys "$work/windows.status" win WinK w 30 0 &
  save_keys "$work/linux.status" lin LinK l 100 0.01 &
  wait
  python3 "$here/check_file.py" "$ini" "round $round" Pre 100 \
    Windows "$work/windows.status" Linux "$work/linux.status" || failed=1
done

# The Windows build's own processes take turns through its mutex.
rm -f "$ini"
for n in $(seq 100); do lin set "Pre$n" "p$n" || { echo "FAIL setting Pre$n"; exit 1; }; done
for p in 1 2 3 4; do save_keys "$work/windows$p.status" win "P${p}K" "v${p}x" 40 0 & done
wait
python3 "$here/check_file.py" "$ini" "four Windows processes" Pre 100 \
  P1 "$work/windows1.status" P2 "$work/windows2.status" P3 "$work/windows3.status" P4 "$work/windows4.status" ||
  failed=1
cat "$work"/windows[1-4].status | awk '$3 != 0 { bad = 1 } END { exit bad }' ||
  { echo "  FAIL a Windows process's save failed"; failed=1; }

[ "$failed" -eq 0 ] && echo "mixed writers: passed" || echo "mixed writers: FAILED"
exit "$failed"
