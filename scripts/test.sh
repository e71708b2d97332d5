#!/usr/bin/env bash
# Installs what is missing, builds the Linux build and both Windows builds,
# and runs every test: natively, under Wine, with sanitizers, and the Linux
# and Windows builds on one settings file; a short run of the benchmark and
# of the fuzzer keeps both working. The optimised Linux build is what people
# get: its window is checked through AT-SPI, and its Debian package is
# installed here, checked and removed again.
#
# The Windows tests run the 32-bit build, the program as shipped, where this
# host starts 32-bit programs, and the 64-bit build in its place where it
# does not (TALLOWBY_NO_IA32=1 takes that path on any host); what needs the
# 32-bit programs themselves is then reported as skipped. It ends with one
# summary: the kind of host, each run's counts, and what was skipped and why.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

bash scripts/install-deps.sh

# Found out once; every later step sees the same answer.
. tests/support/windows-build.sh
host=$(host_kind)
ia32_runs || export TALLOWBY_NO_IA32=1
windows=$(windows_build_preset)
echo "host: $host; the tests across both builds run the $windows build"

jobs=$(nproc)
cmake --preset windows
cmake --build --preset windows -j "$jobs"
cmake --preset windows64
cmake --build --preset windows64 -j "$jobs"
cmake --preset native -DTALLOWBY_WINDOWS_BUILD="$PWD/build/$windows"
cmake --build --preset native -j "$jobs"
cmake --preset native-sanitize
cmake --build --preset native-sanitize -j "$jobs"
cmake --preset native-release -DTALLOWBY_BUILD_BENCH=ON
cmake --build --preset native-release -j "$jobs"

bash scripts/bench.sh 10,100 0.05
bash scripts/fuzz.sh 20

# Each run goes on after another fails, so that the summary is whole.
results=build/test-results
rm -rf "$results" && mkdir -p "$results"
summary=() failed=0
run() { # run NAME COMMAND...: one line of the summary
  local name=$1
  shift
  if "$@"; then summary+=("$name=passed"); else summary+=("$name=failed"); failed=1; fi
}
run_ctest() { # run_ctest PRESET [CTEST OPTIONS...]
  local preset=$1
  shift
  ctest --preset "$preset" --output-junit "$PWD/$results/$preset.xml" "$@" || failed=1
  summary+=("$preset=$results/$preset.xml")
}

run_ctest native-sanitize
# Where 32-bit programs run, the 64-bit build's settings suite runs too, so
# that it cannot rot; where they do not, the 64-bit build runs everything.
run_ctest windows
if [ "$windows" = windows ]; then run_ctest windows64 -R '^settings_suite'; else run_ctest windows64; fi
run_ctest native
run atspi_e2e bash tests/e2e/atspi_e2e.sh build/native-release/artifacts build/native-release/window/tallowby
run deb_package bash tests/packaging/deb_test.sh build/native-release build/native-release/artifacts

echo
echo "== summary, in $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s"
echo "host: $host"
echo "Windows build for the tests across both builds: $windows"
python3 scripts/test_summary.py "${summary[@]}"
exit "$failed"
