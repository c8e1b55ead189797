#!/usr/bin/env bash
# scripts/debian/publish.sh with throwaway keys and stand-in packages, judged by this machine's apt: a
# publication too old for its Valid-Until refused, and signing again with no package renewing it; a
# .dsc put into the suite of its own .changes; a newer version replacing the older one in its suite
# alone; the keyring package's version going up with each change of keys, and a repository that only
# the new key signs refused under the old keyring (the Debian leg takes it with the keyring package that
# announced the key); and inputs it must refuse. And the README gives the very lines the install test runs.
#   apt_publish.sh SOURCE_DIR
src=${1:?usage: apt_publish.sh SOURCE_DIR}
source "$(dirname "$0")/../lib.sh"
publish=$src/scripts/debian/publish.sh
export GNUPGHOME=$work/gnupg on_exit='gpgconf --kill gpg-agent 2>/dev/null'
repo=$work/repo
cd "$work" || exit 1

mkdir -m 700 "$GNUPGHOME"
key() {
    faketime '60 days ago' gpg --batch --passphrase '' --quick-gen-key "$1" default default never >/dev/null 2>&1 &&
        gpg --with-colons --list-keys "$1" 2>/dev/null | awk -F: '/^fpr/ { print $10; exit }'
}
ours=$(key 'Corvane test <ours@corvane.example>') other=$(key 'Someone else <other@corvane.example>')

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
stand_in '1.0.0-1~deb12u1' bookworm && stand_in 1.0.0-1 trixie && stand_in '1.0.1-1~deb12u1' bookworm &&
    stand_in '1.0.2-1~deb12u1' bookworm

# holding: corvane's versions in bookworm's packages and sources, then trixie's, between slashes; the
# keyring package's as kVERSION.
holding() {
    local suite index
    for suite in bookworm trixie; do for index in binary-amd64/Packages source/Sources; do
        zcat -f "$repo/dists/$suite/main/$index"* 2>/dev/null | awk 'BEGIN { RS = "" } { v = $0
            sub(/.*\nVersion: /, "", v); sub(/\n.*/, "", v); print (/^Package: corvane-archive-keyring\n/ ? "k" : "") v }' |
            sort -u | paste -sd' '
    done; done | paste -sd/
}
# apt_takes KEYRING: apt, with none of this machine's settings and trusting KEYRING alone, takes both
# suites; what it said is in $work/apt.log.
mkdir -p apt/etc/apt.conf.d apt/etc/sources.list.d apt/etc/preferences.d && touch apt/status
printf 'Dir::Etc "%s/apt/etc";\nDir::Etc::Parts "apt.conf.d";\nDir::State::Lists "%s/apt/lists";\nDir::State::status "%s/apt/status";\nDir::Cache "%s/apt/cache";\nDebug::NoLocking "true";\nAPT::Sandbox::User "%s";\n' \
    "$work" "$work" "$work" "$work" "$(id -un)" >apt/apt.conf
apt_takes() {
    rm -rf apt/lists && mkdir -p apt/lists/partial
    printf 'Types: deb\nURIs: file://%s\nSuites: bookworm trixie\nComponents: main\nSigned-By: %s\n' "$repo" "$1" \
        >apt/etc/sources.list.d/corvane.sources
    APT_CONFIG=$work/apt/apt.conf apt-get update >apt.log 2>&1 && ! grep -q '^[WE]:' apt.log
}
# Each step publishes, with the clock set back WHEN, signed by KEY (KEY+NEXT: trusting NEXT too) and
# ARGS; then the repository holds HOLDS (see holding: a .dsc goes into the suite of its .changes, a newer
# version replaces the older one, the keyring package goes up with each change of keys and holds the
# keyring published), and apt, trusting the keyring published by step KEYRING (now: this one), takes
# both suites or refuses them saying REFUSAL. Taken 6 days after signing and expired after 32: valid for
# a week to a month.
#       WHEN KEY        KEYRING REFUSAL               HOLDS                                                       ARGS
steps=("-32d ours       now     expired               1.0.0-1~deb12u1_k1/1.0.0-1~deb12u1/1.0.0-1_k1/              corvane_1.0.0-1~deb12u1_amd64.changes corvane_1.0.0-1~deb12u1.dsc corvane_1.0.0-1_amd64.changes"
       "-6d  ours       now     -                     1.0.0-1~deb12u1_k1/1.0.0-1~deb12u1/1.0.0-1_k1/"
       "+0   ours       now     -                     1.0.1-1~deb12u1_k1/1.0.0-1~deb12u1/1.0.0-1_k1/              corvane_1.0.1-1~deb12u1_amd64.changes"
       "+0   ours+other 1       -                     1.0.1-1~deb12u1_k2/1.0.0-1~deb12u1/1.0.0-1_k2/"
       "+0   other      1       NO_PUBKEY|Missing.key 1.0.1-1~deb12u1_k3/1.0.0-1~deb12u1/1.0.0-1_k3/")
