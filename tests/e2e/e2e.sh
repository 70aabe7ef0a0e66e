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
ge() {
  "$G" --config "$work/settings.ini" "$@" >"$work/out" 2>"$work/err"
  local rc=$?
  # Windows programs end their lines with CR LF.
  [ -z "${GX_WIN_EXE:-}" ] || sed -i 's/\r$//' "$work/out" "$work/err"
  return $rc
}
# Checks of POSIX file semantics (modes, symbolic links, TMPDIR, byte file names, details
# on standard error) that a run through the Windows build under Wine cannot share.
posix() { [ -z "${GX_WIN_EXE:-}" ]; }
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

  # A shape whose name gives no code takes the proposed one: after 126 that is 130, the
  # next code with a Windows character, not 127, which the dialog would refuse.
  n="next.$kind"
  ge $kind "$n" "$E/o.svg" --char 126 --family Next --em-from-svg &&
    ge $kind "$n" "$E/ring.svg" --em-from-svg
  rc=$?
  check "$kind: the code after 126 is 130 (exit $rc: $(head -c 200 err))" \
    '[ $rc = 0 ] && info_has "$n" "^ +130 " && ! info_has "$n" "^ +127 "'
  rm -f "$n" next.bak next.afm next.pfm

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

  # Delete a character and set another's width through the extended Options dialog. The
  # dialog saves at once and the export saves again: the .bak is the font from before both.
  cp "$f" prev
  ge $kind "$f" --delete o "$E/n.svg" --char C --set-width B=700 --em-from-svg
  rc=$?
  check "$kind: delete and width (exit $rc: $(head -c 300 err))" '[ $rc = 0 ] && ! info_has "$f" "^ +111 " && info_has "$f" "^ +66 .*width 700$" && info_has "$f" "^ +67 "'
  check "$kind: .bak is the font before the export, not the immediate save" 'cmp -s prev "${f%.*}.bak"'
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

  # A metrics file that cannot be imported stops the export and changes nothing.
  : >empty.afm
  head -c 400 /dev/urandom >binary.afm
  printf 'StartFontMetrics 2.0\nEndFontMetrics\n' >header.afm
  snapshot() { for x in "$f" "${f%.*}.bak" "${f%.*}.afm" "${f%.*}.pfm"; do [ -e "$x" ] && cksum <"$x"; done; }
  before=$(snapshot)
  # On Windows the open-file dialog itself refuses a file that does not exist, before
  # the import reads it.
  for m in /nonexistent.afm empty.afm binary.afm header.afm; do
    ge $kind "$f" --delete B "$E/ring.svg" --char 80 --em-from-svg --metrics $m
    rc=$?
    said="Unsupported metric file"
    if ! posix && [ $m = /nonexistent.afm ]; then said="open-file dialog refused"; fi
    check "$kind: metrics $m refused (exit $rc): $(head -c 200 err)" '[ $rc = 1 ] && grep -q "$said" err && [ "$(snapshot)" = "$before" ]'
  done

  # A code Windows does not support ends the export cancelled, after the immediate save
  # of the delete: exit 3, and the message says the delete was saved.
  cp "$f" prev
  ge $kind "$f" --delete B "$E/ring.svg" --char 127 --em-from-svg
  rc=$?
  check "$kind: cancel after the immediate save (exit $rc): $(tail -c 300 err)" '[ $rc = 3 ] && grep -q "were saved" err && ! info_has "$f" "^ +66 " && ! info_has "$f" "^ +127 "'
  check "$kind: .bak after the cancelled export is the font before it" 'cmp -s prev "${f%.*}.bak"'

  # Every written export has its glyph; the file keeps its mode and a link its target;
  # temporary files a killed export left beside the font go.
  chmod 600 "$f"
  touch "$(dirname "$f")/$([ $kind = ttf ] && echo TTF || echo AT1).$f.Zq81xw"
  ge $kind "$f" "$E/A.svg" --char 82 --em-from-svg
  rc=$?
  check "$kind: exit 0 with the glyph in the font (exit $rc)" '[ $rc = 0 ] && info_has "$f" "^ +82 "'
  posix && check "$kind: mode 600 kept ($(stat -c %a "$f"))" '[ "$(stat -c %a "$f")" = 600 ]'
  check "$kind: stale temporary file removed" '! ls | grep -q "Zq81xw"'
  if posix; then
  mkdir -p real
  cp "$f" "real/$f"
  [ $kind = type1 ] && cp "${f%.*}.afm" "${f%.*}.pfm" real/
  ln -s "real/$f" "link.${f##*.}"
  ge $kind "link.${f##*.}" "$E/A.svg" --char 83 --em-from-svg
  rc=$?
  check "$kind: a linked font is written through (exit $rc: $(head -c 200 err))" '[ $rc = 0 ] && [ -L "link.${f##*.}" ] && info_has "real/$f" "^ +83 "'
  rm -rf real "link.${f##*.}" link.*
  fi

  # A folder where the font should be: a clear failure, not a cancel.
  mkdir -p "folder.${f##*.}"
  ge $kind "folder.${f##*.}" "$E/A.svg" --family F
  rc=$?
  check "$kind: folder as target (exit $rc): $(head -c 200 err)" '[ $rc = 1 ] && grep -q "folder" err'
  rmdir "folder.${f##*.}"
