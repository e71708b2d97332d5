#!/usr/bin/env bash
# Installs what is missing, builds the Linux and the Windows builds, and runs
# every test: natively, under Wine, and the two builds on one settings file.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
cmake --preset windows
cmake --build --preset windows -j "$jobs"
cmake --preset native -DTALLOWBY_WINDOWS_TOOL="$PWD/build/windows/tools/tallowby-settings.exe"
cmake --build --preset native -j "$jobs"

ctest --preset windows
ctest --preset native

# A short run of the benchmark on both builds, so that it keeps working.
bash scripts/bench.sh 10,100 0.05
