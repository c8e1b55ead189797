#!/usr/bin/env bash
# The Linux leg of the test suite, on a machine that has what install-deps.sh --test installs: the ci build
# with warnings as errors and every test of it (unit, script, end-to-end, packaging, bench_smoke), then
# clang-tidy, the unit tests under AddressSanitizer and UBSan, and short fuzz runs.
#   linux-leg.sh          all of it
#   linux-leg.sh --ci     the ci build and its tests only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# clang-tidy runs for minutes with its output in a log: run_step says meanwhile how long it has run.
source "$root/scripts/progress.sh"
jobs=$(nproc)

echo "== Build and test (warnings as errors)"
cmake --preset ci >/dev/null
cmake --build --preset ci --parallel "$jobs"
ctest --preset ci
[[ ${1:-} == --ci ]] && exit 0

echo "== clang-tidy on the program's code"
run_step clang-tidy build-ci/clang-tidy.log \
    run-clang-tidy -quiet -p build-ci "$root/(engine|settings|platform|ui)/.*\.cpp\$|$root/main\.cpp\$" ||
    { grep -E "(error|warning):" build-ci/clang-tidy.log; echo "clang-tidy found problems" >&2; exit 1; }
echo "clean"

echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan --parallel "$jobs"
ctest --preset asan

echo "== Short fuzz runs"
"$root/scripts/fuzz.sh" 20