done

if posix; then
# The dialog script reaches the plug-in in memory: no temporary folder is needed.
TMPDIR=/nonexistent-dir ge ttf tmp.ttf "$E/A.svg"
rc=$?
check "no temporary folder needed (exit $rc): $(head -c 200 err)" '[ $rc = 0 ] && info_has tmp.ttf "^ +33 "'
fi

# A batch is one transaction: the .bak is the font from before the batch; a shape that
# fails or is cancelled leaves every file as it was and names the shapes done before it.
mkdir -p shapes
cp "$E/ring.svg" shapes/R.svg
cp "$E/n.svg" shapes/T.svg
cp "$E/A.svg" shapes/127.svg
printf 'not a drawing' >shapes/Q.svg
for kind in ttf type1; do
  f=$([ $kind = ttf ] && echo batch.ttf || echo batch.pfb)
  ge $kind "$f" "$E/A.svg" --char A --family Batch --em-from-svg
  cp "$f" prev
  ge $kind "$f" "$E/B.svg" "$E/n.svg" "$E/o.svg" --em-from-svg
  rc=$?
  check "$kind: batch written (exit $rc: $(head -c 300 err))" '[ $rc = 0 ] && info_has "$f" "^ +65 " && info_has "$f" "^ +66 " && info_has "$f" "^ +110 " && info_has "$f" "^ +111 "'
  check "$kind: the batch's .bak is the font before the batch" 'cmp -s prev "${f%.*}.bak"'
  if [ $kind = ttf ]; then bash "$tools/check-ttf" "$f" >check 2>&1
  else bash "$tools/check-type1" "$f" "${f%.pfb}.afm" "${f%.pfb}.pfm" >check 2>&1; fi
  rc=$?
  check "$kind: batch font validates: $(head -c 300 check)" '[ $rc = 0 ]'
  # Windows keeps its profile functions, which write each setting as it is saved.
  snapshot() { for x in "$f" "${f%.*}.bak" "${f%.*}.afm" "${f%.*}.pfm" $(posix && echo settings.ini); do [ -e "$x" ] && cksum <"$x"; done; }
  before=$(snapshot)
  ge $kind "$f" shapes/R.svg shapes/Q.svg shapes/T.svg --em-from-svg
  rc=$?
  check "$kind: a bad shape stops the batch (exit $rc): $(tail -c 300 err)" '[ $rc = 1 ] && grep -q "shape 2 of 3" err && grep -q "done before it: shapes/R.svg$" err'
  check "$kind: the stopped batch changed no file" '[ "$(snapshot)" = "$before" ] && ! info_has "$f" "^ +82 "'
  ge $kind "$f" shapes/R.svg shapes/T.svg "$E/A.svg" --em-from-svg
  rc=$?
  check "$kind: an occupied code stops the batch (exit $rc): $(tail -c 300 err)" '[ $rc = 1 ] && grep -q -- "--replace" err && grep -q "done before it: shapes/R.svg shapes/T.svg$" err && [ "$(snapshot)" = "$before" ]'
  ge $kind "$f" shapes/R.svg shapes/127.svg --em-from-svg
  rc=$?
  check "$kind: a cancelled shape stops the batch (exit $rc): $(tail -c 300 err)" '[ $rc = 3 ] && grep -q "shape 2 of 2" err && [ "$(snapshot)" = "$before" ]'
  check "$kind: no working folder left" '! ls -a | grep -q "^\.gxbatch-"'
  chmod 600 "$f"
  ge $kind "$f" shapes/R.svg shapes/T.svg --em-from-svg
  rc=$?
  check "$kind: a batch into a private font keeps its mode (exit $rc)" '[ $rc = 0 ] && { ! posix || [ "$(stat -c %a "$f")" = 600 ]; } && info_has "$f" "^ +84 "'
