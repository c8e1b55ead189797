#!/usr/bin/env bash
# Builds the libFuzzer targets (preset `fuzz`, clang) and runs each for a bounded time on a scratch
# copy of its seeds in fuzz/corpus/<target>/, so the repository is left as it was. Fails when a
# target finds a crash, undefined behaviour, a timeout or runs out of memory, and keeps the input.
#   fuzz.sh [seconds-per-target]      default 60
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [seconds-per-target]" >&2; exit 2; }
targets=(fuzz_numeric_text fuzz_presets)

"$root/scripts/install-deps.sh" --test
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --parallel "$(nproc)"

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-fuzz.XXXXXX")
failed=()
# A failed target's folder, with its input and log, outlives the run.
trap '((${#failed[@]})) || rm -rf "$work"' EXIT

# Corvane reads numbers under the user's locale; one with a decimal comma is where that can go wrong.
mkdir -p "$work/locale"
localedef -i de_DE -f UTF-8 "$work/locale/de_DE.UTF-8" >/dev/null 2>&1 ||
    { echo "de_DE.UTF-8 could not be built for the runs (localedef, package locales)" >&2; exit 1; }
environment=(LOCPATH="$work/locale" LC_ALL=de_DE.UTF-8)

shopt -s nullglob

# A value written as @Variant(...) carries its own element count, and Qt reserves room for that
# many before it reads a single one: up to tens of gigabytes from a few bytes. A desktop machine
# hands out the address space without touching it, or refuses it, and Qt goes on either way.
# Under AddressSanitizer the reservation is served and its shadow written, 2 GiB for a 16 GiB
# block, which libFuzzer reports as running out of memory. So the presets target has a request over
# 1 GiB refused, as such a machine would, and the reading goes on.
presets_asan="allocator_may_return_null=1:max_allocation_size_mb=1024"

for target in "${targets[@]}"; do
    dir="$work/$target"
    mkdir -p "$dir/corpus"
    cp -R "$root/fuzz/corpus/$target/." "$dir/corpus/"
    options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
             -artifact_prefix="$dir/")
    [[ -f "$root/fuzz/$target.dict" ]] && options+=(-dict="$root/fuzz/$target.dict")
    asan=${ASAN_OPTIONS:-}
    if [[ "$target" == fuzz_presets ]]; then
        # QSettings keeps the files it has read from one input to the next, which libFuzzer takes as
        # a reason for a full leak scan after nearly every input; that makes the run ten times slower.
        options+=(-detect_leaks=0)
        asan=${asan:+$asan:}$presets_asan
    fi

    status=0
    env "${environment[@]}" ASAN_OPTIONS="$asan" TMPDIR="$dir" "$root/build-fuzz/fuzz/$target" "${options[@]}" "$dir/corpus" \
        >"$dir/log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
    findings=("$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-*)
    if ((status == 0 && ${#findings[@]} == 0)); then
        printf '%-20s %12s executions in %ss, no findings\n' "$target" "${executions:-?}" "$seconds"
        continue
    fi
    failed+=("$target")
    printf '%-20s %12s executions, FAILED (exit %s), log %s\n' "$target" "${executions:-?}" "$status" "$dir/log"
    grep -E '^(numeric text|presets):|ERROR|SUMMARY|^ *#[0-9]+ 0x' "$dir/log" | head -n 30 || true
    for finding in "${findings[@]}"; do
        od -An -c "$finding" | head -n 8
        echo "  reproduce: ASAN_OPTIONS=$asan build-fuzz/fuzz/$target $finding  (then add it under fuzz/corpus/$target/)"
    done
done
((${#failed[@]} == 0)) || { echo "Fuzzing found problems in: ${failed[*]}" >&2; exit 1; }
echo "Fuzzing: ${#targets[@]} targets, no findings"
