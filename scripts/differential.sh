#!/usr/bin/env bash
# Runs seeds FIRST to LAST (default 1 to 20000) of the differential test: the
# Linux stand-in and kernel32 under Wine on the same seeded files and calls,
# transcripts compared seed by seed; then a quarter as many seeds in each
# of four locales, from their code pages, against the Windows build this
# host runs. Builds what it needs first.
# usage: scripts/differential.sh [FIRST] [LAST]
set -euo pipefail
cd "$(dirname "$0")/.."
first=${1:-1} last=${2:-20000}
. tests/support/windows-build.sh
windows=$(windows_build_preset)
cmake --preset "$windows" >/dev/null
cmake --build --preset "$windows" --target differential
cmake --preset native >/dev/null
cmake --build --preset native --target differential
work=$PWD/build/differential-long
status=0
bash tests/differential/compare.sh build/native/tests/differential/differential \
  "build/$windows/tests/differential/differential.exe" "$work" "$first" "$last" || status=1
bash tests/differential/locales.sh build/native/tests/differential/differential \
  "build/$windows/tests/differential/differential.exe" "$work-locales" "$first" "$((first + (last - first) / 4))" || status=1
exit "$status"
