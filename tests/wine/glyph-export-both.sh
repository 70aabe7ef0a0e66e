#!/usr/bin/env bash
# glyph-export as e2e.sh sees it on Windows: the Windows build runs under Wine on the real
# working folder (so its dialogs are played through their windows) and the Linux build on
# a copy of the folder as it stood; every file the two leave different is logged.
# Environment (from e2e-wine.sh): GX_WIN_EXE, GX_NATIVE, GX_MIRROR, GX_DIFF_LOG, GX_WINE.
set -u
here=$(cd "$(dirname "$0")" && pwd)
winpath() { echo "Z:${1//\//\\}"; }
cwd=$PWD
if [ "${1:-}" = info ]; then exec "$GX_NATIVE" "$@"; fi
rm -rf "$GX_MIRROR" && mkdir -p "$GX_MIRROR" && cp -a "$cwd/." "$GX_MIRROR/"
native=() windows=()
for a in "$@"; do
  case $a in
    "$cwd"/*) native+=("$GX_MIRROR/${a#"$cwd"/}") ;;
    *) native+=("$a") ;;
  esac
  case $a in
    /*) windows+=("$(winpath "$a")") ;;
    *) windows+=("$a") ;;
  esac
done
(cd "$GX_MIRROR" && "$GX_NATIVE" "${native[@]}") >"$GX_MIRROR.out" 2>&1
rc_native=$?
timeout 120 $GX_WINE "$GX_WIN_EXE" "${windows[@]}"
rc=$?
if [ $rc != $rc_native ]; then echo "$*: exit $rc on Windows, $rc_native on Linux" >>"$GX_DIFF_LOG"; fi
# The output files of e2e.sh itself and the INI (written by each system's own profile
# functions) are no export's result.
diff -rq -x out -x err -x check -x '*.ini' "$cwd" "$GX_MIRROR" >"$GX_MIRROR.diff" 2>&1 ||
  { echo "$*:"; cat "$GX_MIRROR.diff"; } >>"$GX_DIFF_LOG"
exit $rc
