#!/usr/bin/env bash
# Runs a Windows program in a Wine prefix made anew for it, with its own
# wineserver: tests/setup/run-in-fresh-prefix.sh ARCH PREFIX PROGRAM [ARGS...]
# The build's shared prefix stays as it is.
set -euo pipefail
arch=$1 prefix=$2
shift 2
top=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$prefix"
ARVIK_WINEPREFIX=$prefix exec "$top/tools/wine-session.sh" "$arch" "$top/tools/wine-run" "$@"
