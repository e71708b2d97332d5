#!/usr/bin/env bash
# The Linux window driven by other programs over the session bus, in a real
# X server (run under dbus-run-session): it takes its bus name and shows its
# interface with named arguments; gdbus and tallowby-settings --window reach
# its three operations, and only those; a click followed by InYourVBApp stores "1" while the
# box stays checked on screen; a refused save comes back as the named error
# with its code; a second window queues and answers once the first closes;
# closing the last releases the name; without a session bus the window still
# shows and says so in one line; the program opens no network socket.
# usage: dbus_e2e.sh ARTIFACTS SETTINGS_FILE PROGRAM TOOL
set -u
artifacts=$1 settings=$2 program=$3 tool=$4
here=$(cd "$(dirname "$0")" && pwd)
test_name=dbus
. "$here/xsession.sh"
mkdir -p "$artifacts"
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  echo "dbus_e2e.sh: no session bus; run it under dbus-run-session"
  exit 1
fi

work=$(mktemp -d)
windows=()
cleanup() {
  kill "${windows[@]}" 2>/dev/null
  stop_x_session
  wait 2>/dev/null
  chmod u+w "$settings" 2>/dev/null
  rm -f "$settings"
  rm -rf "$work"
}
trap cleanup EXIT
rm -f "$settings"
# Desktops give each user a runtime folder; without one Qt warns on stderr.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
start_x_session

name=org.tallowby.Tallowby path=/org/tallowby/Tallowby/Form1 interface=org.tallowby.Tallowby.Form1
call() { gdbus call --session --dest "$name" --object-path "$path" --method "$interface.$1" "${@:2}" 2>&1; }
owner() { # the process that owns the bus name, or nothing
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetConnectionUnixProcessID "$name" 2>/dev/null | sed -n 's/.*uint32 \([0-9]*\).*/\1/p'
}
await_owner() { for _ in $(seq 100); do [ "$(owner)" == "$1" ] && return 0; sleep 0.1; done; return 1; }
tool() { "$tool" "$@" 2>&1; }
file() { tr -d '\r' <"$settings" 2>/dev/null; }
has_line() { file | grep -qxF "$1" && echo yes || echo no; }
# start_window LOG [ENV...]: starts the program; sets pid and window.
start_window() {
  local log=$1
  shift
  env "$@" "$program" >"$work/$log.out" 2>"$work/$log.err" &
  pid=$!
  windows+=("$pid")
  window=
  for _ in $(seq 300); do
    window=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Form1$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
}
# close_window PID WINDOW: closes it as the window manager's button does;
# sets code to the exit code, or "running".
close_window() {
  /usr/bin/python3 "$here/close_window.py" "$2"
  code=running
  for _ in $(seq 100); do
    if ! kill -0 "$1" 2>/dev/null; then wait "$1"; code=$?; return; fi
    sleep 0.1
  done
}
# grab_window NAME: the whole client area, with the pointer out of the way.
grab_window() {
  xdotool mousemove $((left + 280)) $((top + 200))
  sleep 0.5
  import -window root -crop "${width}x${height}+$left+$top" +repage "$artifacts/$test_name-$1.png"
}

# No window yet, and no bus.
check "--window with no window: output" "tallowby-settings: no Tallowby window is running" "$(tool --window get Key)"
check "--window with no window: exit code" "1" "$(tool --window get Key >/dev/null; echo $?)"
# The bus library's own words go between the parentheses.
reason() { sed 's/(.*)$/(...)/' "$@"; }
out=$(env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY "$tool" --window get Key 2>&1); code=$?
check "--window without a session bus: exit code" "1" "$code"
check "--window without a session bus: says so" "tallowby-settings: no session bus (...)" "$(reason <<<"$out")"
# The session-bus client is loaded for --window alone.
LD_DEBUG=files "$tool" get Key >/dev/null 2>"$work/loaded.txt"
check "a get loads neither Qt nor ICU" "" "$(grep -oE 'file=[^ ]*(Qt|icu)[^ ]*' "$work/loaded.txt" | sort -u)"
LD_DEBUG=files "$tool" --window get Key >/dev/null 2>"$work/loaded.txt"
check "--window loads Qt's D-Bus" "yes" "$(grep -q 'file=libQt6DBus' "$work/loaded.txt" && echo yes || echo no)"
mkdir "$work/alone" && cp "$tool" "$work/alone/"
out=$("$work/alone/$(basename "$tool")" --window get Key 2>&1); code=$?
check "--window without its client module: exit code" "1" "$code"
check "--window without its client module: says so" \
  "tallowby-settings: cannot find the session-bus client libtallowby-window-client.so" "$out"

start_window first
first=$pid first_window=$window
if [ -z "$window" ]; then
  fail "no window named Form1 appeared"
  report "$test_name"
  exit 1
fi
pass
await_owner "$first" && pass || fail "the window did not take the name $name"
check "the window holds no TCP or UDP socket" "0" "$("$here/inet_sockets.sh" "$first")"
check "starting made no settings file" "absent" "$([ -e "$settings" ] && echo present || echo absent)"

