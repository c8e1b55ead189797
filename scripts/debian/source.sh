#!/usr/bin/env bash
# Makes Corvane's Debian source package from the HEAD commit of the git checkout this script lives in:
# the upstream tarball from `git archive`, packaging/debian as debian/, and the top change-log entry
# written for the suite it is meant for. Two runs on one commit give the same bytes.
#   source.sh OUTDIR SUITE [VERSION]
#     SUITE    trixie: version U-R; bookworm: U-R~deb12u1. U is CMakeLists.txt's project(VERSION), R the
#              revision of the top entry of packaging/debian/changelog.
#     VERSION  e.g. 1.0.1-1, for upgrade tests: an entry of that version (bookworm: 1.0.1-1~deb12u1) is
#              added on top, and the upstream tarball is named for its upstream part; same sources.
# Writes corvane_U.orig.tar.gz, corvane_V.debian.tar.xz and corvane_V.dsc into OUTDIR and prints the
# .dsc's path.
set -euo pipefail
log() { printf '[source %(%H:%M:%S)T] %s\n' -1 "$*" >&2; }
die() { log "$*"; exit 1; }

(($# == 2 || $# == 3)) || { echo "usage: $0 OUTDIR SUITE [VERSION]" >&2; exit 2; }
out=$1 suite=$2 test_version=${3:-}
case $suite in
    trixie) suffix='' ;;
    bookworm) suffix='~deb12u1' ;;
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
revision=$(field Version) && revision=${revision##*-}
version=$upstream-$revision$suffix
sed -i "1s/^corvane ([^)]*) [^;]*;/corvane ($version) $suite;/" "$changelog"
[[ $(field Version) == "$version" ]] || die "the top line of debian/changelog is not 'corvane (VERSION) DIST; ...'"
# Lintian expects the only entry of a revision-1 package to close the bug that asked for it in Debian;
# Corvane is published in its own archive, so there is none. Only then, or the note would go unused.
if [[ $(field Version) == *-1 && $(grep -c '^corvane (' "$changelog") == 1 && -z $test_version ]]; then
    printf '%s\n' '# Published in its own archive, not in Debian: no bug asked for its first upload.' \
        'corvane: initial-upload-closes-no-bugs [usr/share/doc/corvane/changelog.Debian.gz:1]' \
        >>"$tree/debian/corvane.lintian-overrides"
fi
if [[ -n $test_version ]]; then
    # Dated after the entry below it, as a change log must be.
    when=$((SOURCE_DATE_EPOCH > $(field Timestamp) ? SOURCE_DATE_EPOCH : $(field Timestamp) + 1))
    version=$test_version$suffix
    {
        printf 'corvane (%s) %s; urgency=medium\n\n' "$version" "$suite"
        printf '  * Test release of the same sources, for upgrade checks.\n\n'
        printf ' -- %s  %s\n\n' "$(field Maintainer)" "$(date -u -R -d "@$when")"
        cat "$changelog"
    } >"$work/changelog" && mv "$work/changelog" "$changelog"
fi

log "dpkg-source -b for $suite, version $version"
(cd "$work" && dpkg-source -b "corvane-$tarball_upstream") >"$work/dpkg-source.log" 2>&1 ||
    { cat "$work/dpkg-source.log" >&2; die "dpkg-source -b failed"; }
name=corvane_${version#*:}
mv "$work/corvane_$tarball_upstream.orig.tar.gz" "$work/$name.debian.tar.xz" "$work/$name.dsc" "$out/"
log "wrote $out/$name.dsc"
echo "$out/$name.dsc"
