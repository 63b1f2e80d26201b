#!/usr/bin/env bash
# Drives the real aRvik.dll, loaded as the host loads it, with randomly
# chosen commands and hostile values of their properties, and checks each
# call against the docs (tests/fuzz, docs/build.md "The command fuzzer"):
#   tools/fuzz-commands.sh [--all] N [SEED]     N calls; SEED (decimal or
#                                               0x...) decides them all, a
#                                               random one when not given
#   tools/fuzz-commands.sh [--all] --replay SEED  the call of one seed alone,
#                                               with the properties before
#                                               and after it
# Every finding prints the line that replays its call. --all draws the
# values tests/fuzz/Exclusions.cpp excludes too. Builds the fuzzer (and
# the module) for the 32-bit configuration first, the one that ships; it
# runs in the build folder's Wine prefix, one run at a time (it writes the
# plug-in's settings and Session Props, and puts them back). Exit code:
# 0 nothing found, 1 something found, 2 could not run, 3 a hang or a crash.
set -euo pipefail
usage='usage: tools/fuzz-commands.sh [--all] N [SEED] | [--all] --replay SEED'
[ $# -ge 1 ] || { echo "$usage" >&2; exit 2; }
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
ARVIK_CONFIG=Release ARVIK_QUIET=1 tools/build.sh i686 ON command_fuzz >&2
exec tools/wine-session.sh i686 tools/wine-run build/i686/tests/command_fuzz.exe "$@"
