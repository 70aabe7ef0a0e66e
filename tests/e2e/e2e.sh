#!/usr/bin/env bash
# usage: e2e.sh GLYPH_EXPORT SOURCE_DIR
set -u
G=$1 src=$2
E=$src/examples
tools=$src/tests/tools
work=$(mktemp -d /tmp/gx-e2e-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
export SOURCE_DATE_EPOCH=1700000000
passed=0 failed=0
check() {
  if eval "$2"; then passed=$((passed + 1)); else echo "FAIL: $1"; failed=$((failed + 1)); fi
}
ge() { "$G" --config "$work/settings.ini" "$@" >"$work/out" 2>"$work/err"; }
info_has() { "$G" info "$1" | grep -qE "$2"; }
kern_pairs() {  # FONT.ttf -> "left right value" lines, by glyph name
  /usr/bin/python3 - "$1" <<'PY'
import sys
from fontTools.ttLib import TTFont
f = TTFont(sys.argv[1])
if 'kern' in f:
    for (l, r), v in sorted(f['kern'].kernTables[0].kernTable.items()):
        print(l, r, v)
PY
}
cat >metrics.afm <<'AFM'
StartFontMetrics 2.0
FontName Metrics
Ascender 750
Descender -250
UnderlinePosition -100
UnderlineThickness 50
StartCharMetrics 3
C 32 ; WX 250 ; N space ;
C 65 ; WX 600 ; N A ; B 0 0 600 700 ;
C 66 ; WX 650 ; N B ; B 0 0 600 700 ;
EndCharMetrics
StartKernData
StartKernPairs 2
KPX A B -80
KPX B A -40
EndKernPairs
EndKernData
EndFontMetrics
AFM

for kind in ttf type1; do
  f=$([ $kind = ttf ] && echo e2e.ttf || echo e2e.pfb)
  validate() {
    if [ $kind = ttf ]; then bash "$tools/check-ttf" "$f" >"$work/check" 2>&1
    else bash "$tools/check-type1" "$f" "${f%.pfb}.afm" "${f%.pfb}.pfm" >"$work/check" 2>&1; fi
  }

  # A new font from the Options dialog's choices, three shapes named by their files.
  ge $kind "$f" "$E/A.svg" "$E/B.svg" "$E/o.svg" --family "E2E Sans" --style italic \
     --no-symbol --space-width 250 --em-from-svg
  check "$kind: new font written (exit $?: $(head -c 300 err))" '[ -s "$f" ]'
  validate; rc=$?
  check "$kind: new font validates: $(head -c 300 check)" '[ $rc = 0 ]'
  check "$kind: family and style" 'info_has "$f" "family +E2E Sans" && info_has "$f" "style +Italic"'
  check "$kind: codes from file names" 'info_has "$f" "^ +65 " && info_has "$f" "^ +66 " && info_has "$f" "^ +111 "'

  # The same code again stops without --replace and leaves the font as it was.
  cp "$f" before
  ge $kind "$f" "$E/ring.svg" --char A --em-from-svg
  rc=$?
  check "$kind: occupied code refused (exit $rc)" '[ $rc = 1 ] && grep -q -- "--replace" err'
  check "$kind: refused export leaves the font" 'cmp -s before "$f"'

  # A dialog script of one's own that cancels: exit 3, nothing written.
  printf 'dialog 131\ncancel\n' >cancel.script
  ge $kind "$f" "$E/ring.svg" --ui-script cancel.script
  rc=$?
  check "$kind: cancelled export (exit $rc)" '[ $rc = 3 ] && cmp -s before "$f"'

  # Delete a character and set another's width through the extended Options dialog.
  ge $kind "$f" --delete o "$E/n.svg" --char C --set-width B=700 --em-from-svg
  check "$kind: delete and width (exit $?: $(head -c 300 err))" '! info_has "$f" "^ +111 " && info_has "$f" "^ +66 .*width 700$" && info_has "$f" "^ +67 "'
  validate; rc=$?
  check "$kind: after delete, validates: $(head -c 300 check)" '[ $rc = 0 ]'

  # Import AFM metrics with kerning, then replace a glyph.
  ge $kind "$f" "$E/ring.svg" --char A --replace --metrics metrics.afm --em-from-svg
  check "$kind: metrics import and replace (exit $?: $(head -c 300 err))" '[ -s "$f" ]'
  validate; rc=$?
  check "$kind: after import, validates: $(head -c 300 check)" '[ $rc = 0 ]'
  if [ $kind = ttf ]; then
    check "ttf: kern table carries the pairs: $(kern_pairs "$f" | tr '\n' ';')" \
      '[ "$(kern_pairs "$f" | wc -l)" = 2 ] && kern_pairs "$f" | grep -q -- "A B -163"'
    check "ttf: imported width scaled to the grid" 'info_has "$f" "^ +66 .*width 1331$"'
  else
    check "type1: AFM carries the pairs" 'grep -q "KPX A B -80" e2e.afm && grep -q "KPX B A -40" e2e.afm'
    check "type1: PFM carries the pairs" '/usr/bin/python3 -c "
import struct,sys; d=open(\"e2e.pfm\",\"rb\").read(); off=struct.unpack(\"<I\",d[131:135])[0]
sys.exit(0 if off and struct.unpack(\"<H\",d[off:off+2])[0]==2 else 1)"'
    check "type1: imported width" 'info_has "$f" "^ +66 .*width 650$"'
  fi
done

# Usage errors.
"$G" ttf >/dev/null 2>&1; rc=$?
check "missing arguments are a usage error (exit $rc)" '[ $rc = 2 ]'
"$G" ttf x.ttf "$E/A.svg" --char 300 >/dev/null 2>&1; rc=$?
check "a code out of range is a usage error (exit $rc)" '[ $rc = 2 ]'
"$G" type1 x.pfb "$E/A.svg" --grid 2048 >/dev/null 2>&1; rc=$?
check "a Type 1 font has no grid choice (exit $rc)" '[ $rc = 2 ] && [ ! -e x.pfb ]'
"$G" ttf x.ttf "$E/A.svg" --width wide >/dev/null 2>&1; rc=$?
check "a bad width is a usage error (exit $rc)" '[ $rc = 2 ] && [ ! -e x.ttf ]'
"$G" --help | grep -q "symbol"
check "--help lists the commands" '[ $? = 0 ]'
"$G" --version | grep -q "glyph-export"
check "--version" '[ $? = 0 ]'

# A shape that is refused names the file and writes nothing.
printf '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10"><path d="M 1 1 L 9 9" fill="none" stroke="black"/></svg>' >stroke.svg
ge ttf stroke.ttf stroke.svg --no-strokes
rc=$?
check "stroke-only SVG refused with --no-strokes (exit $rc): $(head -c 200 err)" '[ $rc = 1 ] && grep -q "stroke.svg" err && [ ! -e stroke.ttf ]'
# Without it the stroke's outline is the glyph.
ge ttf stroke.ttf stroke.svg --char 65
rc=$?
check "stroke-only SVG exported (exit $rc): $(head -c 200 err)" '[ $rc = 0 ] && info_has stroke.ttf "^ +65 "'

# An empty shape (no nodes, comments only, or control points alone) is refused before
# either plug-in runs, naming the file; nothing is written.
printf '' >empty.outline
printf '# nothing but a comment\n' >comment.outline
printf '0 0 192\n10 10 192\n' >controls.outline
for kind in ttf type1; do
  for shape in empty comment controls; do
    ge $kind "empty-$shape.$([ $kind = ttf ] && echo ttf || echo pfb)" $shape.outline
    rc=$?
    check "$kind: $shape shape refused (exit $rc): $(head -c 200 err)" \
      '[ $rc = 1 ] && grep -q "$shape.outline" err && [ -z "$(ls empty-* 2>/dev/null)" ]'
  done
done
cp e2e.ttf before.ttf
ge ttf e2e.ttf controls.outline --char 90
check "ttf: empty shape leaves an existing font" '[ $? = 1 ] && cmp -s before.ttf e2e.ttf'

# A new font named after a file whose name is not plain ASCII asks for --family.
for ext in ttf pfb; do
  kind=$([ $ext = ttf ] && echo ttf || echo type1)
  ge $kind "Łódź.$ext" "$E/A.svg"
  rc=$?
  check "$kind: non-ASCII file name needs --family (exit $rc): $(head -c 200 err)" \
    '[ $rc = 2 ] && grep -q -- "--family" err && [ ! -e "Łódź.$ext" ]'
  ge $kind "Łódź.$ext" "$E/A.svg" --family Lodz
  check "$kind: with --family it is written (exit $?)" '[ -s "Łódź.$ext" ] && info_has "Łódź.$ext" "family +Lodz"'
  ge $kind "other.$ext" "$E/A.svg" --family "Łódź"
  rc=$?
  check "$kind: a non-ASCII --family is a usage error (exit $rc)" '[ $rc = 2 ] && [ ! -e "other.$ext" ]'
done

# Replacing a glyph that composites are built on removes them too, and says so.
vera=/usr/share/fonts/truetype/ttf-bitstream-vera/Vera.ttf
if [ -r $vera ]; then
  cp $vera vera.ttf
  ge ttf vera.ttf "$E/square.outline" --char A --replace
  rc=$?
  check "ttf: composites of a replaced glyph named (exit $rc): $(head -c 300 err)" \
    '[ $rc = 0 ] && grep -q "warning: .*192, 193, 194, 195, 196" err && ! info_has vera.ttf "^ +193 "'
fi

# A font that was damaged already is refused, says where, and is left as it was.
if [ -r $vera ]; then
  cp $vera broken.ttf
  /usr/bin/python3 - broken.ttf <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], 'rb').read())
for i in range(struct.unpack('>H', d[4:6])[0]):
    tag, _, off, _ = struct.unpack('>4sIII', d[12 + 16 * i:28 + 16 * i])
    if tag == b'gasp': d[off + 2:off + 4] = b'\xff\xff'  # numRanges past the table
open(sys.argv[1], 'wb').write(d)
PY
  cp broken.ttf broken-before.ttf
  ge ttf broken.ttf "$E/square.outline" --char 90
  rc=$?
  check "ttf: damaged font refused (exit $rc): $(head -c 300 err)" \
    '[ $rc = 1 ] && grep -q "damaged" err && grep -q "broken.ttf: its gasp table is damaged; the file was left as it was" err && cmp -s broken.ttf broken-before.ttf && [ ! -e broken.bak ]'
fi

echo "$passed passed, $failed failed"
[ $failed = 0 ]
