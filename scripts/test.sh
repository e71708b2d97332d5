#!/usr/bin/env bash
# Installs what is missing, builds the Linux and the Windows builds, and runs
# every test: natively, under Wine, with sanitizers, and the two builds on one
# settings file; a short run of the benchmark and of the fuzzer keeps both
# working.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
cmake --preset windows
cmake --build --preset windows -j "$jobs"
cmake --preset native -DTALLOWBY_WINDOWS_TOOL="$PWD/build/windows/tools/tallowby-settings.exe"
cmake --build --preset native -j "$jobs"
cmake --preset native-sanitize
cmake --build --preset native-sanitize -j "$jobs"

bash scripts/bench.sh 10,100 0.05
bash scripts/fuzz.sh 20

ctest --preset native-sanitize
ctest --preset windows
ctest --preset native
