#!/usr/bin/env bash
# Double-byte code pages through the store, in ja_JP, zh_CN, ko_KR and zh_TW
# locales: long values of double-byte characters read back whole, their
# bytes in the file are the code page's, characters whose trail byte is
# "\", "[" or "]" pass in keys and values, and the longest text a save takes
# counts bytes. With two tools, each reads what the other saved, and the
# same saves leave the same bytes. First, what the platform itself does at
# a read buffer's edge, which the rule for the count rests on.
# usage: two_byte_check.sh WORK_DIR WINDOWS_TOOL [NATIVE_TOOL]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1") windows=$2 native=${3:-}
bash "$here/build_tools.sh" "$work" || exit 1
prefix=$work/two-byte-prefix
. "$here/../support/windows-build.sh"
windows_build_env "$windows"
LANG=C.UTF-8 use_prefix "$prefix"
trap 'wineserver -k 2>/dev/null || true' EXIT
ini=$prefix/drive_c/MyExcelSettings.ini
probe_ini=$prefix/drive_c/probe.ini

passed=0 failed=0
check() { # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi
}
repeat() { local s= i; for ((i = 0; i < $2; i++)); do s+=$1; done; printf '%s' "$s"; }

# locale, code page, a character, characters whose trail byte is "[", "\"
# and "]" (949 has none: its trail bytes are letters and 0x81-0xFE).
cases=(
  "ja_JP.UTF-8 932 日 ーソ‐表Ы"
  "zh_CN.UTF-8 936 中 乕乗乚"
  "ko_KR.UTF-8 949 한 갂괔"
  "zh_TW.UTF-8 950 中 Ωα（"
)
for c in "${cases[@]}"; do
  read -r loc page one edge <<< "$c"
  if LC_ALL=$loc locale 2>&1 >/dev/null | grep -q .; then
    check "$loc is generated (run make_locales.sh)" yes no; continue
  fi
  probe() { LANG=$loc wine "$work/ProfileProbe.exe" 'C:\probe.ini' "$@" | tr -d '\r'; }
  hex() { printf '%s' "$1" | iconv -f UTF-8 -t "CP$page" | od -An -v -tx1 | tr -d ' \n' | tr a-f A-F; }

  # The platform: 'a' and 127 double-byte characters is 255 bytes; a buffer
  # of 255 holds 254, which would cut the last character. The count says
  # 254, yet the platform writes only the 253 bytes of whole characters.
  value="a$(repeat "$one" 127)"
  printf '[ExcelData]\r\nK=%s\r\n' "$(printf '%s' "$value" | iconv -f UTF-8 -t "CP$page")" > "$probe_ini"
  read -r _ count bytes <<< "$(probe get K 255)"
  whole=$(hex "a$(repeat "$one" 126)")
  check "$page: the count at the edge is the buffer's size less one" 254 "$count"
  check "$page: no character is cut in two at the edge" "${whole}7F00" "$bytes"
  read -r _ count bytes <<< "$(probe get K 256)"
  check "$page: a buffer one byte longer holds the value" "255 $(hex "$value")00" "$count $bytes"

  for tool in "$windows" $native; do
    if [[ $tool == *.exe ]]; then run() { LANG=$loc wine "$tool" "$@" 2>&1 | tr -d '\r'; }
    else run() { LANG=$loc TALLOWBY_PREFIX=$prefix "$tool" "$@" 2>&1; }; fi
    name=$page:$(basename "$tool")
    rm -f "$ini"
    for n in 1 127 128 200 1000; do
      value=$(repeat "$one" "$n")
      run set "K$n" "$value" >/dev/null
      check "$name: $n double-byte characters read back whole" "$value" "$(run get "K$n")"
    done
    value="$(repeat "$edge" 100)a$(repeat "$edge" 30)"
    run set "$edge" "$value" >/dev/null
    check "$name: trail bytes 5B-5D in key and value" "$value" "$(run get "$edge")"
    check "$name: the file holds the code page's bytes" \
      "$(hex "$edge=$value")" "$(grep -aF "$(printf '%s=' "$edge" | iconv -f UTF-8 -t "CP$page")" "$ini" | tr -d '\r\n' | od -An -v -tx1 | tr -d ' \n' | tr a-f A-F)"
    value=$(repeat "$one" 16383)
    run set Long "$value" >/dev/null
    check "$name: 32766 bytes are saved" "$value" "$(run get Long)"
    run set Longer "a$value" >/dev/null
    check "$name: 32767 bytes are refused" "" "$(run get Longer)"
  done

  if [ -n "$native" ]; then
    rm -f "$ini"
    value="$(repeat "$edge" 200)$one"
    LANG=$loc wine "$windows" set A "$value" >/dev/null 2>&1
    check "$page: linux reads what windows saved" "$value" "$(LANG=$loc TALLOWBY_PREFIX=$prefix "$native" get A)"
    LANG=$loc TALLOWBY_PREFIX=$prefix "$native" set B "$value"
    check "$page: windows reads what linux saved" "$value" "$(LANG=$loc wine "$windows" get B 2>/dev/null | tr -d '\r')"
  fi
done

echo "two-byte: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
