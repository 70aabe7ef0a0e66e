#!/usr/bin/env bash
# glyph-export.exe drives the plug-in DLLs under Wine: begin, capture and finish run, and
# a refused second object is reported.
set -u
win=$1 native=$2 src=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
work=$(mktemp -d /tmp/gx-wine-smoke-XXXXXX)
trap 'rm -rf "$work"; [ -z "${GX_WINEPREFIX:-}" ] && rm -rf "$WINEPREFIX"' EXIT
WINE=$(wine_for "$win/glyph-export.exe")
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }

for kind in ttf type1; do
  ext=$([ $kind = ttf ] && echo ttf || echo pfb)
  $WINE "$win/glyph-export.exe" --config "$(winpath "$work/s.ini")" $kind \
    "$(winpath "$work/one.$ext")" "$(winpath "$src/examples/square.outline")" \
    >"$work/out" 2>"$work/err"
  rc=$?
  check "$kind: one closed object exports (exit $rc: $(head -c 300 "$work/err"))" '[ $rc = 0 ] || [ $rc = 3 ]'
  $WINE "$win/glyph-export.exe" --config "$(winpath "$work/s.ini")" $kind \
    "$(winpath "$work/two.$ext")" "$(winpath "$src/examples/two-objects.outline")" \
    >"$work/out" 2>"$work/err"
  rc=$?
  check "$kind: a second object is refused" '[ $rc = 1 ]'
  check "$kind: the refusal is reported" 'grep -q "Too many objects to export" "$work/err"'
done
exit $fail
