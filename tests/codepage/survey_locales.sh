#!/usr/bin/env bash
# Asks the platform under Wine which ANSI code page each locale name gives.
# Every name is made a valid locale for glibc (a copy of C.UTF-8 under that
# name, through LOCPATH), so only the name decides, as it does for Wine.
# usage: survey_locales.sh PROBE_EXE WORK_DIR [NAME...]
# The default names: every UTF-8 locale glibc supports, and each language
# alone. Prints "NAME CODE_PAGE WINDOWS_LOCALE" per name.
set -euo pipefail
probe=$(realpath "$1") work=$(realpath -m "$2")
shift 2

if [ "$#" -gt 0 ]; then
  names=("$@")
else
  mapfile -t names < <(
    awk '$2 == "UTF-8" && $1 != "C.UTF-8" {
           n = $1; mod = ""
           if (i = index(n, "@")) { mod = substr(n, i); n = substr(n, 1, i - 1) }
           sub(/\.UTF-8$/, "", n)
           print n ".UTF-8" mod
           split(n, part, "_"); print part[1] ".UTF-8" mod
         }' /usr/share/i18n/SUPPORTED | sort -u)
fi

locales=$work/survey-locales
mkdir -p "$locales"
for n in "${names[@]}"; do
  [ -d "$locales/$n" ] || cp -r /usr/lib/locale/C.utf8 "$locales/$n"
done

. "$(dirname "$0")/../support/windows-build.sh"
windows_build_env "$probe"
LANG=C.UTF-8 use_prefix "$work/survey-prefix"
# One server for all the runs; it leaves when the last one ends.
wineserver -p5
for n in "${names[@]}"; do
  printf '%s %s\n' "$n" "$(env -u LC_ALL -u LC_CTYPE LOCPATH="$locales" LANG="$n" wine "$probe" | tr -d '\r')"
done
