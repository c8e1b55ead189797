#!/usr/bin/env bash
# The Linux leg on another Debian release, in a minimal root of it made by debootstrap from the archive
# this machine's apt already uses: on a clean copy of HEAD, install-deps.sh --test, the preflight, the ci
# build with warnings as errors and every Linux test; then the package built on this machine installed
# by apt into a fresh copy of the bare root, and the installed program's end-to-end test run there.
#
#   check-release.sh RELEASE                  the leg, e.g. check-release.sh trixie
#   check-release.sh RELEASE --whole          the whole test suite there: the Linux leg with clang-tidy, the
#                                             sanitizers and the fuzz runs, then the Windows leg, whose
#                                             toolchain for that release is kept in the release's cache
#   check-release.sh --enter ROOT -- CMD...   CMD chrooted in ROOT, with what a Debian root needs mounted
#   check-release.sh --remove DIR             delete DIR, refused while anything is mounted below it
#
# Roots are kept under ${XDG_CACHE_HOME:-~/.cache}/corvane-releases/RELEASE with the packages installed
# into them, and made anew when the release's package lists change or after a week. Each run works on
# an overlay of a cached root, so the cache itself is never written by a test.
set -euo pipefail
script=$(realpath "${BASH_SOURCE[0]}")
repo=$(cd "$(dirname "$script")/.." && pwd)
log() { printf '[%s %(%H:%M:%S)T] %s\n' "${release:-release}" -1 "$*" >&2; }
die() { log "$*"; exit 1; }

# mounts_below DIR: every mount point at or below DIR, in this mount namespace.
mounts_below() { findmnt -rn -o TARGET | awk -v d="$1" '$0 == d || index($0, d "/") == 1'; }

# remove DIR: rm -rf, unless something is mounted there. A bind-mounted /dev would take the host's
# devices with it.
remove() {
    local dir
    dir=$(realpath -m "$1")
    [[ -e $dir ]] || return 0
    if mounts_below "$dir" | grep -q .; then
        log "refusing to delete $dir: still mounted there: $(mounts_below "$dir" | tr '\n' ' ')"
        return 1
    fi
    rm -rf --one-file-system -- "$dir"
}

# The first process of a mount and process namespace of their own (see enter): everything mounted here
# vanishes with the namespace however the run ends, every process left in it with this one, and the
# mounts are undone in order on every ordinary exit, Ctrl+C included.
in_namespace() {
    # Global: the exit trap reads it after this function has returned.
    mounted=()
    local root=$1 lower=$2 upper=$3 work=$4 binds=$5
    shift 5
    unmount_all() {
        local i
        # Whatever the run left going (an X server, a daemon) would hold its mounts busy.
        kill -KILL -1 2>/dev/null || true
        for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
            umount "${mounted[i]}" 2>/dev/null || umount --lazy "${mounted[i]}" 2>/dev/null || true
        done
    }
    trap unmount_all EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    on() { mount "$@" && mounted+=("${!#}"); }
    if [[ -n $lower ]]; then
        on -t overlay overlay -o "lowerdir=$lower,upperdir=$upper,workdir=$work" "$root"
    fi
    on -t proc proc "$root/proc"
    on --bind /dev "$root/dev"
    on --bind /dev/pts "$root/dev/pts"
    on -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/dev/shm"
    on -t tmpfs -o mode=1777 tmpfs "$root/tmp"
    local bind
    for bind in $binds; do
        mkdir -p "$root${bind#*:}"
        on --bind "${bind%%:*}" "$root${bind#*:}"
    done
    [[ -f /etc/resolv.conf ]] && cat /etc/resolv.conf >"$root/etc/resolv.conf"
    env -i HOME=/root TERM="${TERM:-dumb}" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 CI="${CI:-}" DEBIAN_FRONTEND=noninteractive chroot "$root" "$@"
}

# enter [--overlay LOWER UPPER WORK] [--bind HOST:INSIDE]... ROOT -- CMD...
enter() {
    local lower='' upper='' work='' binds=''
    while [[ $1 == --* ]]; do
        case $1 in
            --overlay) lower=$2 upper=$3 work=$4; shift 4 ;;
            --bind) binds+="$2 "; shift 2 ;;
            *) break ;;
        esac
    done
    local root
    root=$(realpath "$1")
    [[ ${2:-} == -- ]] || { echo "usage: $0 --enter ROOT -- CMD..." >&2; exit 2; }
    shift 2
    [[ -d $root ]] || die "no root at $root"
    CORVANE_OUTER_NS=$(readlink /proc/self/ns/mnt) unshare --mount --propagation private --pid --fork --kill-child -- \
        "$script" --in-namespace "$root" "$lower" "$upper" "$work" "$binds" "$@"
}

