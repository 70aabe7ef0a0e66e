#!/usr/bin/env bash
# The real Windows dialogs under Wine (run under an X server, e.g. xvfb-run): each story
# is played through the dialogs' windows by the scripted user's driver thread, and the
# same script played against the dialog models on Linux must write the same bytes.
# Pictures of the three dialogs are left in SHOTS and their pixels checked.
# usage: dialogs.sh WIN_BIN NATIVE_BIN SOURCE_DIR SHOTS
set -u
win=$(cd "$1" && pwd) native=$(cd "$2" && pwd) src=$(cd "$3" && pwd) shots=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
work=$(mktemp -d /tmp/gx-wine-dialogs-XXXXXX)
trap 'rm -rf "$work"; wine_done' EXIT
WINE=$(wine_for "$win/glyph-export.exe")
export SOURCE_DATE_EPOCH=1700000000
mkdir -p "$shots" "$work/linux" "$work/windows"
passed=0 failed=0
check() {
  if eval "$2"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAIL: $1"; failed=$((failed + 1)); fi
}
cat >"$work/metrics.afm" <<'AFM'
StartFontMetrics 2.0
Ascender 750
Descender -250
StartCharMetrics 2
C 32 ; WX 250 ; N space ;
C 65 ; WX 600 ; N A ;
EndCharMetrics
StartKernData
StartKernPairs 1
KPX A B -80
EndKernPairs
EndKernData
EndFontMetrics
AFM
cp "$work/metrics.afm" "$work/linux/"
cp "$work/metrics.afm" "$work/windows/"

# run_both KIND FONT SHAPE SCRIPT: plays SCRIPT (file names in it are relative) on both
# builds, each in its own folder. Sets rc_linux, rc_windows; output in */out.
run_both() {
  local kind=$1 font=$2 shape=$3 script=$4
  printf '%s\n' "$script" >"$work/linux/ui.txt"
  printf '%s\n' "$script" >"$work/windows/ui.txt"
  (cd "$work/linux" && "$native/glyph-export" --verbose --config "$work/linux/s.ini" $kind "$font" "$shape" \
    --ui-script ui.txt >out 2>&1)
  rc_linux=$?
  (cd "$work/windows" && timeout 120 $WINE "$win/glyph-export.exe" --verbose \
    --config "$(winpath "$work/windows/s.ini")" $kind "$font" \
    "$(winpath "$shape")" --ui-script ui.txt >out 2>&1)
  rc_windows=$?
}
same_files() {  # NAME...
  local f
  for f in "$@"; do cmp -s "$work/linux/$f" "$work/windows/$f" || return 1; done
}
out_has() { grep -qF "$1" "$work/windows/out"; }
real_windows() { ! grep -q "cannot be shown" "$work/windows/out"; }
box_value() {  # DUMP ID -> the numeric box's text
  awk -v id="$2" '$1 == id { print $5 }' "$work/windows/$1"
}

square=$src/examples/square.outline
A=$src/examples/A.svg

# A new TrueType font: 130, family typed, symbol unticked, OK, Save answered Yes; 131,
# code typed, OK.
run_both ttf tt.ttf "$square" "dialog 130
text 1000 Wine Dialogs
check 1009 off
dump d130.txt
ok
answer yes
dialog 131
dump d131.txt
text 1014 66
ok"
check "ttf new font (linux $rc_linux, windows $rc_windows: $(head -c 300 "$work/windows/out"))" \
  '[ $rc_linux = 0 ] && [ $rc_windows = 0 ] && real_windows'
check "ttf new font: Save changes was asked" 'out_has "True Type Export: Save changes to Font File"'
check "ttf new font: same bytes as the models write" 'same_files tt.ttf'
check "ttf new font has the family and code 66" \
  '"$native/glyph-export" info "$work/windows/tt.ttf" | grep -q "Wine Dialogs" &&
   "$native/glyph-export" info "$work/windows/tt.ttf" | grep -qE "^ +66 "'
check "1003, 1016 and 1017 are numeric box windows with a child edit" \
  'grep -q "^1003 VLX60_Numbox+Edit " "$work/windows/d130.txt" &&
   grep -q "^1016 VLX60_Numbox+Edit " "$work/windows/d131.txt" &&
   grep -q "^1017 VLX60_Numbox+Edit " "$work/windows/d131.txt"'

