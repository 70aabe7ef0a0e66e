#!/usr/bin/env bash
# glyph-export.exe drives the plug-in DLLs under Wine: begin, capture and finish run, a
# refused second object is reported, and every font written is byte for byte the one the
# Linux build writes from the same shapes and choices.
set -u
win=$1 native=$2 src=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
work=$(mktemp -d /tmp/gx-wine-smoke-XXXXXX)
trap 'rm -rf "$work"; wine_done' EXIT
# Every run has a time limit: an export must never wait behind a window.
WINE="timeout 120 $(wine_for "$win/glyph-export.exe")"
export SOURCE_DATE_EPOCH=1700000000
passed=0 failed=0
check() {
  if eval "$2"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAIL: $1"; failed=$((failed + 1)); fi
}
# export_both KIND NAME SHAPE [options...]: the same export on both builds, into
# $work/linux/NAME and $work/windows/NAME.
export_both() {
  local kind=$1 name=$2 shape=$3; shift 3
  mkdir -p "$work/linux" "$work/windows"
  "$native/glyph-export" --config "$work/linux/s.ini" $kind "$work/linux/$name" "$shape" "$@" \
    >"$work/linux.out" 2>&1
  rc_linux=$?
  $WINE "$win/glyph-export.exe" --config "$(winpath "$work/windows/s.ini")" $kind \
    "$(winpath "$work/windows/$name")" "$(winpath "$shape")" "$@" >"$work/windows.out" 2>&1
  rc_windows=$?
}
same_files() {  # NAME...
  local f
  for f in "$@"; do cmp -s "$work/linux/$f" "$work/windows/$f" || return 1; done
}

# Both plug-ins, a new font and then an existing one.
for round in 1 2; do
  export_both ttf tt.ttf "$src/examples/square.outline" --char $((64 + round)) --family Wine
  check "ttf export $round (linux $rc_linux, windows $rc_windows: $(head -c 200 "$work/windows.out"))" \
    '[ $rc_linux = 0 ] && [ $rc_windows = 0 ]'
  check "ttf export $round is byte-identical" 'same_files tt.ttf'
  export_both type1 t1.pfb "$src/examples/square.outline" --char $((64 + round)) --family Wine
  check "type1 export $round (linux $rc_linux, windows $rc_windows: $(head -c 200 "$work/windows.out"))" \
    '[ $rc_linux = 0 ] && [ $rc_windows = 0 ]'
  check "type1 export $round is byte-identical" 'same_files t1.pfb t1.afm t1.pfm'
done
check "the .bak files agree too" 'same_files tt.bak t1.bak'

# SVG shapes through both builds.
for svg in "$src"/examples/*.svg; do
  [ -e "$svg" ] || continue
  base=$(basename "$svg" .svg)
  export_both ttf "svg-$base.ttf" "$svg" --em-from-svg --family Wine
  check "svg $base: ttf (linux $rc_linux, windows $rc_windows)" '[ $rc_linux = 0 ] && [ $rc_windows = 0 ]'
  check "svg $base: ttf byte-identical" "same_files svg-$base.ttf"
  export_both type1 "svg-$base.pfb" "$svg" --em-from-svg --family Wine
  check "svg $base: type1 (linux $rc_linux, windows $rc_windows)" '[ $rc_linux = 0 ] && [ $rc_windows = 0 ]'
  check "svg $base: type1 byte-identical" "same_files svg-$base.pfb svg-$base.afm svg-$base.pfm"
done

# A second object is refused, and nothing is written.
for kind in ttf type1; do
  ext=$([ $kind = ttf ] && echo ttf || echo pfb)
  $WINE "$win/glyph-export.exe" --config "$(winpath "$work/s.ini")" $kind \
    "$(winpath "$work/two.$ext")" "$(winpath "$src/examples/two-objects.outline")" \
    >"$work/out" 2>"$work/err"
  rc=$?
  check "$kind: a second object is refused" '[ $rc = 1 ]'
  check "$kind: the refusal is reported" 'grep -q "Too many objects to export" "$work/err"'
  check "$kind: nothing is written" '[ ! -s "$work/two.$ext" ]'
done
# In symbol mode too the refusal is printed, never left waiting in a message box.
$WINE "$win/glyph-export.exe" --config "$(winpath "$work/s.ini")" symbol "Gx Wine Two" \
  "$(winpath "$src/examples/two-objects.outline")" >"$work/out" 2>"$work/err"
rc=$?
check "symbol: a second object is refused without waiting (exit $rc)" \
  '[ $rc = 1 ] && grep -q "Too many objects to export" "$work/err"'
# The file-mode exports above went through the real dialogs, not around them.
check "the dialogs were shown" '! grep -q "cannot be shown" "$work/windows.out"'
# Symbol mode over the registry: a new family lands on 33, is recorded under the fonts
# key with its full path, and the next export finds it there and lands on 34.
mkdir -p "$work/sym"
printf '[Config]\r\nFontsDir=%s\r\n' "$(winpath "$work/sym")" >"$work/sym.ini"
for round in 1 2; do
  $WINE "$win/glyph-export.exe" --config "$(winpath "$work/sym.ini")" symbol "Gx Wine Symbols" \
    "$(winpath "$src/examples/ring.svg")" >"$work/out" 2>&1
  rc=$?
  check "symbol export $round (exit $rc: $(head -c 200 "$work/out"))" '[ $rc = 0 ]'
done
check "symbol font written in the fonts folder" '[ -s "$work/sym/Gx Wine Symbols.ttf" ]'
check "symbol font holds codes 33 and 34" \
  '"$native/glyph-export" info "$work/sym/Gx Wine Symbols.ttf" | grep -qE "^ +34 "'
$WINE reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v \
  "Gx Wine Symbols (TrueType)" >"$work/reg" 2>&1
check "registry value names the font's full path: $(grep -i gx "$work/reg")" \
  'grep -qi "Gx Wine Symbols.ttf" "$work/reg"'

# The immediate save of the Options dialog, then the final save into the same font: the
# second replaces the file the first one made (and still holds), and the .bak is the font
# from before the export.
for kind in ttf type1; do
  ext=$([ $kind = ttf ] && echo ttf || echo pfb)
  f="$work/windows/tt.$ext"
  [ $kind = type1 ] && f="$work/windows/t1.pfb"
  cp "$f" "$work/prev"
  $WINE "$win/glyph-export.exe" --config "$(winpath "$work/windows/s.ini")" $kind "$(winpath "$f")" \
    --delete 65 "$(winpath "$src/examples/square.outline")" --char 67 >"$work/out" 2>&1
  rc=$?
  check "$kind: delete, then export (exit $rc: $(tail -c 200 "$work/out"))" \
    '[ $rc = 0 ] && "$native/glyph-export" info "$f" | grep -qE "^ +67 " && ! "$native/glyph-export" info "$f" | grep -qE "^ +65 "'
  check "$kind: the .bak is the font from before the export" 'cmp -s "$work/prev" "${f%.*}.bak"'
done

echo "$passed passed, $failed failed"
[ $failed = 0 ]
