#!/bin/sh
# Seeds the SVG reader with its own corpus and the example drawings.
set -u
corpus=${1:?usage: svg_fuzz.sh CORPUS_DIR}
here=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$corpus"
cp "$here"/fuzz/svg/corpus/* "$here"/examples/*.svg "$here"/tests/fidelity/svgs/*.svg "$corpus/" 2>/dev/null
exit 0
