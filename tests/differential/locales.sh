#!/usr/bin/env bash
# The differential test in a locale of each kind of ANSI code page, both
# builds in the same locale, the generator drawing names and values from
# that page: seeds FIRST to LAST in each.
# usage: locales.sh NATIVE WINDOWS_EXE WORK FIRST LAST
set -u
here=$(cd "$(dirname "$0")" && pwd)
native=$1 windows=$2 work=$(realpath -m "$3") first=$4 last=$5
mkdir -p "$work"
. "$here/../support/windows-build.sh"
skip_unless_runnable "$windows"
failed=0
for entry in ru_RU.UTF-8=1251 el_GR.UTF-8=1253 ja_JP.UTF-8=932 zh_CN.UTF-8=936; do
  loc=${entry%=*} page=${entry#*=}
  echo "== $loc, code page $page"
  # A locale glibc lacks falls back to C on both sides, and they would agree.
  if LC_ALL=$loc locale 2>&1 >/dev/null | grep -q .; then
    echo "FAIL $loc is not generated (tests/codepage/make_locales.sh)"; failed=1; continue
  fi
  LANG=$loc LC_ALL= LC_CTYPE= TALLOWBY_CODE_PAGE=$page TALLOWBY_WINEPREFIX=$work/wine \
    bash "$here/compare.sh" "$native" "$windows" "$work/${loc%%.*}" "$first" "$last" || failed=1
done
exit "$failed"
