#!/usr/bin/env bash
# The Linux leg on another Debian release, in a root of it that holds everything install-deps.sh --test
# installs (scripts/roots.sh: made and entered without root rights): on a clean copy of HEAD,
# install-deps.sh --test, the preflight, the ci build with warnings as errors and every Linux test.
#   check-release.sh RELEASE             the leg, e.g. check-release.sh trixie
#   check-release.sh RELEASE --whole     the whole test suite there: the Linux leg with clang-tidy, the
#                                        sanitizers and the fuzz runs, then the Windows leg, whose toolchain
#                                        for that release is kept in the release's cache
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/scripts/preflight.sh"
require_tools release
source "$repo/scripts/progress.sh"
source "$repo/scripts/roots.sh"

release=${1:-} leg=--ci
case ${2:-} in
    '') ;;
    --whole) leg='' ;;
    *) roots_die "usage: $0 RELEASE [--whole]" ;;
esac
roots_init "$release"
root_tar test >/dev/null
# The clone lives in the root's own memory, so whatever the tests write there, under any id, goes with it.
binds=(--bind "$repo:/repo:ro")
# The whole suite's Windows toolchain outlives the run, in the release's own cache.
[[ -n $leg ]] || { mkdir -p "$roots_cache/user-cache"; binds+=(--bind "$roots_cache/user-cache:/root/.cache"); }

roots_log "the Linux leg on $(git -C "$repo" rev-parse --short HEAD) in the $release root"
started=$SECONDS
in_root test "${binds[@]}" -- bash -c '
    set -euo pipefail
    git -c safe.directory="*" clone --quiet --no-hardlinks /repo /src/corvane
    cd /src/corvane
    ./scripts/install-deps.sh --test
    source scripts/preflight.sh
    require_tools linux
    . /etc/os-release
    echo "== $PRETTY_NAME: $(g++ --version | head -n1), Qt $(dpkg-query -W -f="\${Version}" qt6-base-dev)"
    ./scripts/linux-leg.sh '"$leg"'
    if [[ -z "'"$leg"'" ]]; then ./scripts/windows/test.sh; fi' ||
    roots_die "the Linux leg failed in the $release root"
roots_check_cache
roots_log "the $release Linux leg passed in $((SECONDS - started)) s"
