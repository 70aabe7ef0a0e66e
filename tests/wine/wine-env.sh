# Sourced by the Wine tests: a private prefix, quiet Wine, and the right loader.
export WINEDEBUG=-all
export WINEPREFIX=${GX_WINEPREFIX:-$(mktemp -d /tmp/gx-wine-XXXXXX)}
export WINEDLLOVERRIDES="mscoree,mshtml="
# 64-bit builds need wine64; where the kernel runs 32-bit code, plain wine runs both.
wine_for() {
  if i686_file "$1"; then echo wine; elif [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else echo wine; fi
}
i686_file() { file -b "$1" | grep -q 'Intel 80386'; }
winpath() { echo "Z:${1//\//\\}"; }
# Removes a private prefix; its wineserver outlives the programs for a while and would
# still be writing into it.
wine_done() {
  [ -n "${GX_WINEPREFIX:-}" ] && return 0
  local ws=/usr/lib/wine/wineserver
  [ -x "$ws" ] || ws=wineserver
  "$ws" -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
}
