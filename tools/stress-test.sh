#!/usr/bin/env bash
# Runs the whole test suite N times on a busy machine: tools/stress-test.sh N
# Each run is what `make test` runs (ctest -j2 of the build for the
# architecture tools/arch.sh names, in one Wine session), while two busy
# loops keep two processors loaded. Prints each run's result, which tests
# failed in it, and how many runs passed; exits 0 only when all did.
# Build first (make build). Each run's output stays in
# build/ARCH/stress/run-K.log.
set -euo pipefail
runs=${1:?usage: tools/stress-test.sh N}
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
arch=$(tools/arch.sh)
if [ ! -f "build/$arch/CTestTestfile.cmake" ]; then
  echo "stress-test: no build in build/$arch: run make build first" >&2
  exit 2
fi
mkdir -p "build/$arch/stress"

loops=()
trap 'kill "${loops[@]}" 2>/dev/null || true' EXIT
for _ in 1 2; do
  (while :; do :; done) &
  loops+=($!)
done

passed=0
for ((k = 1; k <= runs; k++)); do
  log=build/$arch/stress/run-$k.log
  start=$(date +%s)
  # A bound for a whole run, well above ctest's own per-test ones.
  if timeout 7200 tools/wine-session.sh "$arch" ctest --test-dir "build/$arch" --output-on-failure -j2 \
      >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "run $k of $runs: passed ($(($(date +%s) - start)) s)"
  else
    failed=$(sed -n '/The following tests FAILED:/,$ s/^[[:space:]]*[0-9]* - \(.*\)$/\1/p' "$log" | tr '\n' ',' | sed 's/,$//; s/,/, /g')
    echo "run $k of $runs: FAILED ($(($(date +%s) - start)) s): ${failed:-see $log}"
  fi
done
echo "$passed of $runs runs passed"
[ "$passed" -eq "$runs" ]
