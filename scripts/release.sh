#!/usr/bin/env bash
# Every file of a Corvane release, made from the HEAD commit of a clean checkout by the test command's own
# legs, without root rights, into dist/VERSION/: the source tarball; debian/RELEASE/ with the source
# package and the .debs of Debian 12 and 13, as tested (scripts/debian/leg.sh); apt/, the signed
# repository, to copy to the web server as it is; the Windows installer, as tested and built again the
# same (scripts/check-release.sh trixie --windows); SHA256SUMS over all of them.
#   release.sh [--key KEY [--trust KEY]... [--gnupghome DIR]] [--repository DIR] [--url URL] [--cert P12]
#              [--out DIR]
#     --key, --trust, --gnupghome, --url   as scripts/debian/publish.sh takes them; without --key the
#                       repository is signed with a key made for the run and thrown away
#     --repository DIR  the repository as last published, which publish.sh adds this release to (its
#                       keyring package counts up from the one there); default: a new one
#     --cert P12        the Windows files are signed with it (CORVANE_SIGN_PASSWORD_FILE and
#                       CORVANE_SIGN_TIMESTAMP_URL as packaging/windows/sign.sh reads them)
#     --out DIR         instead of dist/VERSION
#   release.sh --from DIR [the options above but --cert]
#                       the same files from what the legs kept in DIR/debian (leg.sh --keep) and
#                       DIR/windows (check-release.sh trixie --windows --keep): the test command's last step
#   release.sh --bump VERSION TEXT
#                       the version in CMakeLists.txt and where the program shows it, and an entry TEXT in
#                       the upstream and the Debian change log; commit that, then run release.sh
# Two runs on one commit, with the same keys, give the same SHA256SUMS but for the lines of the suites'
# Release, InRelease and Release.gpg, which carry the time of signing. The last line says what was signed.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
log() { printf '[release %(%H:%M:%S)T] %s\n' -1 "$*" >&2; }
die() { log "$*"; exit 1; }
version=$(git -C "$repo" show HEAD:CMakeLists.txt | sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p')
maintainer=$(sed -n 's/^Maintainer: //p' "$repo/packaging/debian/control")

# bump VERSION TEXT
bump() {
    local new=$1 text=$2 file text_xml
    [[ $new =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "VERSION is major.minor.patch, not '$new'"
    dpkg --compare-versions "$new" gt "$version" || die "$new is not above $version"
    cd "$repo"
    [[ -z $(git -c safe.directory='*' status --porcelain) ]] || die "the checkout has uncommitted changes: commit them first"
    sed -i "s/^project(Corvane VERSION $version /project(Corvane VERSION $new /" CMakeLists.txt
    sed -i "s/version $version)/version $new)/" help/about.html
    sed -i "1s/ [0-9-]* \"Corvane $version\"/ $(date -u +%F) \"Corvane $new\"/" packaging/corvane.1
    sed -i "s/version=\"$version\.0\"/version=\"$new.0\"/" packaging/windows/uninstall.manifest
    # The software centres show each release's note: the entry's text, made safe for XML.
    file=packaging/example.corvane.Corvane.metainfo.xml text_xml=${text//&/\&amp;}
    text_xml=${text_xml//</\&lt;}
    entry="<release version=\"$new\" date=\"$(date -u +%F)\"><description><p>${text_xml//>/\&gt;}</p></description></release>" \
        awk '/^ *<release / && !done { match($0, /^ */); print substr($0, 1, RLENGTH) ENVIRON["entry"]; done = 1 } 1' \
        "$file" >"$file.new" && mv "$file.new" "$file"
    for file in packaging/changelog:$new packaging/debian/changelog:$new-1; do
        { printf 'corvane (%s) unstable; urgency=medium\n\n  * %s\n\n -- %s  %s\n\n' "${file#*:}" "$text" "$maintainer" "$(date -u -R)"
          cat "${file%:*}"; } >"${file%:*}.new" && mv "${file%:*}.new" "${file%:*}"
    done
    log "Corvane $new: commit this, then run scripts/release.sh"
}

from='' out='' cert='' repository='' key=''
publish=()
while (($#)); do
    case $1 in
        --bump) (($# == 3)) || die "usage: $0 --bump VERSION TEXT"; bump "$2" "$3"; exit ;;
        --from) from=$(realpath "${2:?--from needs a folder}"); shift 2 ;;
        --out) out=$(realpath -m "${2:?--out needs a folder}"); shift 2 ;;
        --cert) cert=$(realpath "${2:?--cert needs a file}"); shift 2 ;;
        --repository) repository=$(realpath -m "${2:?--repository needs a folder}"); shift 2 ;;
        --key) key=${2:?--key needs a key}; shift 2 ;;
        --trust|--gnupghome|--url) publish+=("$1" "${2:?$1 needs a value}"); shift 2 ;;
        *) die "unknown argument $1 (see the head of $0)" ;;
    esac
done
out=${out:-$repo/dist/$version}
[[ ! -e $out ]] || die "$out is there already: move it away first"
[[ -z $(git -C "$repo" -c safe.directory='*' status --porcelain) ]] ||
    die "the checkout has uncommitted changes: a release is made of a commit alone"
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-release.XXXXXX")
trap 'rm -rf "$work"' EXIT

if [[ -z $from ]]; then
    (($(id -u) != 0)) || die "run it as the user who holds the keys: the legs need no root rights"
    [[ -z $cert ]] || export CORVANE_SIGN_PKCS12=$cert
    from=$work/legs
    "$repo/scripts/debian/leg.sh" --keep "$from/debian"
    "$repo/scripts/check-release.sh" trixie --windows --keep "$from/windows"
elif [[ -n $cert ]]; then
    die "--cert with --from: the kept installer is signed or not already"
fi

unsigned=()
if [[ -z $key ]]; then
    export GNUPGHOME=$work/gnupg
    mkdir -m 700 "$GNUPGHOME"
    trap 'gpgconf --kill all 2>/dev/null; rm -rf "$work"' EXIT
    gpg --batch --quiet --passphrase '' --quick-gen-key "Corvane unsigned release <unsigned@corvane.example>" ed25519 sign 1d
    key=$(gpg --batch --with-colons --list-keys | awk -F: '/^fpr/ { print $10; exit }')
    unsigned+=("the repository, signed with a key thrown away")
fi
[[ -n $cert ]] || unsigned+=("the Windows files")

log "Corvane $version of $(git -C "$repo" rev-parse --short HEAD) into $out"
# Made aside and moved into place at the end, so that a failed run leaves no half release.
dist=$work/dist
compgen -G "$from/debian/*/one/*.changes" >/dev/null || die "no Debian packages in $from/debian"
mkdir -p "$dist/apt"
files=()
# Each release's first build (the leg keeps its repositories beside them).
for dir in "$from/debian"/*/one; do
    compgen -G "$dir/*.changes" >/dev/null || continue
    files+=("$dir"/*.changes "$dir"/src/*.dsc)
    release=$(basename "$(dirname "$dir")")
    mkdir -p "$dist/debian/$release"
    cp "$dir/src"/*.dsc "$dir/src"/*.debian.tar.xz "$dir"/*.deb "$dist/debian/$release/"
    # Every release's source package is made from the same upstream tarball.
    orig=$(compgen -G "$dir/src/*.orig.tar.gz")
    [[ -e $dist/${orig##*/} ]] || cp "$orig" "$dist/"
    cmp -s "$orig" "$dist/${orig##*/}" || die "${orig##*/} differs between releases"
done
cp "$from/windows/Corvane-$version-setup.exe" "$dist/" || die "no Windows installer in $from/windows"

repository=${repository:-$work/apt}
"$repo/scripts/debian/publish.sh" "$repository" --key "$key" "${publish[@]}" "${files[@]}"
(cd "$repository" && tar --exclude=./.reprepro -cf - .) | tar -C "$dist/apt" -xf -
(cd "$dist" && find . -type f -printf '%P\n' | LC_ALL=C sort | xargs -d '\n' sha256sum >"$work/SHA256SUMS") &&
    mv "$work/SHA256SUMS" "$dist/"
mkdir -p "$(dirname "$out")" && mv -T "$dist" "$out"

signed="the repository signed with $key, the Windows files with ${cert##*/}"
((${#unsigned[@]} == 0)) || signed="unsigned: ${unsigned[0]}${unsigned[1]:+ and ${unsigned[1]}}"
echo "$out: $(find "$out" -type f | wc -l) files, $(du -sh "$out" | cut -f1); $signed"