done

# A batch writes the very bytes that the same shapes exported one by one write: into a new
# font, and into an existing one with a replaced glyph, imported metrics and a set width
# (the Options dialog's immediate save, once per shape).
mkdir -p same
cp "$E/A.svg" same/65.svg; cp "$E/B.svg" same/66.svg; cp "$E/n.svg" same/110.svg; cp "$E/o.svg" same/111.svg
for kind in ttf type1; do
  e=$([ $kind = ttf ] && echo ttf || echo pfb)
  for opts in "" "--replace --metrics metrics.afm --set-width 111=700"; do
    rm -rf same/b same/s; mkdir same/b same/s
    if [ -n "$opts" ]; then
      "$G" --config same/b/x.ini $kind same/b/f.$e same/65.svg same/66.svg --family Same --em-from-svg >/dev/null 2>&1
      cp same/b/* same/s/
    fi
    "$G" --config same/b/x.ini $kind same/b/f.$e same/110.svg same/111.svg same/66.svg --em-from-svg $opts >/dev/null 2>err
    rc=$?
    for x in 110 111 66; do
      "$G" --config same/s/x.ini $kind same/s/f.$e same/$x.svg --char $x --em-from-svg $opts >/dev/null 2>>err || rc=9
    done
    [ -z "${GX_WIN_EXE:-}" ] || sed -i 's/\r$//' err
    same=yes
    for x in f.$e f.afm f.pfm $(posix && echo x.ini); do
      [ -e same/s/$x ] || [ $x = f.afm -o $x = f.pfm ] || same=no
      [ ! -e same/s/$x ] || cmp -s same/b/$x same/s/$x || same="no ($x)"
    done
    check "$kind: a batch writes what exports one by one write${opts:+ ($opts)} (exit $rc, same $same): $(head -c 300 err)" '[ $rc = 0 ] && [ "$same" = yes ]'
  done
done

# Type 1: an empty font file of the user's survives a failed export (the AFM cannot be
# replaced: a folder stands at its name).
: >E.pfb
mkdir E.afm
ge type1 E.pfb "$E/A.svg" --family E --em-from-svg
rc=$?
check "type1: failed export keeps the user's empty file (exit $rc)" '[ $rc = 1 ] && [ -e E.pfb ] && [ ! -s E.pfb ]'
rmdir E.afm

# Type 1: a PFM that cannot be replaced leaves the font, the older .bak, AFM and PFM as
# they were, and the message says the font is unchanged.
ge type1 Z.pfb "$E/A.svg" --family Z --em-from-svg
ge type1 Z.pfb "$E/B.svg" --em-from-svg
cp Z.pfb zprev; cp Z.bak zbak; cp Z.afm zafm
rm Z.pfm; mkdir Z.pfm
ge type1 Z.pfb "$E/o.svg" --em-from-svg
rc=$?
check "type1: unreplaceable PFM (exit $rc): $(head -c 300 err)" '[ $rc = 1 ] && grep -q "left unchanged" err && cmp -s Z.pfb zprev && cmp -s Z.bak zbak && cmp -s Z.afm zafm && [ -d Z.pfm ]'
rmdir Z.pfm

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
posix && for ext in ttf pfb; do
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
    '[ $rc = 1 ] && grep -q "damaged" err && { ! posix || grep -q "broken.ttf: its gasp table is damaged; the file was left as it was" err; } && cmp -s broken.ttf broken-before.ttf && [ ! -e broken.bak ]'
fi

echo "$passed passed, $failed failed"
[ $failed = 0 ]
