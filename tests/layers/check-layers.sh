#!/usr/bin/env bash
# The folders are layers: platform, support, the engines (truetype, type1, install), the
# dialogs (ui), entry, plugins. A file may include its own folder and the layers below it;
# an include that reaches up makes a lower layer depend on code it must not know about.
set -euo pipefail
src=${1:?usage: check-layers.sh SRC_DIR}
allowed() {  # folder -> folders it may include
  case $1 in
    platform) echo "platform" ;;
    support) echo "support platform" ;;
    truetype | type1 | install) echo "$1 support platform" ;;
    # The dialogs reach the host's help entries and owner window through the ABI records.
    ui) echo "ui support platform entry/host_abi.h" ;;
    entry) echo "entry ui truetype type1 install support platform" ;;
    plugins) echo "plugins entry ui truetype type1 install support platform" ;;
    *) echo "" ;;
  esac
}
bad=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  ok=$(allowed "$layer")
  while IFS=: read -r file line inc; do
    target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$inc")
    top=${target%%/*}
    [ "$top" = "$target" ] && continue  # same-folder include
    fine=0
    for a in $ok; do
      if [ "$a" = "$top" ] || [ "$a" = "$target" ]; then fine=1; fi
    done
    # The string table's text is data shared by every layer.
    case $target in support/strings_*.inc) fine=1 ;; esac
    if [ $fine = 0 ]; then
      echo "layer violation: ${file#$src/}:$line includes $target" >&2
      bad=1
    fi
  done < <(grep -rn '#include "' "$dir" || true)
done
[ $bad = 0 ] && echo "layers: every include points down"
exit $bad
