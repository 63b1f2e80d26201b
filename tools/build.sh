#!/usr/bin/env bash
# Configures and builds one architecture: tools/build.sh ARCH [TESTS=ON|OFF [TARGETS]]
# (everything unless TARGETS, one or more names separated by blanks, are given).
set -euo pipefail
arch=$1 tests=${2:-ON} target=${3:-}
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${ARVIK_BUILD_DIR:-$top/build/$arch}   # another folder for side-by-side builds
# Tools that stamp a time take the commit's (reproducible builds).
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git -C "$top" log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
fi
cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DARVIK_TESTS="$tests" >/dev/null
# $target unquoted: each name becomes a word of its own.
cmake --build "$dir" -j"$(nproc)" ${target:+--target $target}