# Cancel in 131 writes nothing.
cp "$work/windows/tt.ttf" "$work/tt.before"
run_both ttf tt.ttf "$square" "dialog 131
text 1014 67
cancel"
check "cancel in 131: exit 3 (windows $rc_windows)" '[ $rc_windows = 3 ] && [ $rc_linux = 3 ]'
check "cancel in 131 writes nothing" 'cmp -s "$work/tt.before" "$work/windows/tt.ttf"'

# The design-size box's context menu, through the real menu and keyboard: points chosen
# from Units shows 1 inch as 72 and the unit list follows; Settings... opens its dialog.
run_both ttf tt.ttf "$square" "dialog 131
select 1018 inches
value 1017 1
menu 1017 Units/points
dump units.txt
menu 1017 Settings...
answer ok
cancel"
check "Units menu: 1 inch shows as $(box_value units.txt 1017) points" \
  '[ "$(box_value units.txt 1017)" = 72.0 ] && grep -q "^1018 ComboBox .* points$" "$work/windows/units.txt"'
check "Settings... opens the box's settings dialog (exit $rc_windows)" \
  '[ $rc_windows = 3 ] && ! out_has "no message box is waiting"'

# An occupied code asks; No keeps the dialog open. 128 is refused and keeps it open.
# The numeric box clamps a typed 20000 and steps when its up button is held.
run_both ttf tt.ttf "$square" "dialog 131
text 1014 66
ok
answer no
text 1014 128
ok
check 1019 off
value 1016 20000
dump clamped.txt
value 1016 5
hold 1016 up 5000
dump held.txt
value 1016 300
text 1014 67
ok"
check "occupied code, 128, then 67 (linux $rc_linux, windows $rc_windows)" \
  '[ $rc_linux = 0 ] && [ $rc_windows = 0 ] && real_windows'
check "an occupied code asks to overwrite" 'out_has "TrueType Export: Overwrite existing definition"'
check "128 is refused" 'out_has "TrueType Export: Character code is not supported by Windows"'
check "after No and the refusal the dialog went on: same bytes" 'same_files tt.ttf'
check "20000 typed into 1016 shows 16383" '[ "$(box_value clamped.txt 1016)" = 16383 ]'
held=$(box_value held.txt 1016)
# 5 + 1 at once + 29 ticks of 1 within the first 3 s + ticks of 10 after that.
check "holding the up button: 1 at once, 1 per tick, 10 per tick after 3 s (5 -> $held)" \
  '[ -n "$held" ] && [ "$held" -gt 35 ] && [ $(( (held - 35) % 10 )) = 0 ]'

# Nobody answers: the question takes its safe answer (No), the dialog stays open, and
# once the script has nothing more for it, it is cancelled rather than waited on.
cp "$work/windows/tt.ttf" "$work/tt.before"
run_both ttf tt.ttf "$square" "dialog 131
text 1014 66
ok"
check "an unanswered dialog is cancelled, not waited on (linux $rc_linux, windows $rc_windows)" \
  '[ $rc_linux = 3 ] && [ $rc_windows = 3 ] &&
   out_has "the script ended while dialog 131 was open; cancelled" &&
   cmp -s "$work/tt.before" "$work/windows/tt.ttf"'

# 132 of an existing font: delete a character, change a width, load an AFM through the
# open-file dialog; Cancel undoes it all.
cp "$work/windows/tt.ttf" "$work/tt.before"
edits132="dialog 131
click 1011
dialog 132
text 1039 66
click 1025
text 1039 67
value 1040 500
click 1026
file metrics.afm"
run_both ttf tt.ttf "$square" "$edits132
dump d132.txt
cancel
text 1014 68
ok"
check "132 cancelled, then 68 (linux $rc_linux, windows $rc_windows)" \
  '[ $rc_linux = 0 ] && [ $rc_windows = 0 ] && real_windows'
check "the metrics import locked the character controls" \
  'grep -q "^1041 ListBox disabled" "$work/windows/d132.txt" &&
   grep -q "^1032 Edit enabled" "$work/windows/d132.txt"'
check "132 cancelled: same bytes, 66 and 67 kept" \
  'same_files tt.ttf && "$native/glyph-export" info "$work/windows/tt.ttf" | grep -qE "^ +66 "'

