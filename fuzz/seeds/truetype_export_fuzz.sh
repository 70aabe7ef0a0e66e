#!/bin/sh
# Copies small real TrueType fonts into the corpus given; missing ones are passed over.
set -u
corpus=${1:?usage: truetype_export_fuzz.sh CORPUS_DIR}
mkdir -p "$corpus"
for f in /usr/share/wine/fonts/webdings.ttf /usr/share/wine/fonts/marlett.ttf \
  /usr/share/wine/fonts/wingding.ttf /usr/share/fonts/truetype/ttf-bitstream-vera/Vera.ttf; do
  [ -f "$f" ] && cp "$f" "$corpus/"
done
exit 0
