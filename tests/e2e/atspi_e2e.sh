#!/usr/bin/env bash
# The window as assistive technology meets it, over real AT-SPI in a real X
# server: its check box is a check box named "Check1", not checked at start,
# checked after a click and cleared by the next. Runs on a private session
# bus of its own, with its own accessibility bus.
# usage: atspi_e2e.sh ARTIFACTS PROGRAM
set -u
if [ -z "${TALLOWBY_ATSPI_BUS:-}" ]; then
  # The buses' messages go to the log, the test's lines to stdout.
  mkdir -p "$1"
  TALLOWBY_ATSPI_BUS=1 exec dbus-run-session -- bash "$0" "$@" 2>"$1/atspi-bus.log"
fi
artifacts=$1 program=$2
here=$(cd "$(dirname "$0")" && pwd)
test_name=atspi
. "$here/xsession.sh"
mkdir -p "$artifacts"

work=$(mktemp -d) window_process= bus_launcher=
cleanup() { kill $window_process $bus_launcher 2>/dev/null; stop_x_session; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export TALLOWBY_PREFIX=$work/prefix XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

start_x_session
# The launcher starts the accessibility bus, which starts the registry.
/usr/libexec/at-spi-bus-launcher --launch-immediately >&2 &
bus_launcher=$!
for _ in $(seq 100); do
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner org.a11y.Bus 2>/dev/null | grep -q true && break
  sleep 0.1
done

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" >"$artifacts/atspi-program.log" 2>&1 &
window_process=$!
window=$(find_window Form1)
if [ -z "$window" ]; then
  fail "no window named Form1 appeared"
  report atspi
  exit 1
fi

application=$(basename "$program")
state() { /usr/bin/python3 "$here/atspi_check1.py" "$application"; }
# state_after BEFORE: the state once it differs from BEFORE, or BEFORE if it stays.
state_after() {
  local now
  for _ in $(seq 50); do
    now=$(state)
    [ "$now" != "$1" ] && break
  done
  echo "$now"
}

start=$(state)
if [ -z "$start" ]; then
  fail "$application never joined the accessibility bus"
  report atspi
  exit 1
fi
check "window, role of Check1 and its state at start" "Form1	CHECK_BOX	unchecked" "$start"
click_check1 "$window"
clicked=$(state_after "$start")
check "after a click" "Form1	CHECK_BOX	checked" "$clicked"
click_check1 "$window"
check "after a second click" "Form1	CHECK_BOX	unchecked" "$(state_after "$clicked")"

report atspi