# The same edits accepted: the font is saved at once and then gets 69.
run_both ttf tt.ttf "$square" "$edits132
ok
answer yes
text 1014 69
ok"
check "132 accepted (linux $rc_linux, windows $rc_windows)" \
  '[ $rc_linux = 0 ] && [ $rc_windows = 0 ] && real_windows'
check "132 accepted: same bytes and backup" 'same_files tt.ttf tt.bak'
check "132 accepted: 66 deleted" '! "$native/glyph-export" info "$work/windows/tt.ttf" | grep -qE "^ +66 "'

# The same stories for Type 1.
run_both type1 t1.pfb "$square" "dialog 130
text 1000 Wine Type
check 1009 off
ok
answer yes
dialog 131
text 1014 65
ok"
check "type1 new font (linux $rc_linux, windows $rc_windows)" \
  '[ $rc_linux = 0 ] && [ $rc_windows = 0 ] && real_windows'
check "type1 new font: PFB, AFM and PFM, same bytes" 'same_files t1.pfb t1.afm t1.pfm'
check "type1 Save changes asked with its caption" 'out_has "Adobe Type 1 Export: Save changes to Font File"'
run_both type1 t1.pfb "$square" "dialog 131
text 1014 65
ok
answer no
text 1014 128
ok
text 1014 66
ok"
check "type1: overwrite asked, 128 refused, 66 written" \
  '[ $rc_windows = 0 ] && out_has "Adobe Type 1 Export: Overwrite existing definition" &&
   out_has "Adobe Type 1 Export: Character code is not supported by Windows" &&
   same_files t1.pfb t1.afm t1.pfm'
cp "$work/windows/t1.pfb" "$work/t1.before"
run_both type1 t1.pfb "$square" "dialog 131
cancel"
check "type1: cancel in 131 writes nothing" '[ $rc_windows = 3 ] && cmp -s "$work/t1.before" "$work/windows/t1.pfb"'
run_both type1 t1.pfb "$square" "dialog 131
click 1011
dialog 132
text 1039 65
click 1025
text 1039 66
value 1040 400
click 1026
file metrics.afm
ok
answer yes
text 1014 67
ok"
check "type1 132 accepted (linux $rc_linux, windows $rc_windows)" \
  '[ $rc_linux = 0 ] && [ $rc_windows = 0 ] && real_windows'
check "type1 132 accepted: same PFB, AFM, PFM" 'same_files t1.pfb t1.afm t1.pfm'

# With --dialogs the dialogs wait for a person, starting from the script's values.
(cd "$work/windows" && printf 'dialog 130\ntext 1000 For A Person\ndump person.txt\nok\nanswer yes\n' \
  >person.txt.ui && timeout 20 $WINE "$win/glyph-export.exe" --dialogs \
  --config "$(winpath "$work/windows/p.ini")" ttf person.ttf "$(winpath "$square")" \
  --ui-script person.txt.ui >out 2>&1)
rc=$?
check "--dialogs: the dialog waits for a person (exit $rc), prefilled, nothing written" \
  '[ $rc = 124 ] && grep -q "^1000 Edit enabled [0-9,]* For A Person" "$work/windows/person.txt" &&
   [ ! -e "$work/windows/person.ttf" ]'

# Pictures of the three dialogs, with a shape in the preview and a list that holds
# glyphs (black) and free codes (grey).
run_both ttf shots.ttf "$A" "dialog 130
text 1000 Shots
check 1009 off
snapshot dialog-130.bmp
dump shot130.txt
ok
answer yes
dialog 131
text 1014 65
ok"
run_both ttf shots.ttf "$src/examples/B.svg" "dialog 131
text 1014 66
ok"
run_both ttf shots.ttf "$A" "dialog 131
text 1014 67
select 1018 inches
value 1017 1
snapshot dialog-131.bmp
dump shot131.txt
click 1011
dialog 132
text 1039 65
snapshot dialog-132.bmp
dump shot132.txt
cancel
cancel"
for n in 130 131 132; do
  check "picture of $n taken" '[ -s "$work/windows/dialog-$n.bmp" ]'
done
/usr/bin/python3 "$here/check_pixels.py" "$work/windows" "$shots" >"$work/pixels" 2>&1
rc=$?
check "dialog pictures: $(tr '\n' ' ' <"$work/pixels")" '[ $rc = 0 ]'

echo "$passed passed, $failed failed"
[ $failed = 0 ]
