#!/usr/bin/env bash
# Counts the wineserver requests that aRvik.LogWrite makes per entry in
# steady state: tools/log-requests.sh [ARCH [spooled]]  (after a build; ARCH
# as tools/arch.sh says when not given; spooled: with "Log Delivery"
# spooled, the script's thread alone).
# The benchmark's log-requests case writes 200 entries between two named
# events; a server started with a trace of its requests (-d1) logs every
# request as "NNNN: name( ... )", and those between the two create_event
# calls are counted, by name. The prefix's server is stopped first: the
# trace needs a server of its own. ARVIK_KEEP_TRACE=FILE keeps the trace.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-$("$top/tools/arch.sh")}
case=log-requests
[ "${2:-}" = spooled ] && case=log-requests-spooled
dir=${ARVIK_BUILD_DIR:-$top/build/$arch}
export WINEPREFIX=$dir/wineprefix
export ARVIK_WINE=$([ "$arch" = i686 ] && echo wine || echo wine64)
server=wineserver
[ "$arch" = x86_64 ] && [ -x /usr/lib/wine/wineserver64 ] && server=/usr/lib/wine/wineserver64
[ -x "$dir/bench/aRvik_bench.exe" ] || { echo "no $dir/bench/aRvik_bench.exe: build first"; exit 2; }
[ -f "$WINEPREFIX/system.reg" ] || { echo "no prefix $WINEPREFIX: run make test first"; exit 2; }
trace=$(mktemp)
csv=$(mktemp)
trap 'rm -f "$csv"; [ -n "${ARVIK_KEEP_TRACE:-}" ] && cp "$trace" "$ARVIK_KEEP_TRACE"; rm -f "$trace"' EXIT
"$server" -k 2>/dev/null || true
"$server" -w 2>/dev/null || true
"$server" -f -d1 >"$trace" 2>&1 &
traced=$!
(cd "$dir/bench" && "$top/tools/wine-run" aRvik_bench.exe --case "$case" --csv "Z:${csv//\//\\}" >/dev/null)
"$server" -k 2>/dev/null || true
wait "$traced" || true
# Requests are "NNNN: name( ...", NNNN the thread; replies read
# "NNNN: name() = ...". Only the marking thread's count: the entries are
# written on it, and other processes of the prefix may be busy meanwhile.
awk -v entries=200 '
  /create_event\(.*aRvik\.requests\.begin/ { on = 1; thread = $1; next }
  /create_event\(.*aRvik\.requests\.end/ { on = 0 }
  on && $1 == thread && /^[0-9a-f]+: [a-z_]+\( / { split($2, part, "("); count[part[1]]++; total++ }
  END {
    if (!total) { print "no requests between the marks (was the trace taken?)"; exit 1 }
    printf "%d requests for %d entries: %.2f per entry\n", total, entries, total / entries
    for (name in count) printf "  %-32s %d\n", name, count[name]
  }' "$trace"
