#!/usr/bin/env bash
# Debian roots of either release, made and entered without root rights, through user namespaces: a root
# is a tarball in the cache, made by `mmdebstrap --mode=unshare` and owned by the user who runs this; a run
# unpacks it into a tmpfs of a namespace of its own, where the user is root and the other ids come from
# the user's /etc/subuid range. Whatever the run writes, mounts or leaves running goes with the namespace,
# however the run ends, so the cache holds only the user's own files and `rm -rf` deletes it.
#
# Sourced by the legs (roots_init, root_tar, in_root, ...), or run:
#   roots.sh make RELEASE:NAME[,NAME]...
#                                     those roots made, or renewed when they are out of date
#   roots.sh enter TAR [--bind HOST:INSIDE[:ro]]... -- CMD...
#                                     CMD as root in a throwaway copy of the root TAR
#
# Roots, under ${XDG_CACHE_HOME:-~/.cache}/corvane-releases/RELEASE/:
#   bare.tar    essential packages and apt: what a user's system has at the least
#   build.tar   build-essential, fakeroot (which sbuild asks for) and the Build-Depends of
#               packaging/debian/control at HEAD, nothing else
#   test.tar    everything scripts/install-deps.sh --test installs
# with archives/ (the packages downloaded, shared by every run, so that a run offline finds them) and
# the package lists each root was made with. A root is made anew when the release's package lists
# change (asked once per run, while the archive answers), after a week, or when what it holds changes.
set -euo pipefail
roots_script=$(realpath "${BASH_SOURCE[0]}")
roots_repo=$(cd "$(dirname "$roots_script")/.." && pwd)

roots_log() { printf '[%s %(%H:%M:%S)T] %s\n' "${roots_release:-roots}" -1 "$*" >&2; }
roots_die() { roots_log "$*"; exit 1; }

# The user namespace's id maps: the user is root inside; ids 1 to 65535 come from the user's subordinate
# range. Root itself, which has no range, keeps its own ids.
roots_idmap() {
    local user uid kind name range
    uid=$(id -u) user=$(id -un)
    # Root needs no user namespace of its own: mount and process namespaces seal the run off alike.
    ((uid == 0)) && return
    echo --setgroups allow
    for kind in uid gid; do
        name=$([[ $kind == uid ]] && echo user || echo group)
        range=$(awk -F: -v u="$user" -v n="$uid" '($1 == u || $1 == n) && $3 >= 65535 { print $2; exit }' "/etc/sub$kind" 2>/dev/null)
        [[ -n $range ]] || roots_die "$user has no range of 65536 subordinate ${kind}s in /etc/sub$kind, which a root needs; add one with: sudo usermod --add-sub${kind}s 100000-165535 $user"
        printf -- '--map-%s=0 --map-%ss=%s,1,65535 ' "$name" "$name" "$range"
    done
}

# enter TAR [--bind HOST:INSIDE[:ro]]... -- CMD...: CMD in a fresh copy of the root TAR.
roots_enter() {
    local tar=$1
    shift
    local -a binds=()
    while [[ $1 == --bind ]]; do binds+=("$2"); shift 2; done
    [[ $1 == -- ]] || roots_die "roots.sh enter: unknown option $1"
    shift
    [[ -f $tar ]] || roots_die "no root at $tar"
    command -v newuidmap >/dev/null || (($(id -u) == 0)) || roots_die "newuidmap is missing (Debian package uidmap)"
    # shellcheck disable=SC2046
    unshare $(roots_idmap) --mount --propagation private --pid --fork --kill-child -- \
        "$roots_script" --in-namespace "$tar" "${#binds[@]}" "${binds[@]}" "$@"
}

