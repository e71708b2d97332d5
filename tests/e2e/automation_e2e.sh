#!/usr/bin/env bash
# The Windows window driven by other programs under Wine, in a real X
# server: tallowby-settings --window, a C++ COM client and a VBScript reach
# the open window; a click on the check box followed by InYourVBApp stores
# "1" while the box stays checked on screen; a refused save reaches each
# caller as access denied; the program opens no network socket; closing the
# window withdraws it. Its own Wine prefix, ended with the test.
# The check box reaches assistive technology (MSAA) as a check box named
# "Check1" whose state follows the click.
# usage: automation_e2e.sh ARTIFACTS WORK Tallowby.exe tallowby-settings.exe automation_client.exe msaa_probe.exe
set -u
artifacts=$1 work=$2 program_exe=$3 tool_exe=$4 client_exe=$5 msaa_exe=$6
here=$(cd "$(dirname "$0")" && pwd)
test_name=automation-wine
. "$here/xsession.sh"
. "$here/../support/windows-build.sh"
skip_unless_runnable "$program_exe"
mkdir -p "$artifacts"

windows_build_env "$program_exe"
rm -rf "$work/wineprefix" && mkdir -p "$work"
cleanup() { wineserver -k 2>/dev/null; stop_x_session; wait 2>/dev/null; }
trap cleanup EXIT
# COM servers need the prefix fully made before they start.
use_prefix "$work/wineprefix"
settings=$WINEPREFIX/drive_c/MyExcelSettings.ini
# One server for the whole test: one started by a command in a pipeline
# would hold the pipe open.
wineserver -p
start_x_session

# Output through a file, not a pipe, which a program COM starts could hold open.
tool() {
  local code
  wine "$tool_exe" "$@" >"$work/tool.out" 2>&1
  code=$?
  tr -d '\r' <"$work/tool.out"
  return "$code"
}

out=$(tool --window get Anything); code=$?
check "--window with no window: exit code" "1" "$code"
check "--window with no window: message" "tallowby-settings: no Tallowby window is running" "$out"

wine "$program_exe" >"$artifacts/$test_name.log" 2>&1 &
window=$(find_window Form1)
[ -n "$window" ] && pass || { fail "no window named Form1 appeared"; report "$test_name"; exit 1; }
# The window publishes itself right after it is made.
for _ in $(seq 100); do tool --window get Ready >/dev/null && break; sleep 0.1; done
check "the window made no settings file" "absent" "$([ -e "$settings" ] && echo present || echo absent)"

# The tool through the window.
check "set through the window" "0" "$(tool --window set Colour 'bleu ciel' >/dev/null; echo $?)"
check "get through the window" "bleu ciel" "$(tool --window get Colour)"
check "get of an absent key gives the default" "none" "$(tool --window get Absent none)"

# A click, then the sample from outside: "1" stored, the box still checked.
sleep 1
window_geometry "$window"
grab_check1 unchecked
# ROLE_SYSTEM_CHECKBUTTON is 44.
msaa() { wine "$msaa_exe" >"$work/msaa.out" 2>&1; tr -d '\r' <"$work/msaa.out"; }
check "MSAA before the click" "role=44 name=Check1 checked=0" "$(msaa)"
click_check1 "$window"
grab_check1 clicked
check "MSAA after the click" "role=44 name=Check1 checked=1" "$(msaa)"
check "sample through the window" "0" "$(tool --window sample >/dev/null; echo $?)"
grab_check1 after-sample
[ "$(pixels_differ unchecked clicked)" -gt 10 ] && pass || fail "the click did not check the box"
check "the call changed nothing on screen" "0" "$(pixels_differ clicked after-sample)"
check "the file holds the sample" "yes" \
  "$(grep -q '^Check1Value=1' "$settings" && grep -q '^Check1Name=First Check Box' "$settings" && echo yes || echo no)"

# What a setup program registers: the ProgID, and the type library that
# lets IForm1 itself cross processes (calls by name need neither).
clsid='{2FF3F7EE-8240-4F18-BB80-C6F1219EC4FD}' iid='{E2CDA326-0629-4B98-808D-6318A7A364F4}'
libid='{6BE54892-0990-43E4-821D-1E54F4186ED4}'
reg_add() { wine reg add "$@" /f >/dev/null 2>&1 || fail "reg add $1"; }
reg_add 'HKCR\Tallowby.Form1\CLSID' /ve /d "$clsid"
reg_add "HKCR\\Interface\\$iid\\ProxyStubClsid32" /ve /d '{00020424-0000-0000-C000-000000000046}'
reg_add "HKCR\\Interface\\$iid\\TypeLib" /ve /d "$libid"
reg_add "HKCR\\Interface\\$iid\\TypeLib" /v Version /d 1.0
reg_add "HKCR\\TypeLib\\$libid\\1.0\\0\\$WINEARCH" /ve /d "$(winepath -w "$program_exe")"

# A C++ client, early and late bound.
wine "$client_exe" >"$artifacts/$test_name-client.log" 2>&1
check "C++ COM client (see $test_name-client.log)" "0" "$?"

# Scripts, as a user writes them.
cat >"$WINEPREFIX/drive_c/drive.vbs" <<'VBS'
Set form = CreateObject("Tallowby.Form1")
form.InYourVBApp
WScript.Echo "value=" & form.ProfileSettingGet("Check1Value", "0")
WScript.Echo "default=" & form.ProfileSettingGet("NoSuchKey", "fallback")
VBS
cat >"$WINEPREFIX/drive_c/refused.vbs" <<'VBS'
On Error Resume Next
Set form = CreateObject("Tallowby.Form1")
form.ProfileSettingSave "Blocked", "x"
WScript.Echo "error=" & Hex(Err.Number) & " " & Err.Description
VBS
script=$(wine cscript //nologo 'C:\drive.vbs' >"$work/script.out" 2>&1; tr -d '\r' <"$work/script.out")
echo "$script" >"$artifacts/$test_name-vbscript.log"
check "VBScript: InYourVBApp then ProfileSettingGet" "value=1" "$(grep '^value=' <<<"$script")"
check "VBScript: the default" "default=fallback" "$(grep '^default=' <<<"$script")"
# A folder in the file's place: the platform refuses the write.
mv "$settings" "$work/kept.ini" && mkdir "$settings"
script=$(wine cscript //nologo 'C:\refused.vbs' >"$work/script.out" 2>&1; tr -d '\r' <"$work/script.out")
echo "$script" >>"$artifacts/$test_name-vbscript.log"
check "VBScript: refused save" "error=80070005 access denied (0x80070005)" "$(grep '^error=' <<<"$script")"
out=$(tool --window set Blocked x); code=$?
check "tool: refused save exit code" "1" "$code"
check "tool: refused save message" \
  'tallowby-settings: the window cannot save C:\MyExcelSettings.ini: access denied (0x80070005)' "$out"
rmdir "$settings" && mv "$work/kept.ini" "$settings"

# Other programs reach it only through the session's own channels.
unix_pid=$(pgrep -x Tallowby.exe | head -n 1)
sockets=$(bash "$here/inet_sockets.sh" "$unix_pid")
check "network sockets held by the program" "0" "$sockets"

/usr/bin/python3 "$here/close_window.py" "$window"
for _ in $(seq 100); do pgrep -x Tallowby.exe >/dev/null || break; sleep 0.1; done
check "the program ended" "ended" "$(pgrep -x Tallowby.exe >/dev/null && echo running || echo ended)"
out=$(tool --window get Colour); code=$?
check "after closing: exit code" "1" "$code"
check "after closing: message" "tallowby-settings: no Tallowby window is running" "$out"

report "$test_name"
