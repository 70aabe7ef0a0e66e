#!/bin/sh
# Seeds the AFM import with its own corpus and real AFM files.
set -u
corpus=${1:?usage: afm_import_fuzz.sh CORPUS_DIR}
here=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$corpus"
cp "$here"/fuzz/ui/corpus/* "$corpus/" 2>/dev/null
"$here/fuzz/seeds/type1_afm_fuzz.sh" "$corpus"
exit 0
