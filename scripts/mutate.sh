#!/usr/bin/env bash
# Shows how strong the tests are: plants one fault at a time in a scratch copy of the tree, rebuilds,
# and reports which test notices it. A developer tool; the test suite never runs it.
#
#   scripts/mutate.sh [--only 3,7,12] [--list FILE] [--scratch DIR] [--no-e2e]
#
# The faults live in scripts/mutations.txt, one block each:
#   @ path/from/the/root | what a user would see
#   - exact text to replace (several "- " lines make one text of several lines)
#   + its replacement (none: the text is deleted; a bare "+" is an empty line)
# Other lines are comments. The text must occur exactly once in its file, or the fault is reported NOT
# APPLIED and counted apart.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
list="$root/scripts/mutations.txt"
scratch="${TMPDIR:-/tmp}/corvane-mutate"
only=''
e2e=1
while (($#)); do
    case $1 in
        --only) only=",$2,"; shift 2 ;;
        --list) list=$2; shift 2 ;;
        --scratch) scratch=$2; shift 2 ;;
        --no-e2e) e2e=0; shift ;;
        *) echo "usage: $0 [--only N,M] [--list FILE] [--scratch DIR] [--no-e2e]" >&2; exit 2 ;;
    esac
done
[[ -f "$list" ]] || { echo "no fault list at $list" >&2; exit 2; }

# The tree as git sees it (tracked and new files), mirrored so unchanged files keep their times and the
# build after it stays incremental from one run to the next. Times are not copied: a file differing from
# the copy gets the current time, so nothing built from a planted fault can look up to date.
src="$scratch/src" build="$scratch/build"
mkdir -p "$src"
while IFS= read -r -d '' f; do
    [[ -f "$root/$f" ]] || continue
    cmp -s "$root/$f" "$src/$f" && continue
    mkdir -p "$(dirname "$src/$f")" && cp "$root/$f" "$src/$f" || { echo "copying $f failed" >&2; exit 2; }
    [[ -x "$root/$f" ]] && chmod +x "$src/$f"
done < <(cd "$root" && git ls-files -co --exclude-standard -z)

echo "== Building the unchanged tree in $build"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 \
    -DCORVANE_BUILD_TESTS=ON >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; exit 2; }
cmake --build "$build" -j2 >"$scratch/build.log" 2>&1 || { tail -n 40 "$scratch/build.log"; exit 2; }

labelled() { ctest --test-dir "$build" -N -L "$1" | sed -n 's/^ *Test *#[0-9]*: //p'; }
mapfile -t tests < <(labelled unit)
((e2e)) && tests+=(e2e)
# The scripts' own tests, for faults planted in scripts.
mapfile -t script_tests < <(labelled scripts)
# A fault the tests cannot see must be a fault: the unchanged tree has to pass every test first.
for t in "${tests[@]}" "${script_tests[@]}"; do
    ctest --test-dir "$build" -R "^$t\$" --timeout 300 >"$scratch/baseline.log" 2>&1 ||
        { echo "the unchanged tree fails $t; fix that first" >&2; cat "$scratch/baseline.log"; exit 2; }
done

# apply FILE ORIGINAL REPLACEMENT: replaces the one occurrence; fails when there is not exactly one.
apply() {
    local text after
    text=$(cat "$1"; echo .) && text=${text%.} after=${text#*"$2"}
    [[ $after != "$text" ]] || { echo "not found"; return 3; }
    [[ $after != *"$2"* ]] || { echo "found more than once"; return 3; }
    printf '%s' "${text%%"$2"*}$3$after" >"$1"
}

killed=0 survived=0 unapplied=0 unbuilt=0
survivors=()
not_applied() { echo "#$n NOT APPLIED ($1): $what"; unapplied=$((unapplied + 1)); }
# run_fault NUMBER FILE DESCRIPTION: plants $old -> $new, as flush gathered them from the block.
run_fault() {
    local n=$1 file=$2 what=$3 verdict='' why t limit
    [[ -f "$src/$file" ]] || { not_applied "$file does not exist"; return; }
    cp -p "$src/$file" "$scratch/original"
    why=$(apply "$src/$file" "$old" "$new") || { not_applied "$file: text $why"; return; }
    if ! cmake --build "$build" -j2 >"$scratch/fault-build.log" 2>&1; then
        verdict="NOT BUILT"; unbuilt=$((unbuilt + 1))
    else
        local -a run=("${tests[@]}")
        [[ $file != scripts/* ]] || run=("${script_tests[@]}")
        for t in "${run[@]}"; do
            # A fault that hangs a unit test is caught by the time limit, so keep that short.
            limit=60; [[ $t == e2e ]] && limit=300
            if ! ctest --test-dir "$build" -R "^$t\$" --timeout $limit >"$scratch/fault-$n-$t.log" 2>&1; then
                verdict="killed by $t"; killed=$((killed + 1)); break
            fi
        done
        [[ -n "$verdict" ]] || { verdict=survived; survived=$((survived + 1)); survivors+=("$n"); }
    fi
    echo "#$n $verdict: $what ($file)"
    # The file gets a new time, so the next build recompiles it from the restored text.
    cp "$scratch/original" "$src/$file" && touch "$src/$file"
}

# A block's "- " and "+ " lines, each gathered in order, make its text and replacement, one per line.
n=0 olds=() news=()
flush() {
    ((n)) && [[ -z "$only" || "$only" == *",$n,"* ]] || return 0
    local IFS=$'\n'
    old="${olds[*]}" new="${news[*]}"
    IFS=$' \t\n'
    if ((${#olds[@]})); then run_fault "$n" "$file" "$what"
    else not_applied "no original text"; fi
}
while IFS= read -r line; do
    case $line in
        '@ '*) flush; n=$((n + 1)) olds=() news=() line=${line#@ }; file=${line%% | *} what=${line#* | } ;;
        '- '*) olds+=("${line#- }") ;;
        '+ '*) news+=("${line#+ }") ;;
        '+') news+=('') ;;
    esac
done <"$list"
flush

((${#survivors[@]})) && echo "survivors: ${survivors[*]}"
((unapplied)) && echo "$unapplied NOT APPLIED"
((unbuilt)) && echo "$unbuilt NOT BUILT"
echo "$killed killed, $survived survived"
