#!/usr/bin/env bash
# Two exports into one existing font, started 0-4 ms apart: each must either be written
# (its glyph in the font afterwards) or refused with a message and a non-zero status.
# usage: race.sh GLYPH_EXPORT SOURCE_DIR [PAIRS]   (PAIRS defaults to $GX_RACE_PAIRS or 10)
set -u
G=$1 src=$2
pairs=${3:-${GX_RACE_PAIRS:-10}}
E=$src/examples
work=$(mktemp -d /tmp/gx-race-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
export SOURCE_DATE_EPOCH=1700000000
failed=0 refused=0
for kind in ttf type1; do
  f=$([ $kind = ttf ] && echo race.ttf || echo race.pfb)
  "$G" --config a.ini $kind "$f" "$E/A.svg" --char 65 --family Race --em-from-svg >/dev/null 2>&1 || { echo "FAIL: $kind: base font"; exit 1; }
  mkdir -p base && cp race.* base/
  for i in $(seq 1 "$pairs"); do
    cp base/* .
    rm -f race.bak
    "$G" --config a.ini $kind "$f" "$E/B.svg" --char 70 --em-from-svg >out1 2>err1 &
    p1=$!
    sleep "0.00$((i % 5))"
    "$G" --config b.ini $kind "$f" "$E/o.svg" --char 71 --em-from-svg >out2 2>err2 &
    p2=$!
    wait $p1; r1=$?
    wait $p2; r2=$?
    for n in 1 2; do
      rc=$([ $n = 1 ] && echo $r1 || echo $r2)
      code=$([ $n = 1 ] && echo 70 || echo 71)
      if [ "$rc" = 0 ]; then
        if ! "$G" info "$f" | grep -qE "^ +$code "; then
          echo "FAIL: $kind pair $i: export of $code exited 0 but the font lacks it"
          failed=$((failed + 1))
        fi
      else
        refused=$((refused + 1))
        if [ ! -s err$n ]; then
          echo "FAIL: $kind pair $i: export of $code failed (exit $rc) without a message"
          failed=$((failed + 1))
        fi
      fi
    done
    # The font is never lost: it is complete, with the base glyph.
    if ! "$G" info "$f" | grep -qE "^ +65 "; then
      echo "FAIL: $kind pair $i: the font lost its first glyph"
      failed=$((failed + 1))
    fi
  done
  rm -rf base race.*
done
echo "$pairs pairs per plug-in, $refused exports refused, $failed failures"
[ $failed = 0 ]
