#!/usr/bin/env bash
# The sources as released, on a checkout of their own: where the release files take their time from
# (SOURCE_DATE_EPOCH when set, else the time git archive wrote into cmake/commit-time.txt, else the last
# commit of the checkout the sources are; an archive unpacked inside another project's checkout keeps its
# own time, a copy lying in one has none, and sources without any time stop with the way out named); and
# scripts/debian/source.sh: two runs give the same bytes, each suite (and a test version) gets its entries
# on top of the committed change log, the upstream tarball is named for the version, and a tree that is
# no git checkout is refused.
#   source_package.sh SOURCE_DIR
source "$(dirname "$0")/../lib.sh"
src=${1:?usage: source_package.sh SOURCE_DIR}
upstream=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")

mkdir "$work/checkout" && tar -C "$src" --exclude=./.git --exclude='./build*' -cf - . | tar -C "$work/checkout" -xf -
# sources DIR: a tree whose commit-time.txt holds git's placeholder, as a checkout has it.
sources() { mkdir -p "$1/cmake" && printf '%s\n' "\$Format:%ct\$" >"$1/cmake/commit-time.txt"; }
sources "$work/checkout"
co=$work/checkout commit=(git -C "$work/checkout" -c user.name=t -c user.email=t@example.org commit -q)
git -C "$co" init -q && git -C "$co" add -A && GIT_COMMITTER_DATE="@1600000000 +0000" "${commit[@]}" -m sources ||
    { echo "FAIL: no test checkout" >&2; exit 1; }

# package OUT SUITE [VERSION]: scripts/debian/source.sh's package, whose .dsc is $dsc, unpacked into OUT/tree.
package() {
    dsc=$("$co/scripts/debian/source.sh" "$@" 2>"$work/log") && dpkg-source -x "$dsc" "$1/tree" >/dev/null 2>&1 ||
        { cat "$work/log" >&2; fail "source.sh $*, or unpacking what it made, failed"; return 1; }
}
# entries OUT: the top two entries of the unpacked change log, each as version/distribution.
entries() {
    dpkg-parsechangelog -l "$1/tree/debian/changelog" --format rfc822 --count 2 |
        sed -n 's/^Version: //p; s/^Distribution: //p' | paste -d/ - - | paste -sd' '
}
# suite, test version, then the top two entries and the upstream tarball's version
while read -r suite test_version top second orig; do
    out=$work/$suite-$test_version
    [[ $test_version == - ]] && test_version=''
    package "$out" "$suite" $test_version || continue
    [[ -f $out/corvane_$orig.orig.tar.gz ]] || fail "$suite $test_version: no corvane_$orig.orig.tar.gz: $(ls "$out")"
    grep -qx 'Testsuite: autopkgtest' "$dsc" || fail "$dsc names no autopkgtest"
    [[ $(entries "$out") == "$top $second" ]] || fail "$suite $test_version: the change log starts with $(entries "$out"), not $top $second"
    [[ -x $out/tree/debian/rules ]] || fail "debian/rules is not executable"
done <<ROWS
bookworm -       $upstream-1~deb12u1/bookworm $upstream-1/unstable $upstream
trixie   -       $upstream-1~deb13u1/trixie   $upstream-1/unstable $upstream
bookworm 9.1.0-2 9.1.0-2~deb12u1/bookworm     9.1.0-2/unstable     9.1.0
ROWS

package "$work/again" bookworm || fail "the second bookworm run failed"
for file in "$work/bookworm--"/corvane_*; do
    cmp -s "$file" "$work/again/${file##*/}" || fail "two runs give different ${file##*/}"
done

# release.sh --bump: refused unless above the version and major.minor.patch, and then nothing changes;
# taken, the version moves wherever the program and its packages show it, and the source package is made
# at it, the entry's text on top of both change logs.
for bad in "$upstream" 0.9.0 9.2; do
    ! "$co/scripts/release.sh" --bump "$bad" 'Text.' 2>/dev/null || fail "--bump $bad was taken"
done
[[ -z $(git -C "$co" status --porcelain) ]] || fail "a refused --bump changed the tree: $(git -C "$co" status --porcelain)"
if quiet "$co/scripts/release.sh" --bump 9.2.0 'Fixes <this> & that.' &&
        GIT_COMMITTER_DATE="@1700000000 +0000" quiet "${commit[@]}" -am 9.2.0; then
    git -C "$co" grep -F "$upstream" -- help/about.html packaging/corvane.1 packaging/windows/uninstall.manifest >&2 &&
        fail "the version shown is still $upstream there"
    grep -q '^project(Corvane VERSION 9.2.0 ' "$co/CMakeLists.txt" || fail "CMakeLists.txt's version did not move"
    grep -qF '<release version="9.2.0" date="'"$(date -u +%F)"'"><description><p>Fixes &lt;this&gt; &amp; that.</p>' \
        "$co/packaging/example.corvane.Corvane.metainfo.xml" && quiet appstreamcli validate --no-net --pedantic \
        "$co/packaging/example.corvane.Corvane.metainfo.xml" || fail "the metainfo has no valid entry for 9.2.0"
    [[ $(dpkg-parsechangelog -l "$co/packaging/changelog" -S Version) == 9.2.0 ]] || fail "the upstream change log has no 9.2.0 entry"
    package "$work/bumped" trixie && [[ $(entries "$work/bumped") == "9.2.0-1~deb13u1/trixie 9.2.0-1/unstable" ]] &&
        grep -qF '* Fixes <this> & that.' "$work/bumped/tree/debian/changelog" ||
        fail "the Debian change log's entry under the rebuild's is not 9.2.0-1 with the text: $(entries "$work/bumped")"
else
    fail "--bump 9.2.0 failed"
fi

mkdir -p "$work/plain/scripts/debian" && cp "$src/scripts/debian/source.sh" "$work/plain/scripts/debian/"
! "$work/plain/scripts/debian/source.sh" "$work/none" bookworm 2>"$work/log" && grep -q 'is not a git checkout' "$work/log" ||
    fail "a tree outside git was not refused: $(cat "$work/log")"

# Where the release files take their time from. The first bookworm package's upstream tarball is a git
# archive of the checkout's first commit, at 1600000000: unpacked alone, and inside the checkout, whose
# last commit, the bump's, is at 1700000000; and the placeholder, in a copy lying in the checkout and in
# sources outside any.
tar -C "$work" -xzf "$work/bookworm--/corvane_$upstream.orig.tar.gz" && mv "$work/corvane-$upstream" "$work/archive" &&
    cp -r "$work/archive" "$co/archive" && sources "$co/copy" && sources "$work/bare" || fail "no archive to take the time from"
printf 'cmake_minimum_required(VERSION 3.25)\ninclude("%s/cmake/ReleaseFiles.cmake")\ncorvane_source_date_epoch("${DIR}")\nmessage(NOTICE "$ENV{SOURCE_DATE_EPOCH}")\n' \
    "$src" >"$work/print.cmake"
# SOURCES  SOURCE_DATE_EPOCH (- for unset)  the time taken, or "stops"
while read -r dir epoch want; do
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
done <<'ROWS'
archive           -  1600000000
archive           5  5
checkout          -  1700000000
checkout/archive  -  1600000000
checkout/copy     -  stops
bare              -  stops
ROWS

passed "source package"
