#!/usr/bin/env bash
# A program that rewrites the settings file in place, taking no lock, while
# the Linux build saves keys: no save may build on a file caught half
# written, so the earlier keys all remain, and no save that reported success
# may lose its key to the rewriter.
# usage: inplace_writer.sh NATIVE_TOOL WORK_DIR
set -u
native=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/prefix/drive_c"
ini=$work/prefix/drive_c/MyExcelSettings.ini

{
  printf '[ExcelData]\r\n'
  for n in $(seq 100); do printf 'Pre%d=p%d\r\n' "$n" "$n"; done
  printf 'Marker=0\r\n'
} >"$ini"

# Each turn reads the file and writes it back through the same descriptor
# with the marker moved on: truncated first, then written in two pieces, so
# that it lies cut for a moment. A pause between turns leaves room for saves.
# A save can only outwait a writer that finishes within its quiet time, so
# the rewriter takes real-time priority where it may, lest a busy machine
# stretch that moment.
python3 - "$ini" "$work/stop" >"$work/rewrites" <<'PY' &
import os, random, sys, time
path, stop = sys.argv[1:]
try:
    os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(1))
except OSError:
    pass
random.seed(20261208)
turns, end = 0, time.monotonic() + 30
while not os.path.exists(stop) and time.monotonic() < end:
    fd = os.open(path, os.O_RDWR)
    text = b""
    while chunk := os.read(fd, 65536):
        text += chunk
    head, _, marker = text.rstrip(b"\r\n").rpartition(b"\r\nMarker=")
    if head and marker.isdigit():
        text = head + b"\r\nMarker=" + str(int(marker) + 1).encode() + b"\r\n"
    os.ftruncate(fd, 0)
    os.pwrite(fd, text[: len(text) // 2], 0)
    time.sleep(0.001)
    os.pwrite(fd, text[len(text) // 2 :], len(text) // 2)
    os.close(fd)
    turns += 1
    time.sleep(random.uniform(0.015, 0.03))
print(turns)
PY
rewriter=$!
trap 'kill $rewriter 2>/dev/null' EXIT

: >"$work/linux.status"
for n in $(seq 100); do
  TALLOWBY_PREFIX=$work/prefix "$native" set "LinK$n" "l$n" >/dev/null 2>&1
  echo "LinK$n l$n $?" >>"$work/linux.status"
done
touch "$work/stop"
wait "$rewriter"
echo "in-place rewriter: $(cat "$work/rewrites") rewrites while 100 saves ran"
python3 "$here/check_file.py" "$ini" "saves beside an in-place rewriter" Pre 100 Linux "$work/linux.status"
