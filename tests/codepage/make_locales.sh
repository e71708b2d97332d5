#!/usr/bin/env bash
# Generates the UTF-8 locales that the code-page tests run under: one for
# each Windows ANSI code page, and one for each row of the locale table.
# Wine picks its ANSI code page from the process's locale, and a locale
# glibc has not generated falls back to C, that is to 1252.
# usage: make_locales.sh [LOCALE...]   (as root; the default is every one)
# Keeps locales already generated, so running it again is cheap.
set -euo pipefail
cd "$(dirname "$0")"

if [ "$#" -gt 0 ]; then
  wanted=("$@")
else
  mapfile -t wanted < <(grep -v '^#' locales.txt | awk 'NF { print $1 }')
fi

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -E bash "$0" "${wanted[@]}"
fi

missing=()
for l in "${wanted[@]}"; do
  if ! grep -qx "$l UTF-8" /usr/share/i18n/SUPPORTED; then
    echo "make_locales: glibc has no locale $l" >&2
    exit 1
  fi
  # Enables the commented-out line, or adds one.
  if ! grep -qx "$l UTF-8" /etc/locale.gen; then
    if grep -qx "# $l UTF-8" /etc/locale.gen; then
      sed -i "s/^# $l UTF-8\$/$l UTF-8/" /etc/locale.gen
    else
      echo "$l UTF-8" >> /etc/locale.gen
    fi
  fi
  locale -a | grep -qix "$(echo "$l" | sed 's/\.UTF-8/.utf8/')" || missing+=("$l")
done

if [ "${#missing[@]}" -gt 0 ]; then
  locale-gen --keep-existing
fi
