#!/bin/sh
# The whole-export target starts from the same real fonts as the font-program reader.
exec "$(dirname "$0")/type1_font_program_fuzz.sh" "$@"
