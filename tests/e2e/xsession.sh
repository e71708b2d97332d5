# Sourced by the end-to-end tests: a private X server with a window manager,
# as on a desktop, and the pass/fail tally they print.
#   start_x_session        sets DISPLAY; ends the server at exit (with stop_x_session)
#   find_window TITLE      prints the first visible window of that exact title
#   check LABEL WANT GOT   counts a pass, or a failure with both values
#   report NAME            prints "NAME: N passed, M failed"; non-zero on failure

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL ${test_name:-e2e}: $*"; }
check() { if [ "$2" == "$3" ]; then pass; else fail "$1: expected '$2', got '$3'"; fi; }
report() { echo "$1: $passed passed, $failed failed"; [ "$failed" -eq 0 ]; }

start_x_session() {
  local n up
  # Another test may take a display number at the same moment: a server
  # that cannot have its number exits, and the next number is tried.
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    x_server=$!
    up=
    for _ in $(seq 100); do
      kill -0 "$x_server" 2>/dev/null || break
      DISPLAY=:$n xdpyinfo >/dev/null 2>&1 && { up=yes; break; }
      sleep 0.1
    done
    [ -n "$up" ] && kill -0 "$x_server" 2>/dev/null && break
    kill "$x_server" 2>/dev/null
  done
  export DISPLAY=:$n
  openbox >/dev/null 2>&1 &
  window_manager=$!
  # The window manager is ready once it has announced itself on the root window.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
}

stop_x_session() { kill "${window_manager:-}" "${x_server:-}" 2>/dev/null; }

find_window() {
  local window=
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  echo "$window"
}

# window_geometry WINDOW: sets left, top, width and height of its client area.
window_geometry() {
  local info
  info=$(xwininfo -id "$1")
  width=$(awk '/Width:/ {print $2}' <<<"$info")
  height=$(awk '/Height:/ {print $2}' <<<"$info")
  left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
}

# The check box's mark lies at its left end: 48, 64 in the client area.
# grab_check1 NAME: saves the mark's pixels as $artifacts/$test_name-NAME.png
# (after window_geometry), with the pointer out of the way.
grab_check1() {
  xdotool mousemove $((left + 280)) $((top + 200))
  sleep 0.5
  import -window root -crop "18x25+$((left + 48))+$((top + 64))" +repage "$artifacts/$test_name-$1.png"
}
click_check1() { xdotool mousemove --window "$1" 55 76 click 1; }
# pixels_differ A B: how many pixels differ between two grabs.
pixels_differ() {
  compare -metric AE "$artifacts/$test_name-$1.png" "$artifacts/$test_name-$2.png" null: 2>&1 | cut -d' ' -f1
}
