#!/usr/bin/env bash
# The Linux leg on another Debian release, in a root of it that holds everything install-deps.sh --test
# installs (scripts/roots.sh: made and entered without root rights): on a clean copy of HEAD,
# install-deps.sh --test, the preflight, the ci build with warnings as errors and every Linux test.
#   check-release.sh RELEASE             the leg, e.g. check-release.sh trixie
#   check-release.sh RELEASE --windows [--keep DIR]
#                                        the Windows leg alone (scripts/windows/test.sh); with --keep, the
#                                        installer of the release, built from `git archive` with the tests
#                                        off and found the same bytes by a second build, is copied into DIR,
#                                        signed when CORVANE_SIGN_PKCS12 names a certificate (with
#                                        CORVANE_SIGN_PASSWORD_FILE and CORVANE_SIGN_TIMESTAMP_URL, as
#                                        packaging/windows/sign.sh reads them)
# The Windows toolchain is built from the release's own Qt and libsodium sources, and kept in the
# release's cache: the test command's Windows leg is `check-release.sh trixie --windows`, on Debian 12 as
# on 13, so that Windows gets Debian 13's Qt 6.8, a long-term release, whatever the host runs.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/scripts/preflight.sh"
require_tools
source "$repo/scripts/progress.sh"
source "$repo/scripts/roots.sh"

release=${1:-} leg=--ci name=Linux keep=()
case ${2:-}:${3:-} in
    :) ;;
    --windows:) leg=windows name=Windows ;;
    --windows:--keep) leg=windows name=Windows && mkdir -p "${4:?--keep needs a folder}" && keep=(--bind "$(realpath "$4"):/keep") ;;
    *) roots_die "usage: $0 RELEASE [--windows [--keep DIR]]" ;;
esac
roots_init "$release"
root_tar test >/dev/null
# The clone lives in the root's own memory, so whatever the tests write there, under any id, goes with it.
binds=(--bind "$repo:/repo:ro")
# The Windows toolchain outlives the run, in the release's own cache.
[[ $leg == --ci ]] || { mkdir -p "$roots_cache/user-cache"; binds+=(--bind "$roots_cache/user-cache:/root/.cache"); }
# The release's certificate and its password file go in read-only, and only their paths reach the root's
# environment, which starts empty.
sign=''
if ((${#keep[@]})) && [[ -n ${CORVANE_SIGN_PKCS12:-} ]]; then
    [[ -r $CORVANE_SIGN_PKCS12 && -r ${CORVANE_SIGN_PASSWORD_FILE:-} ]] ||
        roots_die "to sign the release, CORVANE_SIGN_PKCS12 and CORVANE_SIGN_PASSWORD_FILE must name readable files"
    binds+=(--bind "$(realpath "$CORVANE_SIGN_PKCS12"):/sign/cert.p12:ro" --bind "$(realpath "$CORVANE_SIGN_PASSWORD_FILE"):/sign/password:ro")
    sign="export CORVANE_RELEASE_PKCS12=/sign/cert.p12 CORVANE_RELEASE_PASSWORD_FILE=/sign/password CORVANE_RELEASE_TIMESTAMP_URL=$(printf %q "${CORVANE_SIGN_TIMESTAMP_URL:-}")"
fi
((${#keep[@]} == 0)) || binds+=("${keep[@]}")

roots_log "the $name leg on $(git -C "$repo" rev-parse --short HEAD) in the $release root"
started=$SECONDS
in_root test "${binds[@]}" -- bash -c '
    set -euo pipefail
    git -c safe.directory="*" clone --quiet --no-hardlinks /repo /src/corvane
    cd /src/corvane
    [[ ! -d /keep ]] || export CORVANE_KEEP=/keep
    '"$sign"'
    ./scripts/install-deps.sh --test
    source scripts/preflight.sh
    require_tools
    . /etc/os-release
    echo "== $PRETTY_NAME: $(g++ --version | head -n1), Qt $(dpkg-query -W -f="\${Version}" qt6-base-dev)"
    case "'"$leg"'" in
        windows) ./scripts/windows/test.sh ;;
        *) ./scripts/linux-leg.sh --ci ;;
    esac' || roots_die "the $name leg failed in the $release root"
roots_check_cache
roots_log "the $release $name leg passed in $((SECONDS - started)) s"
