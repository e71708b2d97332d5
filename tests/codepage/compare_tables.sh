#!/usr/bin/env bash
# Compares the platform's conversions, under Wine, with glibc's iconv: every
# byte, every lead byte before every trail byte, and every UTF-16 unit, both
# ways, and strings drawn at random. Prints where iconv alone differs, then
# fails if iconv with the correction table differs anywhere at all.
# usage: compare_tables.sh WORK_DIR [PAGE... | --all]
# Without pages: the single-byte pages and 932; --all adds 936, 949, 950.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1")
shift
case "${1:-}" in
  "") pages=(874 1250 1251 1252 1253 1254 1255 1256 1257 1258 932)
      echo "the other double-byte pages: bash $0 $work --all" ;;
  --all) pages=(874 1250 1251 1252 1253 1254 1255 1256 1257 1258 932 936 949 950) ;;
  *) pages=("$@") ;;
esac
bash "$here/build_tools.sh" "$work"
out=$work/tables
mkdir -p "$out"

. "$here/../support/windows-build.sh"
skip_unless_runnable "$work/PlatformTable.exe"
windows_build_env "$work/PlatformTable.exe"
export LANG=C.UTF-8
use_prefix "$work/tables-prefix"
trap 'wineserver -k 2>/dev/null || true' EXIT

# Strings of the bytes and units where conversions go wrong: lead and trail
# bytes, line breaks, NUL, "=", "\", combining marks, surrogates.
strings() { # strings PAGE
  python3 - "$1" <<'PY'
import random, sys
r = random.Random(int(sys.argv[1]))
bytes_ = [0x00, 0x0A, 0x0D, 0x3D, 0x41, 0x5C, 0x5D, 0x7F, 0x80, 0x81, 0x8A, 0x93, 0x9F,
          0xA0, 0xA1, 0xC9, 0xCC, 0xDE, 0xE0, 0xF0, 0xF9, 0xFA, 0xFE, 0xFF]
units = [0x0041, 0x003D, 0x005C, 0x00A5, 0x00C3, 0x00E9, 0x0303, 0x0410, 0x03A9, 0x05D0,
         0x05B7, 0x0627, 0x0E01, 0x20AC, 0x3042, 0x65E5, 0xAC00, 0xE000, 0xF8F0, 0xD83D,
         0xDE00, 0xFF5E]
out = []
for _ in range(150):
    out.append("d:" + "".join(f"{r.choice(bytes_):02X}" for _ in range(r.randint(1, 12))))
    out.append("e:" + "".join(f"{r.choice(units):04X}" for _ in range(r.randint(1, 8))))
print(" ".join(out))
PY
}

failed=0
for page in "${pages[@]}"; do
  wine "$work/PlatformTable.exe" "$page" | tr -d '\r' > "$out/platform-$page.txt"
  mapfile -t leads < <(sed -n 's/^L //p' "$out/platform-$page.txt")
  "$work/IconvTable" raw "$("$work/IconvTable" name "$page")" "${leads[@]}" > "$out/iconv-$page.txt"
  python3 "$here/make_corrections.py" differences "$out" "$page"
  "$work/IconvTable" corrected "$page" > "$out/corrected-$page.txt"
  read -r -a samples <<< "$(strings "$page")"
  wine "$work/PlatformTable.exe" "$page" "${samples[@]}" | tr -d '\r' > "$out/platform-strings-$page.txt"
  "$work/IconvTable" corrected "$page" "${samples[@]}" > "$out/corrected-strings-$page.txt"
  for kind in "" strings-; do
    if ! diff "$out/platform-$kind$page.txt" "$out/corrected-$kind$page.txt" > "$out/diff-$kind$page.txt"; then
      failed=$((failed + 1))
      echo "FAIL $page: iconv with the corrections differs from the platform (${kind:-tables}):"
      head -n 10 "$out/diff-$kind$page.txt"
    fi
  done
done
echo "code pages: ${#pages[@]} compared, $failed differ"
[ "$failed" -eq 0 ]