case ${1:-} in
    --in-namespace)
        # Outside a namespace of its own, what it mounts on the bound /dev would stay on the machine's /dev.
        [[ -n ${CORVANE_OUTER_NS:-} && $(readlink /proc/self/ns/mnt) != "$CORVANE_OUTER_NS" && $$ -eq 1 ]] ||
            die "--in-namespace is only for enter's own mount namespace"
        shift; in_namespace "$@"; exit ;;
    --enter) shift; enter "$@"; exit ;;
    --remove) remove "${2:?--remove needs a folder}"; exit ;;
    ''|-*) echo "usage: $0 RELEASE | --enter ROOT -- CMD... | --remove DIR" >&2; exit 2 ;;
esac
release=$1 leg=--ci
[[ $release =~ ^[a-z]+$ ]] || die "not a release code name: $release"
case ${2:-} in
    '') ;;
    --whole) leg='' ;;
    *) die "usage: $0 RELEASE [--whole]" ;;
esac
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || die "a root of another release needs root rights (chroot, mount)"
    exec sudo --preserve-env=XDG_CACHE_HOME,CI "$script" "$@"
fi
source "$repo/scripts/preflight.sh"
require_tools release

# The machine's own Debian archive and security archive, from its apt sources, with their suites named
# for RELEASE instead of this machine's release.
host=$(. /etc/os-release && echo "$VERSION_CODENAME")
sources() {
    {
        awk '/^[ \t]*deb[ \t]/ { i = 2; if ($2 ~ /^\[/) while ($i !~ /\]$/) i++; if ($2 ~ /^\[/) i++; print $i, $(i + 1) }' \
            /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true
        for f in /etc/apt/sources.list.d/*.sources; do
            [[ -f $f ]] || continue
            awk 'BEGIN { RS = ""; FS = "\n" }
                 { uris = ""; suites = ""; deb = 0
                   for (i = 1; i <= NF; i++) {
                       if ($i ~ /^Types:/ && $i ~ /[ \t]deb([ \t]|$)/) deb = 1
                       if ($i ~ /^URIs:/) uris = substr($i, 6)
                       if ($i ~ /^Suites:/) suites = substr($i, 8) }
                   if (deb) { n = split(uris, u, " "); m = split(suites, s, " ")
                              for (a = 1; a <= n; a++) for (b = 1; b <= m; b++) print u[a], s[b] } }' "$f"
        done
    } | awk -v host="$host" '$2 == host || index($2, host "-") == 1' | sort -u
}
mapfile -t archive < <(sources)
((${#archive[@]})) || die "no Debian archive for $host in this machine's apt sources"
mirror=$(printf '%s\n' "${archive[@]}" | awk -v host="$host" '$2 == host { print $1; exit }')
[[ -n $mirror ]] || die "this machine's apt sources name no $host suite to make the root from"
root_sources() {
    printf '%s\n' "${archive[@]}" | while read -r uri suite; do
        printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n' \
            "$uri" "$release${suite#"$host"}"
    done
}

cache=${XDG_CACHE_HOME:-$HOME/.cache}/corvane-releases/$release
mkdir -p "$cache/archives"
# One run at a time for a release: a run may renew the roots that another one works on.
exec 9>"$cache/lock"
flock 9
# The whole suite's Windows toolchain outlives the run, in the release's own cache.
keep_user_cache=()
[[ -n $leg ]] || { mkdir -p "$cache/user-cache"; keep_user_cache=(--bind "$cache/user-cache:/root/.cache"); }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/corvane-$release.XXXXXX")
cleanup() { remove "$scratch" || log "left $scratch behind"; }
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# overlay NAME LOWER: an empty upper layer over LOWER, for `enter --overlay`.
overlay() { mkdir -p "$scratch/$1/upper" "$scratch/$1/work" "$scratch/$1/root"; echo "$2 $scratch/$1/upper $scratch/$1/work"; }
# run LOWER NAME CMD...: CMD in a throwaway layer over the root LOWER, with the shared package downloads
# and the scratch folder's src/ as /src.
run() {
    local lower=$1 name=$2
    shift 2
    mkdir -p "$scratch/src"
    # shellcheck disable=SC2046
    enter --overlay $(overlay "$name" "$lower") --bind "$cache/archives:/var/cache/apt/archives" \
        "${keep_user_cache[@]}" --bind "$scratch/src:/src" "$scratch/$name/root" -- "$@"
}
lists_sum() { run "$1" lists sh -c 'apt-get update -qq >&2 && cat /var/lib/apt/lists/*_Packages | sha256sum'; }

# The bare root: renewed when older than a week, or when the package lists differ from those it was made
# with.
base=$cache/base
if [[ -f $cache/base.lists ]] && [[ -z $(find "$cache/base.lists" -mtime +6) ]]; then
    sum=$(lists_sum "$base") || die "apt-get update failed in the $release root"
    remove "$scratch/lists"
    if [[ $sum != "$(<"$cache/base.lists")" ]]; then
        log "the $release package lists changed: making the roots anew"
        rm -f "$cache/base.lists"
    fi
fi
if [[ ! -f $cache/base.lists ]]; then
    remove "$cache/test-root" && remove "$base" || die "cannot clear the old $release roots"
    rm -f "$cache/test-root.list"
    log "debootstrap $release (minbase) from $mirror"
    remove "$base.part" || die "cannot clear an unfinished $release root"
    # In a mount namespace of its own, so that what it mounts in the root goes with it, however it ends.
    unshare --mount --propagation private -- \
        debootstrap --variant=minbase --cache-dir="$cache/archives" "$release" "$base.part" "$mirror" \
        >"$scratch/debootstrap.log" 2>&1 || { tail -20 "$scratch/debootstrap.log" >&2; die "debootstrap failed"; }
    rm -f "$base.part/etc/apt/sources.list"
    root_sources >"$base.part/etc/apt/sources.list.d/debian.sources"
    # Downloads stay in the shared folder, not in each root.
    rm -f "$base.part/etc/apt/apt.conf.d/docker-clean"
    enter --bind "$cache/archives:/var/cache/apt/archives" "$base.part" -- apt-get update -qq ||
        die "apt-get update failed in the new $release root"
    mv "$base.part" "$base"
    lists_sum "$base" >"$cache/base.lists.part" && mv "$cache/base.lists.part" "$cache/base.lists"
    remove "$scratch/lists"
fi

# The root with everything install-deps.sh --test installs, made again when its list of packages changes.
deps=$cache/test-root
want=$("$repo/scripts/install-deps.sh" --test --list | sha256sum)
if [[ ! -f $cache/test-root.list || $(<"$cache/test-root.list") != "$want" ]]; then
    remove "$deps" || die "cannot clear the old $release root"
    log "installing the test packages into a copy of the $release root"
    remove "$deps.part" && cp -a "$base" "$deps.part" || die "cannot copy the $release root"
    mkdir -p "$deps.part/root/deps"
    cp "$repo/scripts/install-deps.sh" "$deps.part/root/deps/"
    enter --bind "$cache/archives:/var/cache/apt/archives" "$deps.part" -- \
        /root/deps/install-deps.sh --test || die "install-deps.sh --test failed in the $release root"
    rm -rf "$deps.part/root/deps"
    mv "$deps.part" "$deps"
    echo "$want" >"$cache/test-root.list"
fi

# The Linux leg on a clean copy of the commit.
roots=$SECONDS
mkdir -p "$scratch/src"
git clone --quiet --no-hardlinks "$repo" "$scratch/src/corvane"
log "the Linux leg on $(git -C "$repo" rev-parse --short HEAD) in the $release root"
status=0
run "$deps" leg bash -c '
    set -euo pipefail
    cd /src/corvane
    ./scripts/install-deps.sh --test
    source scripts/preflight.sh
    require_tools linux
    . /etc/os-release
    echo "== $PRETTY_NAME: $(g++ --version | head -n1), Qt $(dpkg-query -W -f="\${Version}" qt6-base-dev)"
    ./scripts/linux-leg.sh '"$leg"'
    if [[ -z "'"$leg"'" ]]; then ./scripts/windows/test.sh; fi' || status=$?
((status == 0)) || die "the Linux leg failed in the $release root"
remove "$scratch/leg"
linux=$((SECONDS - roots))

# The package built on this machine, installed by apt with what it depends on into a fresh copy of the
# bare root, and the installed program's end-to-end test there: one package for both releases.
if [[ ! -f $repo/build-ci/CPackConfig.cmake ]]; then
    log "building the package on $host first"
    (cd "$repo" && cmake --preset ci >/dev/null && cmake --build --preset ci) >"$scratch/host-build.log" 2>&1 ||
        { tail -20 "$scratch/host-build.log" >&2; die "the ci build failed on $host"; }
fi
(cd "$repo/build-ci" && cpack -G DEB -B "$scratch/src/package" >/dev/null) || die "cpack -G DEB failed"
deb=$(cd "$scratch/src/package" && ls corvane_*.deb)
log "installing $deb, built on $host, into a fresh $release root"
run "$base" installed bash -c '
    set -euo pipefail
    apt-get install -y -qq --no-install-recommends "/src/package/$1" >/dev/null
    # What the test drives the program and reads its screenshots with, and what F1 needs on a desktop
    # without an environment: a CHM viewer, and `file` for xdg-open to know a .chm.
    apt-get install -y -qq --no-install-recommends xvfb xdotool imagemagick python3 file xchm xdg-utils >/dev/null
    bash /src/corvane/tests/e2e/drive.sh x11 /usr/bin/corvane scaled viewer' installed "$deb" ||
    die "the package built on $host failed its installed-program test in the $release root"
log "the $release leg passed in $SECONDS s: the roots $roots s, the Linux leg $linux s, the package $((SECONDS - roots - linux)) s"
