#!/usr/bin/env bash
# Every end-to-end script of the Linux tests run again with glyph-export.exe under Wine:
# the exports go through the real dialogs, the validators check what they write, and it
# must be byte for byte what the Linux build writes.
# usage: e2e-wine.sh WIN_BIN NATIVE_BIN SOURCE_DIR
set -u
win=$(cd "$1" && pwd) native=$(cd "$2" && pwd) src=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
work=$(mktemp -d /tmp/gx-wine-e2e-XXXXXX)
trap 'rm -rf "$work"; wine_done' EXIT
export GX_WIN_EXE=$win/glyph-export.exe GX_NATIVE=$native/glyph-export
export GX_MIRROR=$work/mirror GX_DIFF_LOG=$work/differences GX_WINE=$(wine_for "$GX_WIN_EXE")
# Each build finds its plug-ins beside its own program.
unset GLYPH_EXPORT_PLUGIN_DIR
: >"$GX_DIFF_LOG"
bash "$src/tests/e2e/e2e.sh" "$here/glyph-export-both.sh" "$src"
rc=$?
if [ -s "$GX_DIFF_LOG" ]; then
  echo "FAIL: Windows and Linux differ:"
  cat "$GX_DIFF_LOG"
  rc=1
fi
exit $rc
