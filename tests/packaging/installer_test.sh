#!/usr/bin/env bash
# The Windows setup program under Wine, as a user meets it: a silent install
# puts the files, the Start-menu shortcut and the registry keys in place;
# the installed program shows its window, and a script reaches it through
# CreateObject with no registration of its own, also when no window is
# open yet; a silent uninstall then leaves nothing but the user's settings
# file. Its own Wine prefix, ended with the test.
# usage: installer_test.sh ARTIFACTS WORK SETUP_EXE
set -u
artifacts=$1 work=$2 setup=$3
here=$(cd "$(dirname "$0")/../e2e" && pwd)
test_name=installer-wine
. "$here/xsession.sh"
. "$here/../support/windows-build.sh"
# The setup program and what it installs are 32-bit, as shipped.
skip_unless_runnable "$setup"
mkdir -p "$artifacts"

windows_build_env "$setup"
rm -rf "$work/wineprefix" && mkdir -p "$work"
cleanup() { wineserver -k 2>/dev/null; stop_x_session; wait 2>/dev/null; }
trap cleanup EXIT
use_prefix "$work/wineprefix"
# One server for the whole test: one started by a command in a pipeline
# would hold the pipe open.
wineserver -p
start_x_session

drive=$WINEPREFIX/drive_c
dir="$drive/Program Files/Tallowby"
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Tallowby.lnk"
clsid='{2FF3F7EE-8240-4F18-BB80-C6F1219EC4FD}' iid='{E2CDA326-0629-4B98-808D-6318A7A364F4}'
libid='{6BE54892-0990-43E4-821D-1E54F4186ED4}'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tallowby'
keys=("$uninstall_key" 'HKCR\Tallowby.Form1' "HKCR\\CLSID\\$clsid" "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid")
# What the prefix holds, less Wine's own housekeeping.
listing() { (cd "$drive" && find . -path ./windows -prune -o -path './users/*/Temp' -prune -o -print | sort); }
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v {$1=""; $2=""; sub(/^ +/, ""); print}'; }
default() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | awk '/REG_SZ/ {sub(/.*REG_SZ +/, ""); print}'; }
exists() { wine reg query "$1" >/dev/null 2>&1 && echo present || echo absent; }

listing >"$work/before.txt"
wine "$setup" /S
check "silent install: exit code" "0" "$?"

for f in Tallowby.exe tallowby-settings.exe Uninstall.exe; do
  check "installed $f" "present" "$([ -f "$dir/$f" ] && echo present || echo absent)"
done
check "Start-menu shortcut" "present" "$([ -f "$shortcut" ] && echo present || echo absent)"
check "Add/Remove: DisplayName" "Tallowby" "$(value "$uninstall_key" DisplayName)"
check "Add/Remove: DisplayVersion" "1.0.0.0" "$(value "$uninstall_key" DisplayVersion)"
check "Add/Remove: Publisher" "Tallowby" "$(value "$uninstall_key" Publisher)"
check "Add/Remove: DisplayIcon" '"C:\Program Files\Tallowby\Tallowby.exe",0' "$(value "$uninstall_key" DisplayIcon)"
check "Add/Remove: UninstallString" '"C:\Program Files\Tallowby\Uninstall.exe"' "$(value "$uninstall_key" UninstallString)"
size=$(value "$uninstall_key" EstimatedSize)
[ -n "$size" ] && [ $((size)) -gt 100 ] && pass || fail "Add/Remove: EstimatedSize in KB, got '$size'"
check "ProgID" "$clsid" "$(default 'HKCR\Tallowby.Form1\CLSID')"
check "server of the class" '"C:\Program Files\Tallowby\Tallowby.exe"' "$(default "HKCR\\CLSID\\$clsid\\LocalServer32")"
check "type library" 'C:\Program Files\Tallowby\Tallowby.exe' "$(default "HKCR\\TypeLib\\$libid\\1.0\\0\\win32")"
check "interface marshalled by the type library" "$libid" "$(default "HKCR\\Interface\\$iid\\TypeLib")"

cat >"$drive/drive.vbs" <<'VBS'
Set form = CreateObject("Tallowby.Form1")
form.InYourVBApp
WScript.Echo "value=" & form.ProfileSettingGet("Check1Value", "0")
VBS
# Through a file, not a pipe: a program COM starts would hold a pipe open.
run_script() {
  wine cscript //nologo 'C:\drive.vbs' >"$work/script.out" 2>&1
  tr -d '\r' <"$work/script.out" | grep '^value='
}

# The installed program, started as the shortcut starts it.
(wine "C:\\Program Files\\Tallowby\\Tallowby.exe"; echo "exit code $?") >"$artifacts/$test_name.log" 2>&1 &
window=$(find_window Form1)
[ -n "$window" ] && pass || fail "the installed program showed no window"
for _ in $(seq 100); do wine "$dir/tallowby-settings.exe" --window get x >/dev/null 2>&1 && break; sleep 0.1; done
check "VBScript reaches the open window" "value=1" "$(run_script)"
[ -n "$window" ] && /usr/bin/python3 "$here/close_window.py" "$window"
for _ in $(seq 100); do pgrep -x Tallowby.exe >/dev/null || break; sleep 0.1; done
check "closing the window ends the program" "ended" "$(pgrep -x Tallowby.exe >/dev/null && echo running || echo ended)"

# No window open: COM starts the program, as a click on the shortcut does.
rm -f "$drive/MyExcelSettings.ini"
check "VBScript starts the program when none runs" "value=1" "$(run_script)"
window=$(find_window Form1)
[ -n "$window" ] && pass || fail "the started program showed no window"
[ -n "$window" ] && /usr/bin/python3 "$here/close_window.py" "$window"
for _ in $(seq 100); do pgrep -x Tallowby.exe >/dev/null || break; sleep 0.1; done
rm -f "$drive/drive.vbs"

# The uninstaller runs from a copy of itself, which it starts and leaves.
wine "$dir/Uninstall.exe" /S
for _ in $(seq 300); do [ -e "$dir" ] || break; sleep 0.1; done
sleep 1
for f in Tallowby.exe tallowby-settings.exe Uninstall.exe; do
  check "uninstalled $f" "absent" "$([ -e "$dir/$f" ] && echo present || echo absent)"
done
check "install folder removed" "absent" "$([ -e "$dir" ] && echo present || echo absent)"
check "shortcut removed" "absent" "$([ -e "$shortcut" ] && echo present || echo absent)"
for key in "${keys[@]}"; do check "key removed: $key" "absent" "$(exists "$key")"; done
check "the user's settings file stays" "present" "$([ -f "$drive/MyExcelSettings.ini" ] && echo present || echo absent)"
listing >"$work/after.txt"
check "nothing else left in drive C" "./MyExcelSettings.ini" "$(comm -13 "$work/before.txt" "$work/after.txt" | tr '\n' ' ' | sed 's/ $//')"

report "$test_name"