# The first process of the namespace: lays out the root and runs the command in it as root.
#   roots_in_namespace TAR COUNT BIND... CMD...
roots_in_namespace() {
    local tar=$1 root=/run/corvane-root resolv='' PATH=$PATH:/usr/sbin:/sbin
    local -a binds=("${@:3:$2}")
    shift $((2 + $2))
    # With systemd-resolved, /etc/resolv.conf points into /run, which the tmpfs below covers.
    [[ ! -r /etc/resolv.conf ]] || resolv=$(</etc/resolv.conf)
    # /run of the host is not the user's; the new mount namespace may put a tmpfs over it.
    mount -t tmpfs -o mode=755 tmpfs /run
    mkdir -p "$root"
    # A mount point of its own, for pivot_root.
    mount -t tmpfs -o mode=755,size="${CORVANE_ROOT_SIZE:-16G}" tmpfs "$root"
    tar -C "$root" --exclude='./dev/*' -xf "$tar"
    mkdir -p "$root/dev" "$root/proc" "$root/tmp"
    mount -t proc -o nosuid,nodev,noexec proc "$root/proc"
    # /proc/sys stays readable, as programs expect, but no write reaches the kernel's settings.
    mount --bind "$root/proc/sys" "$root/proc/sys"
    mount -o remount,bind,ro "$root/proc/sys"
    # Only the usual device nodes, each bound from the host: a namespace may not make its own.
    mount -t tmpfs -o mode=755,nosuid tmpfs "$root/dev"
    local node
    for node in null zero full random urandom tty; do
        touch "$root/dev/$node"
        mount --bind "/dev/$node" "$root/dev/$node"
    done
    mkdir "$root/dev/pts" "$root/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$root/dev/pts"
    ln -s pts/ptmx "$root/dev/ptmx"
    mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/dev/shm"
    ln -s /proc/self/fd "$root/dev/fd"
    for node in 0:stdin 1:stdout 2:stderr; do ln -s "/proc/self/fd/${node%:*}" "$root/dev/${node#*:}"; done
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
    local bind host inside mode
    for bind in "${binds[@]}"; do
        IFS=: read -r host inside mode <<<"$bind"
        if [[ -d $host ]]; then mkdir -p "$root$inside"; else mkdir -p "${root}${inside%/*}" && touch "$root$inside"; fi
        mount --rbind "$host" "$root$inside"
        [[ $mode != ro ]] || mount -o remount,bind,ro "$root$inside"
    done
    [[ -z $resolv ]] || printf '%s\n' "$resolv" >"$root/etc/resolv.conf"
    # apt would hand its partial downloads to _apt, a subordinate id: the shared folder must stay the user's.
    [[ ! -d $root/etc/apt/apt.conf.d ]] || echo 'APT::Sandbox::User "root";' >"$root/etc/apt/apt.conf.d/00corvane-sandbox"
    # The root becomes / for this process too, and the machine's file system is let go: no /proc/N/root
    # leads back to it. The root may have no umount (Debian's mount package is not essential): the
    # machine's serves, with the machine's loader and libraries.
    local umount lib
    umount=$(type -P umount) lib=$(dirname "$(readlink -f /lib64/ld-linux-x86-64.so.2)")
    { cd "$root" && mkdir .host && pivot_root . .host && cd / &&
        "/.host$lib/ld-linux-x86-64.so.2" --library-path "/.host$lib" "/.host$umount" -l /.host && rmdir /.host; } ||
        roots_die "the root could not be made the run's /"
    # The command runs in a user and mount namespace below this one, mapped to the same ids: the mounts
    # above come to it locked, so it can neither make the read-only ones writable nor uncover what they
    # cover, and, in a user namespace even when root runs this, it can make no device node. The child
    # waits until its ids are mapped, which its parent does, as newuidmap would (through the root's /proc,
    # the working folder). Started in the background, it would ignore Ctrl+C, but for env's reset.
    local child
    unshare --user --mount -- /bin/sh -c 'until read -r _ </proc/self/uid_map; do :; done; exec "$@"' sh \
        env --default-signal=INT,QUIT -i HOME=/root TERM="${TERM:-dumb}" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 CI="${CI:-}" DEBIAN_FRONTEND=noninteractive "$@" &
    child=$!
    until [[ $(readlink "proc/$child/ns/user") != "$(readlink proc/self/ns/user)" ]]; do
        kill -0 "$child" 2>/dev/null || break
    done
    # Two extents, as each must lie within one of this namespace's (root, then the subordinate range),
    # written at once, which cat does and bash does not.
    local map=$'0 0 1\n1 1 65535'
    cat <<<"$map" >"proc/$child/uid_map" && cat <<<"$map" >"proc/$child/gid_map" || kill -KILL "$child"
    wait "$child"
}

