#!/bin/sh
# Copies real Type 1 font programs into the corpus given: PFB, raw binary, the "-|"
# style of cm-super and a PFA made on the spot. Fonts that are not installed are
# passed over.
set -u
corpus=${1:?usage: type1_font_program_fuzz.sh CORPUS_DIR}
mkdir -p "$corpus"
for f in \
  /usr/share/texlive/texmf-dist/fonts/type1/public/amsfonts/symbols/msam10.pfb \
  /usr/share/texlive/texmf-dist/fonts/type1/public/amsfonts/symbols/msbm10.pfb \
  /usr/share/fonts/X11/Type1/StandardSymbolsPS.pfb \
  /usr/share/fonts/X11/Type1/D050000L.pfb \
  /usr/share/fonts/type1/urw-base35/D050000L.t1 \
  /usr/share/texmf/fonts/type1/public/cm-super/sfbmr10.pfb; do
  [ -f "$f" ] && cp "$f" "$corpus/"
done
pfb=/usr/share/fonts/X11/Type1/StandardSymbolsPS.pfb
if [ -f "$pfb" ] && command -v t1ascii >/dev/null; then
  t1ascii "$pfb" "$corpus/StandardSymbolsPS.pfa" 2>/dev/null
fi
exit 0
