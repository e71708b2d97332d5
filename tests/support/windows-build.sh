# Sourced by every script that runs the Windows build under Wine: the one
# place that knows which Wine runs which build, and whether this host can run
# 32-bit programs at all.
#
#   ia32_runs               true when this host starts 32-bit x86 programs.
#                           TALLOWBY_NO_IA32=1 says it does not, so either
#                           path can be tried on any machine.
#   host_kind               one line for people: which kind of host this is,
#                           and what shows it.
#   windows_build_preset    the Windows build the tests across both builds
#                           run: windows (32-bit, the program as shipped)
#                           where it can run, else windows64.
#   windows_build_env EXE   points Wine at EXE's processor: exports WINEARCH,
#                           the loader in TALLOWBY_WINE_LOADER, and the quiet
#                           settings every test uses. `wine`, `wineboot` and
#                           `winepath` then run on that loader.
#   use_prefix DIR          exports WINEPREFIX=DIR, made (again) unless it
#                           is already a prefix of WINEARCH.
#   skip_unless_runnable EXE
#                           exits 77 (ctest's skip code) with one line that
#                           says why, when EXE is 32-bit and cannot run here.

TALLOWBY_WINE32=${TALLOWBY_WINE32:-/usr/lib/wine/wine}
TALLOWBY_WINE64=${TALLOWBY_WINE64:-/usr/lib/wine/wine64}

ia32_runs() {
  [ "${TALLOWBY_NO_IA32:-0}" != 1 ] && "$TALLOWBY_WINE32" --version >/dev/null 2>&1
}

host_kind() {
  local answer
  if [ "${TALLOWBY_NO_IA32:-0}" = 1 ]; then
    echo "64-bit programs only (TALLOWBY_NO_IA32=1)"
  elif answer=$("$TALLOWBY_WINE32" --version 2>&1); then
    echo "runs 32-bit x86 programs ($TALLOWBY_WINE32 --version: $answer)"
  else
    answer=${answer##*"$TALLOWBY_WINE32": } # the shell's own words about the loader
    echo "64-bit programs only ($TALLOWBY_WINE32 --version: ${answer:-no answer})"
  fi
}

windows_build_preset() {
  if ia32_runs; then echo windows; else echo windows64; fi
}

# The machine field of a PE file's header: 14c for x86, 8664 for x86-64.
pe_machine() {
  local at machine
  at=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((at + 4)) -N2 "$1" | tr -d ' ')
  printf '%x\n' "$((16#${machine:-0}))"
}

windows_build_env() {
  case $(pe_machine "$1") in
    # Debian's wine script sets WINELOADER when it runs the 64-bit loader.
    8664) export WINEARCH=win64 TALLOWBY_WINE_LOADER=$TALLOWBY_WINE64 WINELOADER=$TALLOWBY_WINE64 ;;
    14c) export WINEARCH=win32 TALLOWBY_WINE_LOADER=$TALLOWBY_WINE32 ;;
    *) echo "$1: not a Windows x86 or x86-64 program" >&2; return 1 ;;
  esac
  export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
}

use_prefix() {
  export WINEPREFIX=$1
  if ! grep -qx "#arch=$WINEARCH" "$WINEPREFIX/system.reg" 2>/dev/null; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1 && wineserver -w
  fi
}

skip_unless_runnable() {
  if [ "$(pe_machine "$1")" = 14c ] && ! ia32_runs; then
    echo "skipped: $(basename "$1") is a 32-bit x86 program, and this host runs 64-bit programs only"
    exit 77
  fi
}

# Debian's commands pick the 32-bit loader whenever it is installed, so each
# goes to the loader chosen above instead.
wine() { "$TALLOWBY_WINE_LOADER" "$@"; }
wineboot() { "$TALLOWBY_WINE_LOADER" wineboot "$@"; }
winepath() { "$TALLOWBY_WINE_LOADER" winepath "$@"; }
