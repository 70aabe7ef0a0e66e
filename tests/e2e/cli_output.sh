#!/usr/bin/env bash
# What glyph-export says: quiet unless asked (errors, and what was written where), the
# dialog conversation with --verbose, an empty family name refused, `info --json` and
# `specimen`.
# usage: cli_output.sh GLYPH_EXPORT SOURCE_DIR
set -u
G=$1 src=$2
E=$src/examples
work=$(mktemp -d /tmp/gx-cli-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
export SOURCE_DATE_EPOCH=1700000000
passed=0 failed=0
check() {
  if eval "$2"; then passed=$((passed + 1)); else echo "FAIL: $1"; failed=$((failed + 1)); fi
}
ge() { "$G" --config "$work/settings.ini" "$@" >"$work/out" 2>"$work/err"; }

for kind in ttf type1; do
  f=$([ $kind = ttf ] && echo quiet.ttf || echo quiet.pfb)
  caption=$([ $kind = ttf ] && echo "TrueType Export" || echo "Adobe Type 1 Export")

  # A new font: the options answer every question, so nothing is asked aloud.
  ge $kind "$f" "$E/A.svg" --char A --family "Quiet" --em-from-svg; rc=$?
  check "$kind: new font written (exit $rc: $(cat err))" '[ $rc = 0 ] && [ -s "$f" ]'
  check "$kind: nothing on standard error: $(cat err)" '[ ! -s err ]'
  check "$kind: says what was written where: $(cat out)" \
    'grep -q "^Wrote $f" out && grep -q "new codes: 65 .A." out'
  [ $kind = type1 ] && check "type1: names the metrics files: $(cat out)" \
    'grep -q "quiet.afm, quiet.pfm" out'

  # The next export keeps the previous version and says where.
  ge $kind "$f" "$E/B.svg" --char B --em-from-svg; rc=$?
  check "$kind: second export (exit $rc: $(cat err))" '[ $rc = 0 ] && [ ! -s err ]'
  check "$kind: names the previous version: $(cat out)" \
    'grep -q "new codes: 66 .B." out && grep -q "previous version: quiet.bak" out'

  # --verbose shows the questions the options answered.
  ge --verbose $kind "verbose-$f" "$E/A.svg" --family "Loud" --em-from-svg; rc=$?
  check "$kind: --verbose export (exit $rc)" '[ $rc = 0 ]'
  check "$kind: --verbose shows the dialog conversation: $(cat err)" \
    'grep -q "Save changes to Font File" err'

  # An empty family name is a mistake, not a request for the file's name.
  ge $kind "empty-$f" "$E/A.svg" --family "" --em-from-svg; rc=$?
  check "$kind: --family \"\" refused with exit 2 (got $rc)" '[ $rc = 2 ]'
  check "$kind: with the Options dialog's message: $(cat err)" \
    '[ "$(cat err)" = "$caption: Invalid Family name. Please enter a valid Family name." ]'
  check "$kind: and nothing written" '[ ! -e "empty-$f" ]'

  # info --json, for scripts.
  "$G" info "$f" --json >json 2>err; rc=$?
  check "$kind: info --json (exit $rc: $(cat err))" '[ $rc = 0 ]'
  check "$kind: info --json is what the font holds: $(cat json)" \
    "/usr/bin/python3 -c 'import json,sys; d=json.load(open(\"json\"))
assert d[\"format\"] == (\"truetype\" if \"$kind\" == \"ttf\" else \"type1\"), d
assert d[\"family\"] == \"Quiet\", d
assert [c[\"code\"] for c in d[\"characters\"] if c[\"code\"] > 32] == [65, 66], d
assert all(c[\"width\"] > 0 for c in d[\"characters\"] if c[\"code\"] > 32), d'"

  # specimen: a picture of every glyph, drawn from the written file.
  ge specimen "$f" -o "sheet-$kind.png"; rc=$?
  check "$kind: specimen written (exit $rc: $(cat err))" '[ $rc = 0 ] && [ -s "sheet-$kind.png" ]'
  check "$kind: specimen is a picture with the two glyphs inked" \
    "/usr/bin/python3 -c 'from PIL import Image; import numpy as n
a = n.asarray(Image.open(\"sheet-$kind.png\").convert(\"L\"))
inked = [int((a[40:140, x:x + 120] < 100).sum()) for x in range(0, 960, 120)]
assert sum(i > 500 for i in inked) == 2, inked'"
done

# A font that cannot be read gets no picture, and an existing picture is kept.
printf 'not a font' >bad.ttf
printf 'keep' >keep.png
ge specimen bad.ttf -o keep.png; rc=$?
check "specimen of a bad font fails (exit $rc): $(cat err)" '[ $rc = 1 ] && [ -s err ]'
check "and leaves the picture as it was" '[ "$(cat keep.png)" = keep ]'
"$G" info bad.ttf --json >out 2>err; rc=$?
check "info --json of a bad font fails with a message, no JSON (exit $rc)" \
  '[ $rc = 1 ] && [ ! -s out ] && [ -s err ]'

echo "$passed passed, $failed failed"
[ $failed = 0 ]
