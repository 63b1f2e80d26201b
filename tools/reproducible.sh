#!/usr/bin/env bash
# Builds the module that ships (i686 aRvik.dll) twice from this tree, in two
# folders of different names and depths below build/reproducible, and
# compares the two byte for byte: no build path and no time stamp may
# reach it. Exit code 1 when they differ.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=$top/build/reproducible
one=$work/one two=$work/second/folder
rm -rf "$work"
for dir in "$one" "$two"; do
  echo "reproducible: building in $dir"
  ARVIK_CONFIG=Release ARVIK_BUILD_DIR=$dir "$top/tools/build.sh" i686 OFF aRvik >/dev/null
done
if cmp "$one/Plugin/aRvik.dll" "$two/Plugin/aRvik.dll"; then
  echo "reproducible: the two builds of aRvik.dll are the same, $(stat -c %s "$one/Plugin/aRvik.dll") bytes," \
       "SHA-256 $(sha256sum <"$one/Plugin/aRvik.dll" | cut -d' ' -f1)"
else
  echo "reproducible: the two builds of aRvik.dll differ"
  exit 1
fi
