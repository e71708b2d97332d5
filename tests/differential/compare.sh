#!/usr/bin/env bash
# Runs the same seeds through the Linux stand-in and through kernel32 under
# Wine and compares the transcripts seed by seed. Seeds listed in KNOWN are
# differences kept on purpose (see docs/guarantees.md); they are reported, not failed.
# Both run in the caller's locale; TALLOWBY_WINEPREFIX names a Wine prefix
# to share instead of WORK's own.
# usage: compare.sh NATIVE WINDOWS_EXE WORK FIRST LAST [KNOWN...]
set -u
native=$1 windows=$2 work=$3 first=$4 last=$5
shift 5
known=" $* "
mkdir -p "$work"
. "$(dirname "$0")/../support/windows-build.sh"
skip_unless_runnable "$windows"
windows_build_env "$windows"
use_prefix "${TALLOWBY_WINEPREFIX:-$work/wine}"
passed=0 failed=0 kept=0
TALLOWBY_PREFIX=$work/native "$native" "$first" "$last" >"$work/native.txt" || { failed=1; echo "FAIL native run"; }
wine "$windows" "$first" "$last" 2>"$work/platform.err" | tr -d '\r' >"$work/platform.txt"
[ "${PIPESTATUS[0]}" -eq 0 ] || { failed=1; echo "FAIL windows run"; cat "$work/platform.err"; }
split() { awk -v dir="$2" '/^seed /{if (f) close(f); f=dir "/" $2} {print > f}' "$1"; }
rm -rf "$work/n" "$work/p"; mkdir -p "$work/n" "$work/p"
split "$work/native.txt" "$work/n"; split "$work/platform.txt" "$work/p"
for seed in $(seq "$first" "$last"); do
  if cmp -s "$work/n/$seed" "$work/p/$seed"; then passed=$((passed + 1))
  elif [[ "$known" == *" $seed "* ]]; then kept=$((kept + 1)); echo "known difference: seed $seed"
  else failed=$((failed + 1)); echo "FAIL seed $seed"; diff "$work/n/$seed" "$work/p/$seed" | cut -c1-300 | head -6; fi
done
echo "differential: $passed passed, $failed failed, $kept skipped"
[ "$failed" -eq 0 ]
