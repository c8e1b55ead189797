#!/usr/bin/env bash
# Checks scripts/debian/source.sh on the checkout's HEAD: two runs give the same bytes, each suite (and a
# test version on top) gets its version and distribution in the unpacked change log, the upstream tarball
# is named for the version, and a tree that is no git checkout is refused.
#   source_package.sh SOURCE_DIR        exit 77 when SOURCE_DIR is no git checkout
source "$(dirname "$0")/../lib.sh"
set -e
src=$1
git -C "$src" rev-parse --git-dir >/dev/null 2>&1 || { echo "$src is no git checkout; skipped"; exit 77; }
make_source() { "$src/scripts/debian/source.sh" "$@" 2>"$work/log" || { cat "$work/log" >&2; return 1; }; }
upstream=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")

# suite, test version, then the top two entries (version and distribution) and the upstream tarball's version
cases=(
    "bookworm - $upstream-1~deb12u1/bookworm $upstream-1/unstable $upstream"
    "trixie - $upstream-1~deb13u1/trixie $upstream-1/unstable $upstream"
    "bookworm 9.1.0-2 9.1.0-2~deb12u1/bookworm 9.1.0-2/unstable 9.1.0"
)
for case in "${cases[@]}"; do
    read -r suite test_version top second orig <<<"$case"
    out=$work/$suite-$test_version
    [[ $test_version == - ]] && test_version=''
    dsc=$(make_source "$out" "$suite" $test_version) || { fail "source.sh $suite $test_version failed"; continue; }
    [[ -f $out/corvane_$orig.orig.tar.gz ]] || fail "$suite $test_version: no corvane_$orig.orig.tar.gz: $(ls "$out")"
    grep -qx 'Testsuite: autopkgtest' "$dsc" || fail "$dsc names no autopkgtest"
    dpkg-source -x "$dsc" "$out/tree" >/dev/null 2>&1 || { fail "dpkg-source -x $dsc failed"; continue; }
    entries=$(dpkg-parsechangelog -l "$out/tree/debian/changelog" --format rfc822 --count 2 |
        sed -n 's/^Version: //p; s/^Distribution: //p' | paste -d/ - - | paste -sd' ')
    expected="$top $second"
    [[ $entries == "$expected" ]] || fail "$suite $test_version: the change log starts with $entries, not $expected"
    [[ -x $out/tree/debian/rules ]] || fail "debian/rules is not executable"
done

make_source "$work/again" bookworm >/dev/null || fail "the second bookworm run failed"
for file in "$work/bookworm--"/corvane_*; do
    cmp -s "$file" "$work/again/${file##*/}" || fail "two runs give different ${file##*/}"
done

mkdir -p "$work/plain/scripts/debian" && cp "$src/scripts/debian/source.sh" "$work/plain/scripts/debian/"
! "$work/plain/scripts/debian/source.sh" "$work/none" bookworm 2>"$work/log" && grep -q 'is not a git checkout' "$work/log" ||
    fail "a tree outside git was not refused: $(cat "$work/log")"

passed "source package"
