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

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $name: $*"; }
check() { if [ "$2" == "$3" ]; then pass; else fail "$1: expected '$2', got '$3'"; fi; }

# A private X server with a window manager, as on a desktop.
for n in $(seq 90 140); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
openbox >/dev/null 2>&1 &
wm=$!
cleanup() { kill "$program" "$wm" "$xvfb" 2>/dev/null; wait 2>/dev/null; }
trap cleanup EXIT
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

"$@" >"$artifacts/$name.log" 2>&1 &
program=$!

window=
for _ in $(seq 300); do
  window=$(xdotool search --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  fail "no window named Form1 appeared"
  xwininfo -root -tree >"$artifacts/$name-windows.txt" 2>&1
  echo "window-$name: $passed passed, $failed failed"
  exit 1
fi
pass
sleep 1.5 # let it paint

info=$(xwininfo -id "$window")
width=$(awk '/Width:/ {print $2}' <<<"$info")
height=$(awk '/Height:/ {print $2}' <<<"$info")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
check "client area" "312x213" "${width}x${height}"

# The check box's mark lies at its left end: 48, 64 in the client area.
box="18x25+$((left + 48))+$((top + 64))"
grab() { import -window root -crop "$box" +repage "$artifacts/$name-$1.png"; }
differs() { # differs A B: how many pixels differ between two grabs
  compare -metric AE "$artifacts/$name-$1.png" "$artifacts/$name-$2.png" null: 2>&1 | cut -d' ' -f1
}
away() { xdotool mousemove $((left + 280)) $((top + 200)); sleep 0.5; }

import -window root "$artifacts/$name-window.png"
away; grab unchecked
xdotool mousemove --window "$window" 55 76 click 1
away; grab clicked
import -window root "$artifacts/$name-checked.png"
import -frame -window "$window" "$artifacts/$name-window-checked.png"
[ "$(differs unchecked clicked)" -gt 10 ] && pass || fail "a click did not change the check box on screen"
xdotool key --window "$window" space
away; grab spaced
[ "$(differs unchecked spaced)" -le 2 ] && pass || fail "Space did not clear the mark again"
check "clicking or typing made no settings file" "absent" "$([ -e "$settings" ] && echo present || echo absent)"

/usr/bin/python3 "$here/close_window.py" "$window"
code=timeout
for _ in $(seq 100); do
  if ! kill -0 "$program" 2>/dev/null; then wait "$program"; code=$?; break; fi
  sleep 0.1
done
check "exit code after closing" "0" "$code"
check "closing made no settings file" "absent" "$([ -e "$settings" ] && echo present || echo absent)"

echo "window-$name: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
