#!/usr/bin/env bash
# Builds the code-page test programs into WORK_DIR when their source is
# newer: the Windows probes with mingw-w64, the Linux one with g++.
# usage: build_tools.sh WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1
mkdir -p "$work"
flags=(-std=c++20 -O2 -Wall -Wextra -Werror)
tables=$here/../../platform/linux/codepages
build() { # build COMPILER OUTPUT SOURCE [EXTRA...]
  local cxx=$1 out=$work/$2 src=$here/$3
  shift 3
  if [ ! -f "$out" ] || [ "$src" -nt "$out" ] || [ "$tables/Corrections.h" -nt "$out" ]; then
    "$cxx" "${flags[@]}" -o "$out" "$src" "$@"
  fi
}
build i686-w64-mingw32-g++ AcpProbe.exe AcpProbe.cpp -static
build i686-w64-mingw32-g++ PlatformTable.exe PlatformTable.cpp -static
build g++ IconvTable IconvTable.cpp -I"$here/../.."
build i686-w64-mingw32-g++ ProfileProbe.exe ProfileProbe.cpp -static
# The tables' headers compile on their own, warnings as errors.
for header in LocaleCodePages.h Corrections.h; do
  echo "#include \"platform/linux/codepages/$header\"" |
    g++ "${flags[@]}" -fsyntax-only -I"$here/../.." -x c++ -
done
