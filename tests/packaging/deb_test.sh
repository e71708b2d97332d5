#!/usr/bin/env bash
# The Debian package as a person meets it: built from the optimised build,
# installed with dpkg, every file in place, the tool working from /usr/bin
# without loading Qt, its bash completion found by bash-completion,
# the window shown by /usr/bin/tallowby and started by a D-Bus call when none
# is open, the desktop entry, metainfo and package clean under their
# validators, and nothing of it left once it is removed and purged.
# Installs on this machine, so it needs root; it removes the package again
# at the end, also on failure, and refuses to run if tallowby is installed.
# usage: deb_test.sh BUILD_DIR ARTIFACTS
set -u
build=$(cd "$1" && pwd) artifacts=$2
here=$(cd "$(dirname "$0")/../e2e" && pwd)
test_name=deb
. "$here/xsession.sh"
mkdir -p "$artifacts"

known() { dpkg -s tallowby >/dev/null 2>&1 && echo known || echo unknown; }
if [ "$(id -u)" -ne 0 ]; then
  fail "dpkg needs root"
  report deb
  exit 1
fi
if [ "$(known)" = known ]; then
  fail "tallowby is already known to dpkg; remove it first (dpkg -P tallowby)"
  report deb
  exit 1
fi

work=$(mktemp -d)
ours=0 bus_session= started= owner=
cleanup() {
  kill $started $owner $bus_session 2>/dev/null
  stop_x_session
  wait 2>/dev/null
  [ "$ours" -eq 1 ] && dpkg -P tallowby >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# Whatever the programs write goes to the test's own folders.
export TALLOWBY_PREFIX=$work/prefix HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

# Build it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
package=$work/package/tallowby_${version}_amd64.deb
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$artifacts/deb-cpack.log" 2>&1
check "cpack writes tallowby_${version}_amd64.deb" "yes" "$([ -f "$package" ] && echo yes || echo no)"
if [ ! -f "$package" ]; then
  report deb
  exit 1
fi
cp "$package" "$artifacts/"
check "package name" "tallowby" "$(dpkg-deb -f "$package" Package)"
check "package version" "$version" "$(dpkg-deb -f "$package" Version)"
check "architecture" "amd64" "$(dpkg-deb -f "$package" Architecture)"
depends=$(dpkg-deb -f "$package" Depends)
for library in libc6 libqt6widgets6 libqt6dbus6; do
  [[ $depends == *"$library "* ]] && pass || fail "computed dependencies lack $library: $depends"
done

# What was on the machine before, so that removal can be judged.
dpkg-deb -c "$package" | awk '{print substr($6, 2)}' | sed 's|/$||' | grep -v '^$' >"$work/contents.txt"
while read -r path; do [ -e "$path" ] && echo "$path"; done <"$work/contents.txt" >"$work/existed.txt"

# Install it.
dpkg -i "$package" >"$artifacts/deb-install.log" 2>&1
check "dpkg -i" "0" "$?"
ours=1
check "dpkg's state of tallowby" "installed" "$(dpkg-query -W -f='${db:Status-Status}' tallowby 2>&1)"
dpkg -L tallowby >"$work/listed.txt"
for path in /usr/bin/tallowby /usr/bin/tallowby-settings \
  /usr/share/applications/org.tallowby.Tallowby.desktop \
  /usr/share/icons/hicolor/{16x16,32x32,64x64,128x128}/apps/org.tallowby.Tallowby.png \
  /usr/share/metainfo/org.tallowby.Tallowby.metainfo.xml \
  /usr/share/man/man1/tallowby.1.gz /usr/share/man/man1/tallowby-settings.1.gz \
  /usr/share/dbus-1/services/org.tallowby.Tallowby.service \
  /usr/share/bash-completion/completions/tallowby-settings /usr/lib/x86_64-linux-gnu/tallowby/libtallowby-window-client.so \
  /usr/share/doc/tallowby/copyright /usr/share/doc/tallowby/changelog.gz; do
  grep -qx "$path" "$work/listed.txt" && [ -f "$path" ] && pass || fail "$path is not installed"
done
missing=$(while read -r path; do [ -e "$path" ] || echo "$path"; done <"$work/listed.txt")
check "every path dpkg lists is on disk" "" "$missing"
check "only root can change the programs" "755 root" "$(stat -c '%a %U' /usr/bin/tallowby)"

# The desktop entry names what is installed.
entry=/usr/share/applications/org.tallowby.Tallowby.desktop
icon=$(sed -n 's/^Icon=//p' "$entry")
for size in 16 32 64 128; do
  check "icon of ${size}x$size" "${size}x$size" \
    "$(identify -format '%wx%h' "/usr/share/icons/hicolor/${size}x$size/apps/$icon.png" 2>&1)"
done
check "the entry's command" "/usr/bin/tallowby" "$(command -v "$(sed -n 's/^Exec=//p' "$entry")")"
check "the service's command" "Exec=/usr/bin/tallowby" \
  "$(grep '^Exec=' /usr/share/dbus-1/services/org.tallowby.Tallowby.service)"
man -w tallowby-settings >"$work/man-path.txt" 2>&1
check "man finds tallowby-settings(1)" "/usr/share/man/man1/tallowby-settings.1.gz" "$(cat "$work/man-path.txt")"
MANWIDTH=80 man --warnings=w -l /usr/share/man/man1/tallowby-settings.1.gz >"$artifacts/deb-man.txt" 2>"$work/man-warnings.txt"
check "tallowby-settings(1) renders without warnings" "" "$(cat "$work/man-warnings.txt")"

# The tool from /usr/bin.
check "--version" "tallowby-settings $version" "$(/usr/bin/tallowby-settings --version)"
/usr/bin/tallowby-settings set Colour "blue é"
check "set exits 0" "0" "$?"
check "get reads it back" "blue é" "$(/usr/bin/tallowby-settings get Colour)"
check "get of an absent key" "fallback" "$(/usr/bin/tallowby-settings get Size fallback)"
LC_ALL=C grep -q '^Colour=blue' "$TALLOWBY_PREFIX/drive_c/MyExcelSettings.ini" 2>/dev/null && pass ||
  fail "no Colour line in \$TALLOWBY_PREFIX/drive_c/MyExcelSettings.ini"
/usr/bin/tallowby-settings set Size 12
check "list" "Colour=blue é
Size=12" "$(/usr/bin/tallowby-settings list)"
check "delete" "Size=12" "$(/usr/bin/tallowby-settings delete Colour && /usr/bin/tallowby-settings list)"
# The libraries a get loads, dlopen included: no Qt, no ICU.
LD_DEBUG=files /usr/bin/tallowby-settings get Size >/dev/null 2>"$work/loaded.txt"
check "a get loads neither Qt nor ICU" "" "$(grep -oE 'file=[^ ]*(Qt|icu)[^ ]*' "$work/loaded.txt" | sort -u)"

# The completion, as bash-completion loads it on first use (its loader
# answers 124: "try again, now that it is there").
completion() { # WORDS...: what completing the last word offers
  bash -c '. /usr/share/bash-completion/bash_completion; _completion_loader tallowby-settings
    [ "$(complete -p tallowby-settings)" = "complete -F _tallowby_settings tallowby-settings" ] || exit 1
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)); _tallowby_settings tallowby-settings; echo "${COMPREPLY[*]}"' \
    - "$@" 2>&1
}
check "completion of the commands" "get set sample list delete --window --help --version" \
  "$(completion tallowby-settings '')"
