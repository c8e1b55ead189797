#!/usr/bin/env bash
# Builds the benchmarks optimised in build-bench/ and prints every performance figure next to the
# figure that bounds it, with the ratio and PASS or MISS against its target.
#   bench/run.sh [REPETITIONS [STARTUP_RUNS]]      (defaults 9 and 20)
# The machine should be otherwise idle: every figure is a median, but a busy neighbour still shows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
repetitions=${1:-9}
startup_runs=${2:-20}
"$root/scripts/install-deps.sh" --test

build="$root/build-bench"
echo "== Build ($build)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_BENCH=ON \
    -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== In-process figures: median of $repetitions repetitions, run interleaved"
QT_QPA_PLATFORM=offscreen "$build/bench/corvane_bench" --benchmark_repetitions="$repetitions" \
    --figures="$work/in-process" | tee "$work/in-process.log"

echo "== Whole-process figures: median of $startup_runs launches each, under Xvfb"
"$root/bench/startup.sh" "$build" "$startup_runs" "$work/whole-process"

echo
echo "== All figures (load average at the end: $(cut -d' ' -f1-3 /proc/loadavg))"
cat "$work/in-process" "$work/whole-process" | awk -F'\t' '
    BEGIN { printf "%-52s %12s %12s %8s %9s %-7s %s\n", "Figure", "Measured", "Bound", "Ratio", "Target", "Verdict", "Reproduce" }
    { printf "%-52s %12s %12s %8s %9s %-7s %s\n", $1, $2, $3, $4, $5, $6, $7; count[$6]++ }
    END { printf "\n%d PASS, %d MISS, %d for context only\n", count["PASS"], count["MISS"], count["INFO"] }'
