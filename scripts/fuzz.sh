#!/usr/bin/env bash
# Fuzzes the Linux stand-in's INI reading and writing with libFuzzer for
# SECONDS (default 20), starting from the corpus kept in tests/fuzz/corpus.
# New inputs go to a scratch folder; `-merge=1` takes the useful ones into
# the kept corpus by hand:
#   build/fuzz/tests/fuzz/ini_fuzz -merge=1 tests/fuzz/corpus SCRATCH
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target ini_fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
build/fuzz/tests/fuzz/ini_fuzz -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$scratch/" \
  "$scratch" tests/fuzz/corpus 2>&1 | grep -E '^(stat::number_of_executed_units|Done|==[0-9]+==|check failed)' || true
failing=$(find "$scratch" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \))
if [ -n "$failing" ]; then
  mkdir -p build/fuzz/failing && cp $failing build/fuzz/failing/
  echo "fuzz: a failing input was found, kept in build/fuzz/failing:" && ls build/fuzz/failing
  exit 1
fi
echo "fuzz: no failing input in ${seconds} s"
