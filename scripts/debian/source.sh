#!/usr/bin/env bash
# Makes Corvane's Debian source package from the HEAD commit of the git checkout this script lives in:
# the upstream tarball from `git archive`, packaging/debian as debian/, and on top of its change log the
# entry of the rebuild for the suite it is meant for. Two runs on one commit give the same bytes.
#   source.sh OUTDIR SUITE [VERSION]
#     SUITE    bookworm or trixie: version V~deb12u1 or V~deb13u1, V the top entry's of
#              packaging/debian/changelog, whose upstream part must be CMakeLists.txt's project(VERSION).
#              The suffix sorts below V itself and keeps an upgrade from Debian 12 to 13 going up.
#     VERSION  e.g. 1.0.1-1, for upgrade tests: an entry of that version is added first, and the upstream
#              tarball is named for its upstream part; same sources.
# Writes corvane_U.orig.tar.gz, corvane_V.debian.tar.xz and corvane_V.dsc into OUTDIR and prints the
# .dsc's path.
set -euo pipefail
log() { printf '[source %(%H:%M:%S)T] %s\n' -1 "$*" >&2; }
die() { log "$*"; exit 1; }

(($# == 2 || $# == 3)) || { echo "usage: $0 OUTDIR SUITE [VERSION]" >&2; exit 2; }
out=$1 suite=$2 test_version=${3:-}
case $suite in
    trixie) release=13 ;;
    bookworm) release=12 ;;
    *) die "unknown suite '$suite': bookworm or trixie" ;;
esac
[[ -z $test_version || $test_version =~ ^[0-9][0-9.]*-[0-9]+$ ]] ||
    die "VERSION must be upstream-revision, e.g. 1.0.1-1, not '$test_version'"

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(git -C "$here" rev-parse --show-toplevel 2>/dev/null) && [[ $repo -ef $here/../.. ]] ||
    die "$(cd "$here/../.." && pwd) is not a git checkout: the source package is made from its HEAD commit"
upstream=$(git -C "$repo" show HEAD:CMakeLists.txt | sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p')
[[ -n $upstream ]] || die "no project(Corvane VERSION ...) in CMakeLists.txt at HEAD"
# Every time stamped into the files is the commit's, so the bytes depend on the commit alone.
SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH LC_ALL=C.UTF-8 TZ=UTC
umask 022

tarball_upstream=${test_version%-*}
tarball_upstream=${tarball_upstream:-$upstream}
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-source.XXXXXX")
trap 'rm -rf "$work"' EXIT
tree=$work/corvane-$tarball_upstream

log "upstream tarball of $(git -C "$repo" rev-parse --short HEAD), version $tarball_upstream"
git -C "$repo" archive --format=tar --prefix="corvane-$tarball_upstream/" HEAD | gzip -9n \
    >"$work/corvane_$tarball_upstream.orig.tar.gz"
tar -C "$work" -xzf "$work/corvane_$tarball_upstream.orig.tar.gz"
cp -a "$tree/packaging/debian" "$tree/debian"

changelog=$tree/debian/changelog
field() { dpkg-parsechangelog -l "$changelog" -S "$1"; }
[[ $(field Version) == "$upstream"-* ]] ||
    die "the top entry of packaging/debian/changelog is $(field Version), not one of version $upstream: add one (dch --newversion $upstream-1)"
# entry VERSION SUITE TEXT: a change-log entry on top of the committed ones, as dch writes it, dated with
# the commit but never before the entry below it.
entry() {
    local when=$((SOURCE_DATE_EPOCH > $(field Timestamp) ? SOURCE_DATE_EPOCH : $(field Timestamp) + 1))
    {
        printf 'corvane (%s) %s; urgency=medium\n\n  * %s\n\n' "$1" "$2" "$3"
        printf ' -- %s  %s\n\n' "$(field Maintainer)" "$(date -u -R -d "@$when")"
        cat "$changelog"
    } >"$work/changelog" && mv "$work/changelog" "$changelog"
}
[[ -z $test_version ]] || entry "$test_version" unstable 'Test release of the same sources, for upgrade checks.'
version=$(field Version)~deb${release}u1
entry "$version" "$suite" "Rebuild for Debian $release ($suite)."

log "dpkg-source -b for $suite, version $version"
(cd "$work" && dpkg-source -b "corvane-$tarball_upstream") >"$work/dpkg-source.log" 2>&1 ||
    { cat "$work/dpkg-source.log" >&2; die "dpkg-source -b failed"; }
name=corvane_${version#*:}
mv "$work/corvane_$tarball_upstream.orig.tar.gz" "$work/$name.debian.tar.xz" "$work/$name.dsc" "$out/"
log "wrote $out/$name.dsc"
echo "$out/$name.dsc"
