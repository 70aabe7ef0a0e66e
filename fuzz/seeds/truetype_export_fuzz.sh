#!/bin/sh
# The whole-export target starts from the same real fonts as the font reader.
exec "$(dirname "$0")/read_existing_font_fuzz.sh" "$@"
