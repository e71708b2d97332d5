#!/usr/bin/env bash
# Builds the Linux program, optimised, and starts it: the window Form1.
# Installs only what that needs; the test tool chain is the test command's.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh run
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j "$(nproc)" --target tallowby
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display to show the window on (DISPLAY is not set)" >&2
  exit 1
fi
exec build/native-release/window/tallowby
