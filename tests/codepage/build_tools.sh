#!/usr/bin/env bash
# Builds the code-page test programs into WORK_DIR when their source is
# newer: the Windows probes with mingw-w64 (TALLOWBY_MINGW_CXX, the 32-bit
# compiler unless it names another), the Linux one with g++.
# usage: build_tools.sh WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1
mkdir -p "$work"
flags=(-std=c++20 -O2 -Wall -Wextra -Werror)
linux=$here/../../platform/linux/codepage
tables=$linux/tables
build() { # build COMPILER OUTPUT SOURCE [EXTRA...]
  local cxx=$1 out=$work/$2 src=$here/$3 newer=0 dep
  shift 3
  for dep in "$src" "$tables/Corrections.h" "$tables/LocaleCodePages.h" "$linux/AnsiCodec.h" "$linux/AnsiCodec.cpp"; do
    [ "$dep" -nt "$out" ] && newer=1
  done
  if [ ! -f "$out" ] || [ "$newer" -eq 1 ]; then
    "$cxx" "${flags[@]}" -o "$out" "$src" "$@"
  fi
}
mingw=${TALLOWBY_MINGW_CXX:-i686-w64-mingw32-g++}
# Probes built by another compiler (the other Windows build's) are built again.
if [ "$(cat "$work/mingw-compiler" 2>/dev/null)" != "$mingw" ]; then
  rm -f "$work"/*.exe
  echo "$mingw" >"$work/mingw-compiler"
fi
build "$mingw" AcpProbe.exe AcpProbe.cpp -static
build "$mingw" PlatformTable.exe PlatformTable.cpp -static
# The Linux one converts with the Linux build's codec.
build g++ IconvTable IconvTable.cpp "$linux/AnsiCodec.cpp" -I"$here/../.."
build "$mingw" ProfileProbe.exe ProfileProbe.cpp -static
# The tables' headers compile on their own, warnings as errors.
for header in LocaleCodePages.h Corrections.h; do
  echo "#include \"platform/linux/codepage/tables/$header\"" |
    g++ "${flags[@]}" -fsyntax-only -I"$here/../.." -x c++ -
done
