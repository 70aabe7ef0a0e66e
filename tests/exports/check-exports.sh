#!/usr/bin/env bash
# usage: check-exports.sh NATIVE_BIN [WINDOWS_BIN]
set -u
native=$1 win=${2:-}
failed=0 passed=0
for lib in libtruetype_export.so libtype1_export.so; do
  syms=$(nm -D --defined-only "$native/$lib" | awk '{print $3}' | sort | tr '\n' ' ')
  if [ "$syms" = "FilterEntry " ]; then passed=$((passed + 1)); else
    echo "FAIL: $lib exports: $syms"; failed=$((failed + 1)); fi
done
if [ -n "$win" ]; then
  for dll in truetype_export.dll type1_export.dll; do
    if file -b "$win/$dll" | grep -q 80386; then objdump=i686-w64-mingw32-objdump
    else objdump=x86_64-w64-mingw32-objdump; fi
    names=$("$objdump" -p "$win/$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\t\[/{print $NF} t&&/^$/{t=0}' | tr '\n' ' ')
    if [ "$names" = "FilterEntry " ]; then passed=$((passed + 1)); else
      echo "FAIL: $dll exports: $names"; failed=$((failed + 1)); fi
    # Each DLL stands alone: no C++ runtime or thread library of the compiler beside it.
    if "$objdump" -p "$win/$dll" | grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
      echo "FAIL: $dll needs a compiler runtime DLL"; failed=$((failed + 1)); else passed=$((passed + 1)); fi
    # The real dialogs: window functions imported, the three templates and the version
    # information in the resources, and no debug sections in a Release build.
    if "$objdump" -p "$win/$dll" | grep -q 'DialogBoxParamA'; then passed=$((passed + 1)); else
      echo "FAIL: $dll shows no dialog"; failed=$((failed + 1)); fi
    res=$(strings -el "$win/$dll")
    for text in "Character &number:" "Typeface information" "&Load Font Metrics..." \
        VLX60_NUMBOX FileVersion; do
      if grep -qF "$text" <<<"$res"; then passed=$((passed + 1)); else
        echo "FAIL: $dll lacks the resource text '$text'"; failed=$((failed + 1)); fi
    done
    if "$objdump" -h "$win/$dll" | grep -q '\.debug'; then
      echo "FAIL: $dll keeps debug sections"; failed=$((failed + 1)); else passed=$((passed + 1)); fi
  done
  if strings -el "$win/glyph-export.exe" | grep -q FileVersion; then passed=$((passed + 1)); else
    echo "FAIL: glyph-export.exe has no version information"; failed=$((failed + 1)); fi
fi
echo "$passed passed, $failed failed"
[ $failed = 0 ]
