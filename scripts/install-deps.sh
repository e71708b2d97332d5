#!/usr/bin/env bash
# Installs, from Debian's packages, what the project needs:
#   install-deps.sh run    what building and starting the optimised Linux
#                          window needs (the run command)
#   install-deps.sh [test] that and everything the builds, tests and the
#                          benchmark need (the test command)
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -E bash "$0" "$@"
fi

export DEBIAN_FRONTEND=noninteractive
set_name=${1:-test}
case $set_name in
  run | test) ;;
  *) echo "usage: install-deps.sh [run|test]" >&2; exit 2 ;;
esac

# The compiler and build tools, Qt for the window, scdoc for the manual
# pages and python3 for the icons.
packages=(build-essential cmake ninja-build qt6-base-dev scdoc python3)

if [ "$set_name" = test ]; then
  # The i386 packages install on any amd64 host, also one that cannot run
  # them; 64-bit Wine and the x86-64 cross compiler serve the 64-bit build.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  packages+=(
    pkg-config git
    googletest libgtest-dev
    libsimpleini-dev libinih-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-i686 mingw-w64-i686-dev mingw-w64-tools libwine-dev:i386 nsis
    g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine32:i386 wine64
    dbus dbus-x11 libglib2.0-bin iproute2
    xvfb xauth xdotool imagemagick x11-utils openbox python3-xlib python3-pefile
    icoutils locales
    file desktop-file-utils appstream lintian man-db python3-pyatspi at-spi2-core bash-completion
    strace e2fsprogs mount util-linux
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locales the code-page tests run under, one for each ANSI code page;
# locales already generated are kept.
if [ "$set_name" = test ]; then
  bash "$(dirname "$0")/../tests/codepage/make_locales.sh"
fi