check "completion of the keys after get" "Size" "$(completion tallowby-settings get S)"
check "completion through the window" "get set sample" "$(completion tallowby-settings --window '')"

# Validators: desktop entry, AppStream metadata, the package.
desktop-file-validate "$entry" >"$work/desktop.txt" 2>&1
check "desktop-file-validate: exit code" "0" "$?"
check "desktop-file-validate: remarks" "" "$(cat "$work/desktop.txt")"
appstreamcli validate --pedantic --no-net /usr/share/metainfo/org.tallowby.Tallowby.metainfo.xml \
  >"$artifacts/deb-appstream.txt" 2>&1
check "appstreamcli validate: exit code" "0" "$?"
# The id's capitals are kept: it is the window's bus name too.
check "appstreamcli validate: remarks" "" \
  "$(grep -E '^ *[EWIP]: ' "$artifacts/deb-appstream.txt" | grep -v 'cid-contains-uppercase-letter')"
lintian --fail-on error,warning --pedantic --info "$package" >"$artifacts/deb-lintian.txt" 2>&1
check "lintian: no error or warning" "0" "$?"
check "lintian: tags" "" "$(grep -E '^[EW]: ' "$artifacts/deb-lintian.txt")"

# The window, in a real X server, on a session bus of the test's own (which
# reads the service file when it starts, so after the install).
start_x_session
dbus-run-session -- sh -c 'echo "$$ $DBUS_SESSION_BUS_ADDRESS" >"$1.new" && mv "$1.new" "$1" && exec sleep 600' \
  - "$work/bus" 2>"$artifacts/deb-bus.log" &
