#!/usr/bin/env bash
# One settings file shared by the Linux build and the Windows build under
# Wine: what either writes, the other reads alike, and the same operations
# leave the same bytes.
# usage: interplay.sh NATIVE_TOOL WINDOWS_TOOL WORK_DIR
set -u
native=$1 windows=$2 work=$3
prefix=$work/shared-prefix
other=$work/native-only
. "$(dirname "$0")/../support/windows-build.sh"
skip_unless_runnable "$windows"

windows_build_env "$windows"
rm -rf "$other"
use_prefix "$prefix"
ini=$prefix/drive_c/MyExcelSettings.ini
rm -f "$ini"

passed=0 failed=0
check() { # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi
}
lin() { TALLOWBY_PREFIX=$prefix "$native" "$@"; }
win() { wine "$windows" "$@" 2>/dev/null | tr -d '\r'; }

lin set Greeting 'café €5'
check "windows reads what linux wrote" 'café €5' "$(win get Greeting)"
win set Reply 'naïve 5€'
check "linux reads what windows wrote" 'naïve 5€' "$(lin get Reply)"
win sample
check "linux reads the sample windows recorded" 'First Check Box' "$(lin get Check1Name)"
check "linux reads the sample value" '1' "$(lin get Check1Value)"
lin set Reply changed
check "windows sees linux replace its key" 'changed' "$(win get Reply)"
check "windows falls back to the default" 'none' "$(win get Absent none)"

# The same operations from the same start leave the same bytes.
seed=$'; kept\r\n[ExcelData]\r\n  a  =  1  \r\n\r\n[Other]\nb=2\n'
run_all() { # run_all TOOL...
  "$@" set a ' x ' && "$@" set New 'v' && "$@" set b 3 && "$@" sample
}
printf '%s' "$seed" > "$ini"
run_all win >/dev/null
from_windows=$(od -c "$ini")
mkdir -p "$other/drive_c"
printf '%s' "$seed" > "$other/drive_c/MyExcelSettings.ini"
TALLOWBY_PREFIX=$other run_all "$native"
from_linux=$(od -c "$other/drive_c/MyExcelSettings.ini")
check "same operations leave the same file" "$from_windows" "$from_linux"

# The same in a locale of each kind of ANSI code page, both builds in the
# same locale: text in the locale's script, double-byte characters whose
# trail bytes are "\", "[", "]" or letters, and text the page lacks.
mixed='Zoë 日本 Москва Ωμέγα'
locales=(
  "ru_RU.UTF-8 1251 Москва Ключ"
  "el_GR.UTF-8 1253 Ωμέγα Κλειδί"
  "ja_JP.UTF-8 932 日本語テキスト ソ表ー‐アヂ"
  "zh_CN.UTF-8 936 中文字 乗乕乚丄乤"
)
for entry in "${locales[@]}"; do
  read -r loc page script key <<< "$entry"
  if LC_ALL=$loc locale 2>&1 >/dev/null | grep -q .; then
    check "$loc is generated (tests/codepage/make_locales.sh)" yes no; continue
  fi
  lin() { LANG=$loc LC_ALL= LC_CTYPE= TALLOWBY_PREFIX=$prefix "$native" "$@"; }
  win() { LANG=$loc LC_ALL= LC_CTYPE= wine "$windows" "$@" 2>/dev/null | tr -d '\r'; }
  rm -f "$ini"
  lin set "$key" "[$script] \\$key"
  check "$page: windows reads what linux wrote" "[$script] \\$key" "$(win get "$key")"
  win set "$script" "$key=$script"
  check "$page: linux reads what windows wrote" "$key=$script" "$(lin get "$script")"
  lin set Mixed "$mixed"
  from_linux=$(win get Mixed)
  win set Mixed "$mixed"
  check "$page: text the page lacks reads alike" "$from_linux" "$(lin get Mixed)"

  in_page() { printf '%s' "$1" | iconv -f UTF-8 -t "CP$page"; }
  seed="; $(in_page "$script")"$'\r\n[ExcelData]\r\n'"$(in_page "$key") = 1"$'\r\n'
  run_all() { # run_all TOOL...
    "$@" set "$key" "$script" && "$@" set "$script" " $key " && "$@" set Mixed "$mixed" && "$@" sample
  }
  printf '%s' "$seed" > "$ini"
  run_all win >/dev/null
  from_windows=$(od -c "$ini")
  rm -rf "$other"; mkdir -p "$other/drive_c"
  printf '%s' "$seed" > "$other/drive_c/MyExcelSettings.ini"
  LANG=$loc LC_ALL= LC_CTYPE= TALLOWBY_PREFIX=$other run_all "$native"
  check "$page: same operations leave the same file" "$from_windows" "$(od -c "$other/drive_c/MyExcelSettings.ini")"
done

echo "interplay: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
