#!/usr/bin/env bash
# Installs what is missing, builds the Linux and the Windows builds, and runs
# every test: natively, under Wine, with sanitizers, and the two builds on one
# settings file; a short run of the benchmark and of the fuzzer keeps both
# working. The optimised Linux build is what people get: its window is checked
# through AT-SPI, and its Debian package is installed here, checked and
# removed again.
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
cmake --preset native-release -DTALLOWBY_BUILD_BENCH=ON
cmake --build --preset native-release -j "$jobs"

bash scripts/bench.sh 10,100 0.05
bash scripts/fuzz.sh 20

ctest --preset native-sanitize
ctest --preset windows
ctest --preset native

bash tests/e2e/atspi_e2e.sh build/native-release/artifacts build/native-release/window/tallowby
bash tests/packaging/deb_test.sh build/native-release build/native-release/artifacts
