#!/usr/bin/env bash
# Symbol mode against the Windows font registry under Wine: a family a user installed
# for themself (HKEY_CURRENT_USER, full path) is found and extended; a family registered
# by a bare file name, as the fonts of the Windows fonts folder are, resolves to
# <Windows>\Fonts; after an export the family is registered.
# usage: font_registry.sh WIN_BIN NATIVE_BIN SOURCE_DIR
set -u
win=$1 native=$2 src=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
work=$(mktemp -d /tmp/gx-wine-registry-XXXXXX)
trap 'rm -rf "$work"; [ -z "${GX_WINEPREFIX:-}" ] && rm -rf "$WINEPREFIX"' EXIT
WINE=$(wine_for "$win/glyph-export.exe")
export SOURCE_DATE_EPOCH=1700000000
passed=0 failed=0
check() {
  if eval "$2"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAIL: $1"; failed=$((failed + 1)); fi
}
key='Software\Microsoft\Windows NT\CurrentVersion\Fonts'
ring=$(winpath "$src/examples/ring.svg")
printf '[Config]\r\nFontsDir=%s\r\n' "$(winpath "$work/new")" >"$work/host.ini"
mkdir -p "$work/new"
symbol() {  # FAMILY: one symbol-mode export of the ring
  $WINE "$win/glyph-export.exe" --config "$(winpath "$work/host.ini")" symbol "$1" "$ring" \
    >"$work/out" 2>&1
}
# A font with code 33 taken, made by the Linux build.
"$native/glyph-export" --config "$work/linux.ini" ttf "$work/seed.ttf" \
  "$src/examples/square.outline" --char 33 --family Seed --symbol >/dev/null 2>&1
codes() { "$native/glyph-export" info "$1" --json 2>/dev/null; }
has_code() { codes "$1" | grep -q "\"code\": $2,"; }
$WINE reg query "HKLM\\$key" >/dev/null 2>&1  # let Wine make its prefix first

# A user's own font: registered in HKCU with its full path, outside every fonts folder.
mkdir -p "$work/user"
cp "$work/seed.ttf" "$work/user/Gx User.ttf"
$WINE reg add "HKCU\\$key" /v "Gx User (TrueType)" /t REG_SZ \
  /d "$(winpath "$work/user/Gx User.ttf")" /f >/dev/null 2>&1
symbol "Gx User"; rc=$?
check "a family registered for the user only is exported to (exit $rc: $(head -c 300 "$work/out"))" \
  '[ $rc = 0 ]'
check "its own file is extended (code 34 added)" 'has_code "$work/user/Gx User.ttf" 34'
check "no second copy is made in the fonts directory" '[ ! -e "$work/new/Gx User.ttf" ]'

# A family registered by a bare file name lies in <Windows>\Fonts.
fontsdir="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fontsdir"
cp "$work/seed.ttf" "$fontsdir/GXBARE.TTF"
$WINE reg add "HKLM\\$key" /v "Gx Bare (TrueType)" /t REG_SZ /d "GXBARE.TTF" /f >/dev/null 2>&1
symbol "Gx Bare"; rc=$?
check "a family registered by a bare file name is exported to (exit $rc: $(head -c 300 "$work/out"))" \
  '[ $rc = 0 ]'
check "the file in the Windows fonts folder is extended" 'has_code "$fontsdir/GXBARE.TTF" 34'
$WINE reg query "HKLM\\$key" /v "Gx Bare (TrueType)" >"$work/reg" 2>&1
check "and its value now holds the full path: $(grep -i gx "$work/reg")" \
  'grep -qi "windows.Fonts.GXBARE.TTF" "$work/reg"'

# A new family: written to the host's fonts directory and registered.
symbol "Gx Fresh"; rc=$?
check "a new family is written (exit $rc: $(head -c 300 "$work/out"))" \
  '[ $rc = 0 ] && [ -s "$work/new/Gx Fresh.ttf" ]'
{ $WINE reg query "HKLM\\$key" /v "Gx Fresh (TrueType)"
  $WINE reg query "HKCU\\$key" /v "Gx Fresh (TrueType)"; } >"$work/reg" 2>&1
check "and registered: $(grep -i gx "$work/reg")" 'grep -qi "Gx Fresh.ttf" "$work/reg"'
check "the report names the file: $(cat "$work/out")" 'grep -q "Gx Fresh.ttf" "$work/out"'

echo "$passed passed, $failed failed"
[ $failed = 0 ]
