#!/usr/bin/env bash
# Publishes Corvane's Debian packages into a signed APT repository in a folder, with reprepro: suites
# bookworm and trixie, component main, amd64 and source. A newer version replaces the older one in its
# suite; an older one is skipped with reprepro's warning, and the same version with other contents is
# refused. Beside dists/ and pool/ it leaves what a user adds the repository with: the trusted keys as a
# binary keyring, corvane-archive-keyring.gpg, and corvane.sources, whose Suites line @CODENAME@ the
# lines in packaging/apt/add-repository.sh fill in with the user's release. Every suite also holds that
# keyring as the package corvane-archive-keyring, which a user installs with Corvane and which
# corvane.sources names in Signed-By: its version goes up by one whenever the trusted keys change, so a
# new key reaches users as an update, signed by the key they already trust.
#
#   publish.sh REPO_DIR --key KEY [--trust KEY...] [--gnupghome DIR] [--url URL] [FILE...]
#
#   KEY          the signing key's fingerprint or id; its secret key must be usable without a passphrase
#   --trust      a key the keyring holds, once for each (default: the signing key alone); while a key
#                is changed, the old and the new one
#   --gnupghome  the GnuPG home that holds it (default: $GNUPGHOME, else ~/.gnupg)
#   --url        where REPO_DIR will be served, for corvane.sources (default https://corvane.example/apt)
#   FILE         .changes (its Distribution names the suite; binary-only ones too) or .dsc, which goes
#                into the suite of the .changes of its source and version
#
# Each suite's Release carries a Valid-Until four weeks after its signing, after which apt refuses it.
# Without FILE it signs and exports every suite again, with KEY: once a week, so that this never
# happens, and after a change of key.
# reprepro's own configuration and database are kept in REPO_DIR/.reprepro and are not for serving
# (rsync --exclude=.reprepro).
set -euo pipefail
log() { printf '[publish %(%H:%M:%S)T] %s\n' -1 "$*" >&2; }
die() { log "$*"; exit 1; }
usage() { sed -n '/^#   publish.sh/p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2; exit 2; }

suites=(bookworm trixie)
keyring_name=corvane-archive-keyring.gpg
# How long apt takes a suite's Release after it was signed: a mirror, or anyone in the way, can keep
# users on an old state of the repository for this long at most. It is signed again every week.
valid_for=28d

# keyring_deb VERSION KEYRING DEB: the package corvane-archive-keyring at VERSION, holding KEYRING, as
# DEB; its files dated with the newest trusted key, so the same keys give the same bytes.
keyring_deb() {
    local root=$repo/.reprepro/keyring-package doc=usr/share/doc/corvane-archive-keyring epoch
    epoch=$(gpg --batch --with-colons --list-keys "${trust[@]}" | awk -F: '/^pub/ { print $6 }' | sort -n | tail -n1)
    rm -rf "$root" && mkdir -p "$root/DEBIAN" "$root/usr/share/keyrings" "$root/$doc"
    cp "$2" "$root/usr/share/keyrings/$keyring_name"
    printf 'Package: corvane-archive-keyring\nVersion: %s\nArchitecture: all\nMulti-Arch: foreign\n' "$1" >"$root/DEBIAN/control"
    printf 'Maintainer: %s\nSection: misc\nPriority: optional\n' "$maintainer" >>"$root/DEBIAN/control"
    printf 'Description: keys of the Corvane APT repository\n The OpenPGP keys that apt trusts for Corvane'"'"'s own repository and for\n nothing else. A new key comes as an update of this package.\n' >>"$root/DEBIAN/control"
    printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n\nFiles: *\nCopyright: %s\nLicense: public-domain\n Public keys, for anyone to use.\n' \
        "${maintainer% <*}" >"$root/$doc/copyright"
    chmod -R u=rwX,go=rX "$root" && find "$root" -exec touch -h -d "@$epoch" {} +
    SOURCE_DATE_EPOCH=$epoch dpkg-deb --root-owner-group -Zxz --build "$root" "$3" >/dev/null
}

# field FILE NAME: a field of a .changes or .dsc file (a signed one too).
field() { sed -n "s/^$2: *//p" "$1" | head -n1; }

repo='' key='' url=https://corvane.example/apt
files=() trust=()
while (($#)); do
    case $1 in
        --key) key=${2:?--key needs a key}; shift 2 ;;
        --trust) trust+=("${2:?--trust needs a key}"); shift 2 ;;
        --gnupghome) export GNUPGHOME=${2:?--gnupghome needs a folder}; shift 2 ;;
        --url) url=${2:?--url needs a URL}; shift 2 ;;
        -h|--help) usage ;;
        -*) die "unknown option $1" ;;
        *) if [[ -z $repo ]]; then repo=$1; else files+=("$1"); fi; shift ;;
    esac