for _ in $(seq 100); do [ -f "$work/bus" ] && break; sleep 0.1; done
read -r bus_session DBUS_SESSION_BUS_ADDRESS <"$work/bus"
export DBUS_SESSION_BUS_ADDRESS
bus_owner() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetConnectionUnixProcessID org.tallowby.Tallowby 2>/dev/null |
    sed -n 's/^(uint32 \([0-9]*\),)$/\1/p'
}

/usr/bin/tallowby >"$artifacts/deb-tallowby.log" 2>&1 &
started=$!
window=$(find_window Form1)
check "/usr/bin/tallowby shows Form1" "yes" "$([ -n "$window" ] && echo yes || echo no)"
if [ -n "$window" ]; then
  check "window class, as StartupWMClass names it" "$(sed -n 's/^StartupWMClass=//p' "$entry")" \
    "$(xprop -id "$window" WM_CLASS | sed -n 's/.*, "\([^"]*\)"$/\1/p')"
  import -window root "$artifacts/deb-window.png"
  /usr/bin/python3 "$here/close_window.py" "$window"
  code="still running"
  for _ in $(seq 100); do
    if ! kill -0 "$started" 2>/dev/null; then wait "$started"; code=$?; break; fi
    sleep 0.1
  done
  check "closing it ends /usr/bin/tallowby" "0" "$code"
fi
started=

check "no window owns the bus name now" "" "$(bus_owner)"
answer=$(gdbus call --session --dest org.tallowby.Tallowby --object-path /org/tallowby/Tallowby/Form1 \
  --method org.tallowby.Tallowby.Form1.ProfileSettingGet Key Default 2>&1)
check "a call with no window open starts one, which answers" "('Default',)" "$answer"
window=$(find_window Form1)
check "the started window shows" "yes" "$([ -n "$window" ] && echo yes || echo no)"
owner=$(bus_owner)
check "the name's owner runs" "/usr/bin/tallowby" "$([ -n "$owner" ] && readlink "/proc/$owner/exe")"
check "tallowby-settings --window reaches it" "Default" "$(/usr/bin/tallowby-settings --window get Key Default 2>&1)"
[ -n "$window" ] && import -window root "$artifacts/deb-activated.png"
kill $owner $bus_session 2>/dev/null
owner= bus_session=
stop_x_session
wait 2>/dev/null

# Remove it, purge it: nothing of it is left.
dpkg -r tallowby >>"$artifacts/deb-install.log" 2>&1
check "dpkg -r" "0" "$?"
left=$(while read -r path; do
  [ -e "$path" ] && ! grep -qxF "$path" "$work/existed.txt" && echo "$path"
done <"$work/contents.txt")
check "after dpkg -r, paths of the package left" "" "$left"
dpkg -P tallowby >>"$artifacts/deb-install.log" 2>&1
check "dpkg -P" "0" "$?"
ours=0
check "dpkg knows tallowby no longer" "unknown" "$(known)"

report deb
