#!/usr/bin/env bash
# Builds the binary packages of a Corvane source package in the system it runs in (a clean Debian root,
# or this machine): unpacks the .dsc into a scratch folder, installs its build dependencies with apt when
# some are missing and it runs as root, and runs dpkg-buildpackage. DEB_BUILD_OPTIONS and
# DEB_BUILD_PROFILES are honoured (nocheck: the unit tests are neither built nor run); without a
# parallel= option the build takes two jobs.
#   build.sh DSC OUTDIR     OUTDIR gets the .deb (and debug .ddeb) files, the .buildinfo, the .changes
#                           and the build's log, corvane_VERSION_ARCH.build
set -euo pipefail
log() { printf '[build %(%H:%M:%S)T] %s\n' -1 "$*" >&2; }
die() { log "$*"; exit 1; }

(($# == 2)) || { echo "usage: $0 DSC OUTDIR" >&2; exit 2; }
[[ -f $1 ]] || die "no such source package: $1"
dsc=$(realpath "$1")
mkdir -p "$2"
out=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-build.XXXXXX")
trap 'rm -rf "$work"' EXIT
[[ ${DEB_BUILD_OPTIONS:-} == *parallel=* ]] || export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=2"

# apt_build_dep: what the .dsc's Build-Depends ask (build-essential, and dpkg-dev with it, comes too).
apt_build_dep() {
    ((EUID == 0)) || die "build dependencies are missing; install them as root: apt-get build-dep $dsc"
    log "installing the build dependencies"
    DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq --no-install-recommends "$dsc" >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; die "apt-get build-dep failed"; }
}
command -v dpkg-source >/dev/null || apt_build_dep
dpkg-source --no-copy -x "$dsc" "$work/src" >"$work/extract.log" 2>&1 ||
    { cat "$work/extract.log" >&2; die "dpkg-source -x failed"; }
(cd "$work/src" && dpkg-checkbuilddeps) 2>/dev/null || apt_build_dep

version=$(dpkg-parsechangelog -l "$work/src/debian/changelog" -S Version)
build_log=$out/corvane_${version}_$(dpkg --print-architecture).build
log "dpkg-buildpackage of corvane $version (DEB_BUILD_OPTIONS=$DEB_BUILD_OPTIONS)"
(cd "$work/src" && dpkg-buildpackage -us -uc --build=binary) >"$build_log" 2>&1 ||
    { tail -n 40 "$build_log" >&2; die "dpkg-buildpackage failed; the whole log: $build_log"; }
shopt -s nullglob
results=("$work"/*.deb "$work"/*.ddeb "$work"/*.buildinfo "$work"/*.changes)
cp "${results[@]}" "$out/"
log "built into $out: ${results[*]##*/}"
