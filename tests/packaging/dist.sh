#!/usr/bin/env bash
# scripts/release.sh on what the test command's Debian and Windows legs kept, so that what is released is
# what they tested: the release folder holds every release file and nothing else, the repository's pool
# holds the same packages, SHA256SUMS checks, the same run on the legs' second builds gives the same sums
# but for the lines of what is signed, the last line says what went unsigned, and a refused run changes
# no release folder and leaves none.
#   dist.sh KEPT    KEPT/debian from scripts/debian/leg.sh --keep, KEPT/windows from
#                   scripts/check-release.sh trixie --windows --keep
source "$(dirname "$0")/../lib.sh"
repo=$(cd "$(dirname "$0")/../.." && pwd) kept=$(realpath "${1:?usage: dist.sh KEPT}")
v=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
export GNUPGHOME=$kept/debian/gnupg
on_exit='gpgconf --kill all 2>/dev/null'
key=$(gpg --batch --with-colons --list-keys first@corvane.example | awk -F: '/^fpr/ { print $10; exit }')
release() {
    local name=$1
    shift
    "$repo/scripts/release.sh" --out "$work/$name" "$@" >"$work/$name.last" 2>"$work/$name.log" ||
        { cat "$work/$name.log" >&2; fail "release.sh --out $name $* failed"; }
}
# The legs' second builds where release.sh takes the first: the Windows leg compared its two itself.
mkdir -p "$work/again/debian" && ln -s "$kept/windows" "$work/again/windows"
for dir in "$kept/debian"/*/two; do
    suite=$(basename "$(dirname "$dir")") && mkdir "$work/again/debian/$suite" && ln -s "$dir" "$work/again/debian/$suite/one"
done
release one --from "$kept" --key "$key"
release two --from "$work/again" --key "$key"
release unsigned --from "$kept"

one=$work/one
find "$one" -path "$one/apt" -prune -o -type f -printf '%P\n' | LC_ALL=C sort >"$work/listing"
diff -u - "$work/listing" >&2 <<LISTING || fail "the release folder holds other files"
Corvane-$v-setup.exe
SHA256SUMS
corvane_$v.orig.tar.gz
debian/bookworm/corvane-dbgsym_$v-1~deb12u1_amd64.deb
debian/bookworm/corvane_$v-1~deb12u1.debian.tar.xz
debian/bookworm/corvane_$v-1~deb12u1.dsc
debian/bookworm/corvane_$v-1~deb12u1_amd64.deb
debian/trixie/corvane-dbgsym_$v-1~deb13u1_amd64.deb
debian/trixie/corvane_$v-1~deb13u1.debian.tar.xz
debian/trixie/corvane_$v-1~deb13u1.dsc
debian/trixie/corvane_$v-1~deb13u1_amd64.deb
LISTING
# What a web server is to serve, without reprepro's own database.
[[ $(ls -A "$one/apt" | paste -sd' ') == 'corvane-archive-keyring.gpg corvane.sources dists pool' ]] ||
    fail "apt/ holds other things: $(ls -A "$one/apt")"
# The pool holds the same packages, the same bytes, and the keyring package.
names() { grep -E "$1" "$one/SHA256SUMS" | sed -E 's|  (.*/)?| |' | LC_ALL=C sort; }
diff <(names '  (debian/|corvane_)') <(names '  apt/pool/main/c/corvane/') >&2 || fail "the pool holds other packages than the release"
grep -q '  apt/pool/.*/corvane-archive-keyring_1_all\.deb$' "$one/SHA256SUMS" || fail "the pool holds no keyring package"
(cd "$one" && sha256sum --quiet --check SHA256SUMS) >&2 || fail "SHA256SUMS does not match"
[[ $(wc -l <"$one/SHA256SUMS") == $(($(find "$one" -type f | wc -l) - 1)) ]] || fail "SHA256SUMS leaves files out"
signed=' apt/dists/[a-z]+/(InRelease|Release|Release\.gpg)$'
[[ $(grep -Ec "$signed" "$one/SHA256SUMS") == 6 ]] || fail "SHA256SUMS lists no Release files of both suites"
diff -u <(grep -Ev "$signed" "$one/SHA256SUMS") <(grep -Ev "$signed" "$work/two/SHA256SUMS") >&2 ||
    fail "the second builds give other sums"

# run, then what the last line says went unsigned
while read -r name unsigned; do
    [[ $(tail -n1 "$work/$name.last") == *"; unsigned: $unsigned" ]] || fail "$name's last line: $(tail -n1 "$work/$name.last")"
done <<'ROWS'
one      the Windows files
unsigned the repository, signed with a key thrown away and the Windows files
ROWS

# Refused runs: into a release folder already there, which is left as it was; with a key gpg lacks,
# which leaves no half release behind.
sum=$(sha256sum <"$one/SHA256SUMS")
while read -r out key said; do
    ! "$repo/scripts/release.sh" --out "$work/$out" --from "$kept" --key "$key" 2>"$work/log" && grep -q "$said" "$work/log" ||
        fail "release.sh --out $out --key $key was not refused saying $said: $(cat "$work/log")"
done <<ROWS
one     $key     there already
refused 0000DEAD no secret key
ROWS
[[ $(sha256sum <"$one/SHA256SUMS") == "$sum" && ! -e $work/refused ]] || fail "a refused run changed or left a release folder"
passed "release files"