# --- the cache ------------------------------------------------------------------------------------

# The machine's own Debian archive and security archive, from its apt sources, with their suites named
# for RELEASE instead of this machine's release: "URI SUITE" lines.
roots_archive() {
    local host found lists
    host=$(. /etc/os-release && echo "$VERSION_CODENAME")
    found=$(roots_debian_sources)
    if [[ -z $found ]]; then
        # The host's lists were cleaned away: fetch them once more, as this user, into a folder of its own.
        lists=$(mktemp -d) && mkdir -p "$lists/lists/partial"
        timeout 120 apt-get -q=2 -o Dir::State::Lists="$lists/lists" -o Dir::Cache="$lists" -o Debug::NoLocking=1 \
            -o APT::Sandbox::User="$(id -un)" update >/dev/null 2>&1 || true
        found=$(roots_debian_sources -o Dir::State::Lists="$lists/lists" -o Dir::Cache="$lists")
        rm -rf "$lists"
    fi
    awk -v host="$host" -v rel="$1" '$2 == host || index($2, host "-") == 1 { sub("^" host, rel, $2); print }' <<<"$found" | sort -u
}
# roots_debian_sources [APT-OPTION]...: "URI SUITE" of each source apt has a Release file of Debian's for.
# apt reads the sources itself (one-line and deb822, "Enabled: no" honoured), and the Release files say
# which entries are Debian's own archive: another repository may name the same suite.
roots_debian_sources() {
    apt-cache "$@" policy 2>/dev/null |
        awk '$1 ~ /^[0-9]+$/ && $2 ~ /:\/\// { uri = $2; split($3, at, "/"); suite = at[1]; next }
             uri != "" && /^ +release / && /[ ,]o=Debian,/ { print uri, suite } { uri = "" }'
}