# The interface, as a tool that introspects it sees it.
methods=$(gdbus introspect --session --dest "$name" --object-path "$path" --xml | /usr/bin/python3 -c '
import sys, xml.etree.ElementTree as tree
for interface in tree.parse(sys.stdin).getroot().iter("interface"):
    if interface.get("name") == sys.argv[1]:
        for method in interface.iter("method"):
            args = [" ".join(filter(None, (a.get("direction", "in"), a.get("type"), a.get("name")))) for a in method.iter("arg")]
            print(method.get("name") + "(" + ", ".join(args) + ")")
' "$interface")
check "introspection" "ProfileSettingSave(in s v_strKey, in s v_strSetting)
ProfileSettingGet(in s v_strKey, in s v_strDefault, out s)
ProfileSettingGet(in s v_strKey, out s)
InYourVBApp()" "$methods"

sleep 1 # let it paint
window_geometry "$window"
grab_window start

# gdbus, as a script calls it.
check "save" "()" "$(call ProfileSettingSave Greeting "'héllo wörld'")"
check "get" "('héllo wörld',)" "$(call ProfileSettingGet Greeting "'none'")"
check "get of an absent key gives the default" "('none',)" "$(call ProfileSettingGet Absent "'none'")"
check "get by the key alone" "('héllo wörld',)" "$(call ProfileSettingGet Greeting)"
check "get of an absent key alone gives empty text" "('',)" "$(call ProfileSettingGet Absent)"
check "the file holds the value in the code page" "yes" "$(has_line "$(printf 'Greeting=h\xe9llo w\xf6rld')")"
check "an unknown method is refused" \
  "Error: GDBus.Error:org.freedesktop.DBus.Error.UnknownMethod: no method Form_Load() in $interface" "$(call Form_Load)"

# A click, then the sample from outside: "1" stored, the box still checked.
grab_window after-calls
click_check1 "$window"
grab_window clicked
check "sample" "()" "$(call InYourVBApp)"
grab_window after-sample
check "the calls changed nothing on screen" "0" "$(pixels_differ start after-calls)"
[ "$(pixels_differ start clicked)" -gt 10 ] && pass || fail "the click did not check the box"
check "the sample changed nothing on screen: the box is still checked" "0" "$(pixels_differ clicked after-sample)"
check "the sample stored Check1Value=1" "yes" "$(has_line Check1Value=1)"
check "the sample stored Check1Name" "yes" "$(has_line 'Check1Name=First Check Box')"

# A refused save: the error's name and message carry the cause and the code.
# (A save of the value already stored writes nothing, so the sample is
# given something to change.)
call ProfileSettingSave Check1Value "'0'" >/dev/null
chmod 444 "$settings"
before=$(file)
refused="Error: GDBus.Error:org.tallowby.Tallowby.Error.AccessDenied: access denied (0x80070005)"
check "refused save" "$refused" "$(call ProfileSettingSave Greeting "'other'")"
check "refused sample" "$refused" "$(call InYourVBApp)"
check "a refused call leaves the file as it was" "$before" "$(file)"
check "a read-only file still reads" "('héllo wörld',)" "$(call ProfileSettingGet Greeting "'none'")"

# tallowby-settings through the window; its own prefix points elsewhere, so
# only the window can have touched the file.
away() { TALLOWBY_PREFIX=$work/elsewhere "$tool" "$@" 2>&1; }
refused='tallowby-settings: the window cannot save C:\MyExcelSettings.ini: access denied (0x80070005)'
check "tool: refused set" "$refused" "$(away --window set Colour blue)"
check "tool: refused set exit code" "1" "$(away --window set Colour blue >/dev/null; echo $?)"
check "tool: refused sample" "$refused" "$(away --window sample)"
chmod 644 "$settings"
check "tool: set" "0" "$(away --window set Colour 'bleu ciel' >/dev/null; echo $?)"
check "tool: get" "bleu ciel" "$(away --window get Colour)"
check "tool: get of an absent key gives the default" "none" "$(away --window get Absent none)"
check "tool: sample" "0" "$(away --window sample >/dev/null; echo $?)"
check "the tool reached the window's file" "yes" "$(has_line 'Colour=bleu ciel')"
check "tool: --window list is refused" "tallowby-settings: the window offers only get, set and sample" \
  "$(away --window list)"
check "tool: --window delete exit code" "2" "$(away --window delete Colour >/dev/null 2>&1; echo $?)"
check "tool: --window delete removed nothing" "yes" "$(has_line 'Colour=bleu ciel')"
check "the tool worked on no file of its own" "absent" "$([ -e "$work/elsewhere" ] && echo present || echo absent)"

# A second window queues for the name and takes it when the first closes.
start_window second
second=$pid second_window=$window
[ -n "$second_window" ] && pass || fail "a second window did not appear"
check "the first window still answers" "$first" "$(owner)"
close_window "$first" "$first_window"
check "exit code of the first window" "0" "$code"
await_owner "$second" && pass || fail "the second window did not take the name"
check "the second window answers" "bleu ciel" "$(tool --window get Colour)"
check "the first window wrote nothing on stderr" "" "$(cat "$work/first.err")"
check "the second window wrote nothing on stderr" "" "$(cat "$work/second.err")"
close_window "$second" "$second_window"
check "exit code of the second window" "0" "$code"
check "the name is released" "" "$(owner)"
check "--window after the last window closed" "tallowby-settings: no Tallowby window is running" \
  "$(tool --window get Colour)"

# No session bus: the window still shows and works, and says that other
# programs cannot reach it. (With the variable unset, the bus library would
# start a bus for the X display; a bus that is not there is what a bare
# session has.)
start_window alone DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
[ -n "$window" ] && pass || fail "without a session bus no window appeared"
if [ -n "$window" ]; then
  sleep 1
  window_geometry "$window"
  grab_window alone-start
  click_check1 "$window"
  grab_window alone-clicked
  [ "$(pixels_differ alone-start alone-clicked)" -gt 10 ] && pass || fail "without a session bus a click did nothing"
  close_window "$pid" "$window"
  check "exit code without a session bus" "0" "$code"
fi
check "without a session bus: one line on stderr" "1" "$(wc -l <"$work/alone.err")"
check "without a session bus: the line" "tallowby: other programs cannot reach this window: no session bus (...)" \
  "$(reason "$work/alone.err")"

report "$test_name"
