#!/bin/sh
# Runs the test suite N times (default 10) while a parallel build keeps every core busy, and
# counts the runs and the tests that failed. A test that fails only under load waits for a time
# instead of a condition; such a test is a fault to fix.
#
#   scripts/suite-under-load.sh [N]        (uses build/default, which must be built)
set -u
cd "$(dirname "$0")/.."
runs=${1:-10}
jobs=$(nproc)
load_dir=$(mktemp -d)
trap 'kill "$loader" 2>/dev/null; wait 2>/dev/null; rm -rf "$load_dir"' EXIT INT TERM

# The load: the programs built again and again from scratch, without the compiler cache.
(
  cmake -S . -B "$load_dir" -G Ninja -DBRENNIC_BUILD_TESTS=OFF -DBRENNIC_BUILD_BENCH=OFF >/dev/null
  while :; do
    CCACHE_DISABLE=1 cmake --build "$load_dir" --clean-first -j "$jobs" >/dev/null 2>&1
  done
) &
loader=$!

failed_runs=0
: >"$load_dir/failures"
i=1
while [ "$i" -le "$runs" ]; do
  if ctest --preset default >"$load_dir/run.log" 2>&1; then
    echo "run $i: passed ($(grep -o 'Total Test time (real) = *[0-9.]* sec' "$load_dir/run.log" | grep -o '[0-9.]* sec'))"
  else
    failed_runs=$((failed_runs + 1))
    grep -E '^\s+[0-9]+ - ' "$load_dir/run.log" | tee -a "$load_dir/failures" | sed "s/^/run $i: /"
  fi
  i=$((i + 1))
done
echo "$failed_runs of $runs runs failed"
[ "$failed_runs" -eq 0 ]
