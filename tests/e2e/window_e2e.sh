#!/usr/bin/env bash
# The window as a person sees it, in a real X server: it appears captioned
# "Form1" with a client area of 312 x 213, a click or Space toggles the check
# box (judged from the screen's pixels), closing it ends the process with
# code 0, and no settings file is made. Screenshots go to ARTIFACTS.
# usage: window_e2e.sh NAME ARTIFACTS SETTINGS_FILE PROGRAM [ARGS...]
set -u
name=$1 artifacts=$2 settings=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$artifacts"
rm -f "$settings"

test_name=$name
. "$here/xsession.sh"
if [ "$name" = wine ]; then
  . "$here/../support/windows-build.sh"
  skip_unless_runnable "${!#}"
fi
start_x_session
cleanup() { kill "$program" 2>/dev/null; stop_x_session; wait 2>/dev/null; }
trap cleanup EXIT

"$@" >"$artifacts/$name.log" 2>&1 &
program=$!

window=$(find_window Form1)
if [ -z "$window" ]; then
  fail "no window named Form1 appeared"
  xwininfo -root -tree >"$artifacts/$name-windows.txt" 2>&1
  report "window-$name"
  exit 1
fi
pass
sleep 1.5 # let it paint

window_geometry "$window"
check "client area" "312x213" "${width}x${height}"

import -window root "$artifacts/$name-window.png"
grab_check1 unchecked
click_check1 "$window"
grab_check1 clicked
import -window root "$artifacts/$name-checked.png"
import -frame -window "$window" "$artifacts/$name-window-checked.png"
[ "$(pixels_differ unchecked clicked)" -gt 10 ] && pass || fail "a click did not change the check box on screen"
xdotool key --window "$window" space
grab_check1 spaced
[ "$(pixels_differ unchecked spaced)" -le 2 ] && pass || fail "Space did not clear the mark again"
check "clicking or typing made no settings file" "absent" "$([ -e "$settings" ] && echo present || echo absent)"

/usr/bin/python3 "$here/close_window.py" "$window"
code=timeout
for _ in $(seq 100); do
  if ! kill -0 "$program" 2>/dev/null; then wait "$program"; code=$?; break; fi
  sleep 0.1
done
check "exit code after closing" "0" "$code"
check "closing made no settings file" "absent" "$([ -e "$settings" ] && echo present || echo absent)"

report "window-$name"
