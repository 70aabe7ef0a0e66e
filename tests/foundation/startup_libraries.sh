#!/usr/bin/env bash
# FreeType, libpng and fontconfig (and all they pull in) are opened only by the runs that
# draw strokes or specimens or use symbol mode. A link to them would make every export
# load them at start; this fails when one creeps back in.
set -u
bin=${1:?usage: startup_libraries.sh BIN_DIR}
bad=0
for f in "$bin/glyph-export" "$bin/libtruetype_export.so" "$bin/libtype1_export.so"; do
  if [ ! -f "$f" ]; then
    echo "missing: $f"
    bad=1
    continue
  fi
  needed=$(readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  for lib in $needed; do
    case $lib in
      libfreetype* | libpng* | libfontconfig* | libexpat* | libbrotli* | libz.*)
        echo "$f links $lib at start"
        bad=1
        ;;
    esac
  done
done
[ $bad = 0 ] && echo "startup libraries: none of the lazily opened ones is linked"
exit $bad
