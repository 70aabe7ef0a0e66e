#!/bin/sh
# Copies real AFM files into the corpus given; missing ones are passed over.
set -u
corpus=${1:?usage: type1_afm_fuzz.sh CORPUS_DIR}
mkdir -p "$corpus"
for f in \
  /usr/share/texlive/texmf-dist/fonts/afm/public/amsfonts/symbols/msam10.afm \
  /usr/share/fonts/type1/urw-base35/StandardSymbolsPS.afm \
  /usr/share/fonts/type1/urw-base35/NimbusSans-Regular.afm \
  /usr/share/fonts/type1/urw-base35/D050000L.afm; do
  [ -f "$f" ] && cp "$f" "$corpus/"
done
exit 0