# roots_init RELEASE: the release's cache, locked for this process; the first time for a release, asks
# the archive whether the release's package lists changed since its roots were made. With
# CORVANE_OFFLINE=1 it asks nothing and renews nothing, and so shares the cache with other such runs:
# the test command sets it for its legs, which run side by side once it has made their roots.
declare -A roots_locked=()
roots_init() {
    roots_release=$1
    [[ $roots_release =~ ^[a-z]+$ ]] || roots_die "not a release code name: $roots_release"
    roots_cache=${XDG_CACHE_HOME:-$HOME/.cache}/corvane-releases/$roots_release
    mapfile -t roots_mirrors < <(roots_archive "$roots_release")
    # Offline, the cached roots serve without any.
    ((${#roots_mirrors[@]})) || [[ ${CORVANE_OFFLINE:-} == 1 ]] ||
        roots_die "apt knows no Debian archive on this machine to make $roots_release roots from (after apt-get update, apt-cache policy lists it with o=Debian)"
    [[ -z ${roots_locked[$roots_release]:-} ]] || return 0
    mkdir -p "$roots_cache/archives"
    # A run that may renew the roots holds the cache alone; runs that only read them share it.
    local fd share=()
    [[ ${CORVANE_OFFLINE:-} != 1 ]] || share=(--shared)
    exec {fd}>"$roots_cache/lock"
    if ! flock -n "${share[@]}" "$fd"; then
        roots_log "waiting for the other run that holds the $roots_release roots: $(cat "$roots_cache/holder" 2>/dev/null)"
        flock "${share[@]}" "$fd"
    fi
    echo "$(id -un), process $$ ($(tr '\0' ' ' </proc/$$/cmdline)), since $(date '+%F %T')" >"$roots_cache/holder"
    roots_locked[$roots_release]=$fd
    roots_online=1
    [[ ${CORVANE_OFFLINE:-} != 1 ]] || { roots_online=0; return 0; }
    local lists=$roots_cache/lists.new sum
    if ! roots_update "$lists" "${roots_mirrors[@]}"; then
        roots_online=0
        roots_log "the Debian archive cannot be reached: using the cached $roots_release roots as they are"
    else
        sum=$(cat "$lists"/lists/*_Packages* | sha256sum | cut -c1-64)
        if [[ ! -f $roots_cache/lists.sum || $sum != "$(<"$roots_cache/lists.sum")" ]]; then
            [[ ! -f $roots_cache/lists.sum ]] || roots_log "the $roots_release package lists changed: its roots will be made anew"
            # Each root stays until its successor is complete.
            rm -f "$roots_cache"/*.key
            echo "$sum" >"$roots_cache/lists.sum"
        fi
        # The file name apt gives each package the lists offer, for roots_prune.
        awk 'BEGIN { RS = "" } { p = v = a = ""; n = split($0, line, "\n")
             for (i = 1; i <= n; i++) { split(line[i], f, ": ")
                 if (f[1] == "Package") p = f[2]; else if (f[1] == "Version") v = f[2]; else if (f[1] == "Architecture") a = f[2] }
             gsub(":", "%3a", v); print p "_" v "_" a ".deb" }' <(/usr/lib/apt/apt-helper cat-file "$lists"/lists/*_Packages*) |
            sort -u >"$roots_cache/offered"
    fi
    rm -rf "$lists"
}

# roots_update DIR "URI SUITE"...: the package lists of those suites into DIR, as this user; fails when
# the archive does not answer within two minutes or answers with an error.
roots_update() {
    local lists=$1
    shift
    rm -rf "$lists"
    # apt deletes whatever else it finds among its lists.
    mkdir -p "$lists/lists/partial"
    printf 'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s main\n' "$@" >"$lists/sources.list"
    timeout 120 apt-get -q=2 -o Dir::State::Lists="$lists/lists" -o Dir::Cache="$lists" -o Dir::Etc::SourceParts=/dev/null \
        -o Dir::Etc::SourceList="$lists/sources.list" -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)" \
        update >"$lists/update.log" 2>&1 && ! grep -q '^[WE]:' "$lists/update.log" && return
    # What went wrong, in apt's own words.
    grep -E '^[WE]:|^Err:' "$lists/update.log" >&2 || tail -n 5 "$lists/update.log" >&2
    return 1
}

# root_tar NAME: the tarball of the root NAME (bare, build or test), made first when it is missing,
# a week old, or made for other contents; offline, an old one serves.
root_tar() {
    local name=$1 tar=$roots_cache/$1.tar key
    key=$(root_key "$name")
    if [[ -f $tar && -f $roots_cache/$name.key && $(<"$roots_cache/$name.key") == "$key" && -z $(find "$tar" -mtime +6) ]]; then
        echo "$tar"
        return
    fi
    if ((!roots_online)); then
        [[ -f $tar ]] && { roots_log "the $roots_release $name root is out of date, but kept: the archive cannot be reached"; echo "$tar"; return; }
        roots_die "no $roots_release $name root in $roots_cache, and the archive cannot be reached to make one"
    fi
    # The old root stays until the new one is complete: a renewal that fails or is cut short leaves it.
    local -a options=()
    local mirror
    for mirror in "${roots_mirrors[@]}"; do options+=("deb ${mirror% *} ${mirror#* } main"); done
    local work new=$roots_cache/.$name.new.tar
    work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-root.XXXXXX")
    case $name in
        bare) set -- --variant=apt ;;
        build)
            { git -C "$roots_repo" archive HEAD packaging/debian 2>/dev/null | tar -C "$work" -x --strip-components=1; } ||
                cp -r "$roots_repo/packaging/debian" "$work/debian"
            set -- --variant=buildd --include=fakeroot \
                --customize-hook='mkdir -p "$1/tmp/corvane"' --customize-hook="copy-in $work/debian /tmp/corvane" \
                --customize-hook='chroot "$1" apt-get build-dep -y -q=2 --no-install-recommends /tmp/corvane' \
                --customize-hook='rm -rf "$1/tmp/corvane"' ;;
        test)
            cp "$roots_repo/scripts/install-deps.sh" "$work/"
            set -- --variant=apt \
                --customize-hook="copy-in $work/install-deps.sh /tmp" \
                --customize-hook='chroot "$1" /tmp/install-deps.sh --test' \
                --customize-hook='rm -f "$1/tmp/install-deps.sh"' ;;
        *) roots_die "no root called $name" ;;
    esac
    # The downloads go to the shared folder and back, so that a run offline finds what it installs;
    # the lists stay, so that apt in a run knows the packages without asking the archive. The apt
    # configuration a user may name in APT_CONFIG is this machine's, read above for its Debian sources:
    # apt in mmdebstrap would take its folders and sources too.
    run_step "making the $roots_release $name root" "$work/mmdebstrap.log" \
        env -u APT_CONFIG mmdebstrap --mode=unshare --quiet --components=main --skip=output/dev,cleanup/apt/lists,essential/unlink \
            --aptopt='APT::Install-Recommends "false"' \
            --setup-hook='mkdir -p "$1/var/cache/apt/archives"' \
            --setup-hook="sync-in $roots_cache/archives /var/cache/apt/archives" \
            "$@" \
            --customize-hook="sync-out /var/cache/apt/archives $roots_cache/archives" \
            "$roots_release" "$new" "${options[@]}" ||
        { tail -n 25 "$work/mmdebstrap.log" >&2; rm -rf "$work"; rm -f "$new"; roots_die "mmdebstrap failed for the $roots_release $name root"; }
    rm -rf "$work"
    mv "$new" "$tar"
    echo "$key" >"$roots_cache/$name.key"
    echo "$tar"
}

# What a root holds besides its release: the build root follows debian/control, the test root
# install-deps.sh's list.
root_key() {
    case $1 in
        build) { roots_control; echo fakeroot; } | sha256sum | cut -c1-64 ;;
        test) "$roots_repo/scripts/install-deps.sh" --test --list | sha256sum | cut -c1-64 ;;
        *) echo "$1" ;;
    esac
}

# The Build-Depends are HEAD's, the commit the source package is made of; a copy outside git has its own.
roots_control() {
    git -C "$roots_repo" show HEAD:packaging/debian/control 2>/dev/null || cat "$roots_repo/packaging/debian/control"
}

# in_root NAME [--bind ...]... -- CMD...: CMD in a throwaway copy of the root NAME, with the shared
# downloads at /var/cache/apt/archives.
in_root() {
    local tar
    tar=$(root_tar "$1")
    shift
    roots_enter "$tar" --bind "$roots_cache/archives:/var/cache/apt/archives" "$@"
}

# roots_prune: once every root was made from the current package lists, the downloads those lists no
# longer offer leave archives/; until then an offline run may still need them for an older root.
roots_prune() {
    ((roots_online)) && [[ -s $roots_cache/offered ]] || return 0
    [[ -z $(find "$roots_cache" -maxdepth 1 -name '*.tar' ! -newer "$roots_cache/lists.sum") ]] || return 0
    local old
    old=$(find "$roots_cache/archives" -maxdepth 1 -name '*.deb' -printf '%f\n' | sort | comm -23 - "$roots_cache/offered")
    [[ -n $old ]] || return 0
    roots_log "deleted $(wc -l <<<"$old") downloads that the archive no longer offers"
    (cd "$roots_cache/archives" && xargs -d '\n' rm -f --) <<<"$old"
}

# roots_check_cache: the cache holds only files of the user who runs the legs, so that a plain
# `rm -rf` deletes it. Then downloads no root needs go.
roots_check_cache() {
    local foreign
    foreign=$(find "$roots_cache" ! -user "$(id -u)" -print -quit)
    [[ -z $foreign ]] || roots_die "the $roots_release cache holds files of another user, $foreign among them"
    roots_prune
}

case ${1:-} in
    --in-namespace) shift; roots_in_namespace "$@"; exit ;;
    enter) shift; roots_enter "$@"; exit ;;
    make)
        source "$roots_repo/scripts/progress.sh"
        for wanted in "${@:2}"; do
            roots_init "${wanted%:*}"
            IFS=, read -ra names <<<"${wanted#*:}"
            for name in "${names[@]}"; do root_tar "$name" >/dev/null; done
            roots_check_cache
        done
        exit ;;
esac