for step in "${!steps[@]}"; do
    read -r when who keyring refusal holds args <<<"${steps[step]}"
    signer=${who%+*} next=${who#*+} trusted=()
    [[ $who != *+* ]] || trusted=(--trust "${!signer}" --trust "${!next}")
    # shellcheck disable=SC2086 # ARGS: file names and options without blanks
    faketime -f "$when" "$publish" "$repo" --key "${!signer}" "${trusted[@]}" $args >out 2>&1 ||
        fail "publish.sh $who $args: $(cat out)"
    cp "$repo/corvane-archive-keyring.gpg" "keyring$((step + 1)).gpg"
    [[ $(holding) == "${holds//_/ }" ]] || fail "published $when with $who $args, the repository holds $(holding)"
    version=${holds#*_k} && version=${version%%/*}
    dpkg-deb --fsys-tarfile "$repo/pool/main/c/corvane-archive-keyring/corvane-archive-keyring_${version}_all.deb" |
        tar -xO ./usr/share/keyrings/corvane-archive-keyring.gpg | cmp -s - "$repo/corvane-archive-keyring.gpg" ||
        fail "published with $who, corvane-archive-keyring $version does not hold the keyring published"
    [[ $keyring == now ]] && keyring=$repo/corvane-archive-keyring.gpg || keyring=$work/keyring$keyring.gpg
    if [[ $refusal == - ]]; then
        apt_takes "$keyring" || fail "published $when with $who, apt refuses it: $(cat apt.log)"
    elif apt_takes "$keyring" || ! grep -qE "$refusal" apt.log; then
        fail "published $when with $who, apt does not refuse it as $refusal: $(cat apt.log)"
    fi
done
grep -q "keyring_sha256: $(sha256sum <"$repo/corvane-archive-keyring.gpg" | cut -d' ' -f1)$" out ||
    fail "publish.sh does not print the keyring's SHA-256: $(cat out)"

# Refused, each with a reason, and with nothing taken of the good file before it: a .dsc without the
# .changes of its version, a suite the repository lacks, an unknown key, a stray file.
sed 's/^Distribution: .*/Distribution: sid/' corvane_1.0.0-1_amd64.changes >sid.changes
good=corvane_1.0.2-1~deb12u1_amd64.changes
for refused in "$ours $good corvane_1.0.0-1.dsc" "$ours $good sid.changes" "0000DEAD $good" "$ours $good corvane_1.0.0-1_amd64.deb"; do
    # shellcheck disable=SC2086
    ! "$publish" "$repo" --key $refused >"$work/out" 2>&1 || fail "publish.sh took: $refused"
    grep -qE 'suite|secret key|no \.changes' "$work/out" || fail "refused $refused without a reason: $(cat "$work/out")"
    [[ $(reprepro -b "$repo/.reprepro" list bookworm corvane) != *1.0.2* ]] || fail "publish.sh took part of: $refused"
done
# The README gives a user the lines the install test runs: the same lines, word for word.
diff <(sed '1,/^keyring_sha256=/d' "$src/packaging/apt/add-repository.sh") \
     <(sed -n '/^base=https/,/^```$/p' "$src/README.md" | sed '1,2d;$d') >&2 ||
    fail "the README's lines that add the repository differ from packaging/apt/add-repository.sh"
passed publish.sh
