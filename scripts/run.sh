#!/usr/bin/env bash
# Builds the Linux program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"

# The window comes with the next piece of work; until then this records the
# check box sample through the store and shows the settings file it wrote.
build/native/tools/tallowby-settings sample
prefix=${TALLOWBY_PREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/tallowby}
echo "== $prefix/drive_c/MyExcelSettings.ini"
cat "$prefix/drive_c/MyExcelSettings.ini"
