#!/usr/bin/env bash
# Configures and builds one architecture: tools/build.sh ARCH [TESTS=ON|OFF [TARGETS]]
# (everything unless TARGETS, one or more names separated by blanks, are given).
# ARVIK_CONFIG=Debug builds the developers' configuration (symbols, no
# optimisation) in build/ARCH-debug; Release, what ships, is the default.
# ARVIK_QUIET=1 writes the build's output to build.log in the build folder
# and prints one line, "built: ...", or the log's tail when it failed.
# The target dist signs with what ARVIK_SIGN_PFX, ARVIK_SIGN_PASSWORD_FILE
# and ARVIK_SIGN_TIMESTAMP_URL name (tools/sign.sh): they reach it, and the
# installer's own signing, through the build's environment.
set -euo pipefail
arch=$1 tests=${2:-ON} target=${3:-}
config=${ARVIK_CONFIG:-Release}
top=$(cd "$(dirname "$0")/.." && pwd)
case $config in
  Release) default_dir=$top/build/$arch;;
  Debug) default_dir=$top/build/$arch-debug;;
  *) echo "build.sh: ARVIK_CONFIG is Release or Debug, not $config" >&2; exit 2;;
esac
dir=${ARVIK_BUILD_DIR:-$default_dir}   # another folder for side-by-side builds
# Tools that stamp a time take the commit's (reproducible builds).
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git -C "$top" log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
fi
build() {
  cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE="$config" -DARVIK_TESTS="$tests" >/dev/null
  # $target unquoted: each name becomes a word of its own.
  cmake --build "$dir" -j"$(nproc)" ${target:+--target $target}
}
if [ "${ARVIK_QUIET:-}" != 1 ]; then
  build
  exit
fi
mkdir -p "$dir"
log=$dir/build.log
start=$(date +%s)
if build >"$log" 2>&1; then
  echo "built: ${target:-everything} ($arch $config, $(($(date +%s) - start)) s) in ${dir#"$top"/}"
else
  tail -n 30 "$log"
  echo "build failed: its whole output is in ${log#"$top"/}" >&2
  exit 1
fi