done
[[ -n $repo && -n $key ]] || usage
source "$(dirname "${BASH_SOURCE[0]}")/../preflight.sh"
require_tools reprepro gpg gpgconf dpkg-deb
gpg --batch --list-secret-keys "$key" >/dev/null 2>&1 ||
    die "no secret key $key in ${GNUPGHOME:-~/.gnupg}"
((${#trust[@]})) || trust=("$key")
gpg --batch --list-keys "${trust[@]}" >/dev/null 2>&1 || die "no public key for one of ${trust[*]}"
maintainer=$(field "$(dirname "${BASH_SOURCE[0]}")/../../packaging/debian/control" Maintainer)

mkdir -p "$repo/.reprepro/conf"
repo=$(cd "$repo" && pwd)
# reprepro's configuration: one stanza a suite, each signed with KEY.
for suite in "${suites[@]}"; do
    printf 'Origin: Corvane\nLabel: Corvane\nCodename: %s\nSuite: %s\n' "$suite" "$suite"
    printf 'Architectures: amd64 source\nComponents: main\nDescription: Corvane for Debian %s\n' "$suite"
    printf 'ValidFor: %s\nSignWith: %s\n\n' "$valid_for" "$key"
done >"$repo/.reprepro/conf/distributions"
rr() { reprepro --silent --basedir "$repo/.reprepro" --outdir "$repo" "$@"; }

# Every file is checked before any is taken: a .changes names one of the suites, and a .dsc comes with
# the .changes of its source and version, whose suite it goes into.
declare -A suite_of=()
for file in "${files[@]}"; do
    [[ -f $file ]] || die "no file $file"
    [[ $file == *.changes ]] || continue
    target=$(field "$file" Distribution)
    [[ " ${suites[*]} " == *" $target "* ]] || die "$file: suite '$target' is none of ${suites[*]}"
    suite_of["$(field "$file" Source)_$(field "$file" Version)"]=$target
done
for file in "${files[@]}"; do
    [[ $file == *.changes || $file == *.dsc ]] || die "$file is no .changes or .dsc"
    [[ -n ${suite_of["$(field "$file" Source)_$(field "$file" Version)"]:-} ]] ||
        die "$file: no .changes of its version is given with it, to name its suite"
done
for file in "${files[@]}"; do
    target=${suite_of["$(field "$file" Source)_$(field "$file" Version)"]}
    log "$(basename "$file") into $target"
    command=includedsc && [[ $file != *.changes ]] || command=include
    rr "$command" "$target" "$file" || die "reprepro did not take $file"
done

gpg --batch --export --export-options export-minimal "${trust[@]}" >"$repo/$keyring_name.part"
[[ -s $repo/$keyring_name.part ]] || die "gpg exported nothing for ${trust[*]}"
# The keyring package anew when the trusted keys differ from those of the one published.
published=$(rr list "${suites[0]}" corvane-archive-keyring | sed -n 's/.* //p' | head -n1)
old=("$repo"/pool/main/c/corvane-archive-keyring/corvane-archive-keyring_"${published:-none}"_all.deb)
if [[ ! -f ${old[0]} ]] || ! dpkg-deb --fsys-tarfile "${old[0]}" | tar -xO "./usr/share/keyrings/$keyring_name" |
        cmp -s - "$repo/$keyring_name.part"; then
    version=$((${published:-0} + 1))
    log "corvane-archive-keyring $version holds ${trust[*]}"
    deb=$repo/.reprepro/corvane-archive-keyring_${version}_all.deb
    keyring_deb "$version" "$repo/$keyring_name.part" "$deb" || die "the keyring package could not be built"
    for target in "${suites[@]}"; do rr includedeb "$target" "$deb" || die "reprepro did not take $deb"; done
fi

# Every suite signed with KEY, also those this run did not touch.
log "signing the suites with $key"
rr export || die "reprepro could not export or sign the suites"
mv "$repo/$keyring_name.part" "$repo/$keyring_name"
# The deb822 entry a user installs as /etc/apt/sources.list.d/corvane.sources.
printf 'Types: deb\nURIs: %s\nSuites: @CODENAME@\nComponents: main\nSigned-By: /usr/share/keyrings/%s\n' \
    "$url" "$keyring_name" >"$repo/corvane.sources"
for target in "${suites[@]}"; do
    log "$target holds: $(rr list "$target" | paste -sd';' - || true)"
done
log "keyring SHA-256, the README's keyring_sha256: $(sha256sum <"$repo/$keyring_name" | cut -d' ' -f1)"
log "published in $repo for $url; sign it again before $(sed -n 's/^Valid-Until: //p' "$repo/dists/${suites[0]}/Release")"
