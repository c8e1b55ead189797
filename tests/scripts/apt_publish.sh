#!/usr/bin/env bash
# scripts/debian/publish.sh with throwaway keys and stand-in packages: every suite signed so that the
# published keyring verifies it, a .dsc put into the suite of its own .changes, a newer version replacing
# the older one in its suite alone, a change of key signing every suite again, and inputs it must refuse;
# and the README gives the very lines the install test runs.
#   apt_publish.sh SOURCE_DIR
src=${1:?usage: apt_publish.sh SOURCE_DIR}
source "$(dirname "$0")/../lib.sh"
publish=$src/scripts/debian/publish.sh
export GNUPGHOME=$work/gnupg on_exit='gpgconf --kill gpg-agent 2>/dev/null'
repo=$work/repo
cd "$work" || exit 1

mkdir -m 700 "$GNUPGHOME"
key() {
    gpg --batch --passphrase '' --quick-gen-key "$1" default default never >/dev/null 2>&1 &&
        gpg --with-colons --list-keys "$1" 2>/dev/null | awk -F: '/^fpr/ { print $10; exit }'
}
ours=$(key 'Corvane test <ours@corvane.example>') other=$(key 'Someone else <other@corvane.example>')
[[ -n $ours && -n $other ]] || fail "gpg made no test keys"

# stand_in VERSION SUITE: corvane_VERSION_amd64.deb, its .dsc and a binary-only .changes naming SUITE.
stand_in() {
    rm -rf corvane && mkdir -p corvane/DEBIAN corvane/debian/source && echo 1.0 >corvane/debian/source/format
    printf 'Source: corvane\nSection: utils\nPriority: optional\nMaintainer: T <t@corvane.example>\n\nPackage: corvane\nArchitecture: amd64\nDescription: stand-in\n x\n' >corvane/debian/control
    printf 'corvane (%s) %s; urgency=medium\n\n  * x\n\n -- T <t@corvane.example>  Mon, 01 Jan 2024 00:00:00 +0000\n' "$1" "$2" >corvane/debian/changelog
    printf 'Package: corvane\nVersion: %s\nArchitecture: amd64\nSection: utils\nPriority: optional\nMaintainer: T <t@corvane.example>\nDescription: stand-in\n x\n' "$1" >corvane/DEBIAN/control
    dpkg-deb -b corvane "corvane_$1_amd64.deb" >/dev/null && dpkg-source -b corvane >/dev/null 2>&1 &&
        changestool --create "corvane_$1_amd64.changes" add "corvane_$1_amd64.deb" &&
        changestool "corvane_$1_amd64.changes" setdistribution "$2" ||
        fail "no stand-in package $1"
}
stand_in '1.0.0-1~deb12u1' bookworm && stand_in 1.0.0-1 trixie && stand_in '1.0.1-1~deb12u1' bookworm

# versions SUITE binary-amd64|source: corvane's versions in that index, space-separated.
versions() {
    local index=$repo/dists/$1/main/$2/${3:-Packages}
    zcat -f "$index"* 2>/dev/null | sed -n 's/^Version: //p' | sort -u | paste -sd' '
}
# signed_by KEYRING SUITE: both of the suite's signatures are good under KEYRING.
signed_by() {
    gpgv --keyring "$1" "$repo/dists/$2/InRelease" 2>/dev/null &&
        gpgv --keyring "$1" "$repo/dists/$2/Release.gpg" "$repo/dists/$2/Release" 2>/dev/null
}
run() { "$publish" "$repo" --key "$1" "${@:2}" >"$work/out" 2>&1 || fail "publish.sh ${*:2}: $(cat "$work/out")"; }

run "$ours" --url https://x.example/apt 'corvane_1.0.0-1~deb12u1_amd64.changes' 'corvane_1.0.0-1~deb12u1.dsc' \
    --suite trixie corvane_1.0.0-1_amd64.deb
cp "$repo/corvane-archive-keyring.gpg" "$work/ours.gpg"
for suite in bookworm trixie; do signed_by "$work/ours.gpg" $suite || fail "$suite is not signed by the published key"; done
[[ $(versions bookworm binary-amd64) == '1.0.0-1~deb12u1' && $(versions trixie binary-amd64) == 1.0.0-1 ]] ||
    fail "published: bookworm $(versions bookworm binary-amd64), trixie $(versions trixie binary-amd64)"
[[ $(versions bookworm source Sources) == '1.0.0-1~deb12u1' && -z $(versions trixie source Sources) ]] ||
    fail "the .dsc went elsewhere than its .changes' suite: $(versions trixie source Sources)"
grep -qx 'URIs: https://x.example/apt' "$repo/corvane.sources" && grep -qx 'Suites: @CODENAME@' "$repo/corvane.sources" &&
    grep -qx 'Signed-By: /etc/apt/keyrings/corvane-archive-keyring.gpg' "$repo/corvane.sources" ||
    fail "corvane.sources: $(cat "$repo/corvane.sources")"

run "$ours" 'corvane_1.0.1-1~deb12u1_amd64.changes'
[[ $(versions bookworm binary-amd64) == '1.0.1-1~deb12u1' && $(versions trixie binary-amd64) == 1.0.0-1 ]] ||
    fail "after 1.0.1: bookworm $(versions bookworm binary-amd64), trixie $(versions trixie binary-amd64)"
[[ ! -e $repo/pool/main/c/corvane/corvane_1.0.0-1~deb12u1_amd64.deb ]] || fail "the replaced package stays in the pool"

# With no package, the other key signs both suites: the first key's keyring verifies neither.
run "$other"
for suite in bookworm trixie; do
    ! signed_by "$work/ours.gpg" $suite || fail "$suite still verifies with the first key"
    signed_by "$repo/corvane-archive-keyring.gpg" $suite || fail "$suite is not signed by the key published now"
done

# Refused, each with a reason: no suite for a .deb, a suite the repository lacks, an unknown key, a stray file.
sed 's/^Distribution: .*/Distribution: sid/' corvane_1.0.0-1_amd64.changes >sid.changes
for refused in "$ours corvane_1.0.0-1_amd64.deb" "$ours sid.changes" "0000DEAD corvane_1.0.0-1_amd64.deb" "$ours corvane/DEBIAN/control"; do
    # shellcheck disable=SC2086
    ! "$publish" "$repo" --key $refused >"$work/out" 2>&1 || fail "publish.sh took: $refused"
    grep -qE 'suite|secret key|no \.changes' "$work/out" || fail "refused $refused without a reason: $(cat "$work/out")"
done
# The README gives a user the lines the install test runs: the same lines, word for word.
diff <(sed '1,/^base=/d' "$src/packaging/apt/add-repository.sh") \
     <(sed -n '/^base=https/,/^```$/p' "$src/README.md" | sed '1d;$d') >&2 ||
    fail "the README's lines that add the repository differ from packaging/apt/add-repository.sh"
passed publish.sh
