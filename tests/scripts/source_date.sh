#!/usr/bin/env bash
# Where the release files take their time from: SOURCE_DATE_EPOCH when set, else the time git archive
# wrote into cmake/commit-time.txt, else the last commit of the checkout the sources are. An archive
# unpacked inside another project's checkout keeps its own time, a copy lying in one has none, and
# sources without any time stop with the way out named.
#   source_date.sh SOURCE_DIR
source "$(dirname "$0")/../lib.sh"
src=${1:?usage: source_date.sh SOURCE_DIR}

printf 'cmake_minimum_required(VERSION 3.25)\ninclude("%s/cmake/ReleaseFiles.cmake")\ncorvane_source_date_epoch("${DIR}")\nmessage(NOTICE "$ENV{SOURCE_DATE_EPOCH}")\n' \
    "$src" >"$work/print.cmake"
# sources DIR [TIME]: a tree whose commit-time.txt holds TIME, or git's placeholder as a checkout has it.
sources() { mkdir -p "$1/cmake" && printf '%s\n' "${2:-\$Format:%ct\$}" >"$1/cmake/commit-time.txt"; }
sources "$work/archive" 1700000000
sources "$work/bare"
sources "$work/checkout"
sources "$work/checkout/archive" 1700000000
sources "$work/checkout/copy"
git -C "$work/checkout" init -q && git -C "$work/checkout" add -A &&
    GIT_COMMITTER_DATE="@1600000000 +0000" git -C "$work/checkout" -c user.name=t -c user.email=t@example.org \
        commit -qm sources || { echo "FAIL: no test checkout" >&2; exit 1; }

# SOURCES  SOURCE_DATE_EPOCH (- for unset)  the time taken, or "stops"
cases=(
    "archive           -  1700000000"
    "archive           5  5"
    "checkout          -  1600000000"
    "checkout/archive  -  1700000000"
    "checkout/copy     -  stops"
    "bare              -  stops"
)
for case in "${cases[@]}"; do
    read -r dir epoch want <<<"$case"
    env=(-u SOURCE_DATE_EPOCH)
    [[ $epoch == - ]] || env=(SOURCE_DATE_EPOCH="$epoch")
    got=$(env "${env[@]}" cmake -DDIR="$work/$dir" -P "$work/print.cmake" 2>&1) && status=0 || status=$?
    if [[ $want == stops ]]; then
        # cmake wraps its messages at any space.
        ((status != 0)) && [[ $(tr -s ' \n' ' ' <<<"$got") == *"or set SOURCE_DATE_EPOCH to the time of the commit"* ]] ||
            fail "$dir with SOURCE_DATE_EPOCH $epoch: did not stop with the fix named, but: $got"
    else
        [[ $status == 0 && $got == "$want" ]] || fail "$dir with SOURCE_DATE_EPOCH $epoch: wanted $want, got $got"
    fi
done

passed "source time"
