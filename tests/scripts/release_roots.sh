#!/usr/bin/env bash
# scripts/roots.sh enters a root in a namespace of its own: the run sees only the usual device nodes, a
# read-only /proc/sys and the folders bound on purpose; its status comes back; whatever it starts or
# mounts ends with it, Ctrl+C included; and the root it was unpacked from is never written. Uses a root of
# a few programs copied from this machine. First, which of the host's apt sources the roots are made from.
#   release_roots.sh SOURCE_DIR
work_name='corvane test*'
source "$(dirname "$0")/../lib.sh"
enter=("$1/scripts/roots.sh" enter)

# An apt configuration of the test's own, through APT_CONFIG, with the Release files an update would have
# fetched: Debian's archive and security archive; Docker's and PostgreSQL's repositories, on the same
# suites; and a Debian suite switched off. Only Debian's two become the sources, for the release asked for.
host=$(. /etc/os-release && echo "$VERSION_CODENAME") apt=$work/apt
mkdir -p "$apt/lists" "$apt/parts" && echo "deb http://docker.test/linux/debian $host main" >"$apt/sources.list"
while read -r uri suite origin enabled; do
    [[ $uri == docker.test* ]] ||
        printf 'Types: deb\nURIs: http://%s\nSuites: %s\nComponents: main\nEnabled: %s\n\n' "$uri" "$suite" "$enabled" >>"$apt/parts/all.sources"
    printf 'Origin: %s\nCodename: %s\nComponents: main\n' "$origin" "$suite" >"$apt/lists/${uri//\//_}_dists_${suite}_Release"
    : >"$apt/lists/${uri//\//_}_dists_${suite}_main_binary-amd64_Packages"
done <<ROWS
mirror.test/debian $host Debian yes
mirror.test/debian-security $host-security Debian yes
docker.test/linux/debian $host Docker yes
pg.test/apt $host-pgdg apt.postgresql.org yes
mirror.test/debian $host-backports Debian no
ROWS
printf 'Dir::Etc::SourceList "%s/sources.list";\nDir::Etc::SourceParts "%s/parts";\nDir::State::Lists "%s/lists";\nDir::Cache "%s";\n' \
    "$apt" "$apt" "$apt" "$apt" >"$apt/apt.conf"
got=$(APT_CONFIG=$apt/apt.conf bash -c 'source "$0/scripts/roots.sh"; roots_archive sid' "$1" | paste -sd' ')
[[ $got == "http://mirror.test/debian sid http://mirror.test/debian-security sid-security" ]] || fail "the roots' sources: $got"
# A renewal killed halfway keeps the old root, and an offline run then takes it; a second run waits for
# the first, saying for whom. mmdebstrap's stand-in writes part of the new root, then kills the run; it
# notes an APT_CONFIG, the user's configuration, which its apt must not take.
mkdir -p "$work/bin" "$work/cache/corvane-releases/sid" && echo old >"$work/cache/corvane-releases/sid/test.tar"
printf '#!/bin/sh\necho "${APT_CONFIG:-}" >"%s/apt_config"\nfor a; do case $a in *.new.tar) echo part >"$a" ;; esac; done\nkill -KILL $PPID\n' \
    "$work" >"$work/bin/mmdebstrap"
chmod +x "$work/bin/mmdebstrap" && export XDG_CACHE_HOME=$work/cache CORVANE_OFFLINE=1
renew='source "$0/scripts/roots.sh"; source "$0/scripts/progress.sh"; roots_init sid; roots_online=$1 root_tar test; sleep 2'
(PATH=$work/bin:$PATH TMPDIR=$work APT_CONFIG=$apt/apt.conf CORVANE_PROGRESS_INTERVAL=0.2 bash -c "$renew" "$1" 1; exit) 2>/dev/null && fail "the stand-in did not cut the renewal short"
[[ -f $work/apt_config && -z $(<"$work/apt_config") ]] || fail "mmdebstrap was run with APT_CONFIG=$(cat "$work/apt_config" 2>&1)"
bash -c "$renew" "$1" 0 >"$work/taken" 2>/dev/null
[[ $(<"$work/taken") == */sid/test.tar && $(<"$work/cache/corvane-releases/sid/test.tar") == old ]] || fail "the old root was not kept and taken"
# Runs that only read the roots share them; one waits for a run that may renew them, saying for whom.
cache=$work/cache/corvane-releases/sid
for held in shared exclusive; do
    echo "a run holding it $held" >"$cache/holder"
    rm -f "$work/held"
    flock "--$held" "$cache/lock" bash -c ': >"$0"; sleep 3' "$work/held" &
    poll 10 test -e "$work/held"
    bash -c 'source "$0/scripts/roots.sh"; roots_archive() { :; }; roots_init sid' "$1" 2>"$work/waited-$held"
    wait
done
[[ ! -s $work/waited-shared ]] || fail "a run that only reads waited for another: $(<"$work/waited-shared")"
grep -q "waiting for the other run .*: a run holding it exclusive" "$work/waited-exclusive" ||
    fail "a run did not wait for one that may renew the roots, or did not say for whom: $(<"$work/waited-exclusive")"
unset XDG_CACHE_HOME CORVANE_OFFLINE
# Downloads the archive no longer offers are deleted once every root was made from its current lists,
# and kept while an older root may still need them. prune AGE: what is left with the root AGE old.
prune() {
    rm -rf "$work/p" && mkdir -p "$work/p/archives" && touch "$work/p/archives/"{a_1%3a1_all,b_1_all}.deb
    echo 'a_1%3a1_all.deb' >"$work/p/offered" && touch -d '-1 hour' "$work/p/lists.sum" && touch -d "$1" "$work/p/test.tar"
    (source "${enter[0]}" && roots_cache=$work/p roots_online=1 && roots_prune) 2>/dev/null
    ls "$work/p/archives" | paste -sd' '
}
[[ $(prune now) == 'a_1%3a1_all.deb' && $(prune '-2 hours') == 'a_1%3a1_all.deb b_1_all.deb' ]] ||
    fail "the downloads pruned wrongly: $(prune now) / $(prune '-2 hours')"
# Root runs the legs on a checkout that a user owns, as `sudo ./scripts/test.sh` does (the sources must be
# a checkout: a copy, as scripts/mutate.sh makes, has nothing to clone).
if ((EUID == 0)) && git -C "$1" rev-parse --git-dir >/dev/null 2>&1; then
    git clone --quiet "$1" "$work/users" && chown -R nobody: "$work/users" && chmod 755 "$work" &&
        "$work/users/scripts/as-leg-user.sh" scripts/install-deps.sh --list >/dev/null 2>"$work/sudo.err" ||
        fail "root could not run a leg on a user's checkout: $(<"$work/sudo.err")"
    IFS=: read -r _ _ uid _ _ _ shell < <(getent passwd corvane-leg)
    ((uid < 1000)) && [[ $shell == */nologin ]] || fail "the legs' account is a login account: $uid $shell"
fi
# An archive that does not answer: apt's own words say so.
(source "$1/scripts/roots.sh" && roots_update "$work/lists" "http://127.0.0.1:9/debian $host") 2>"$work/apt.err" &&
    fail "an archive that does not answer was taken"
grep -q '127.0.0.1:9' "$work/apt.err" || fail "apt's error was not shown: $(cat "$work/apt.err")"
# Inside a root of its own (the Debian 13 leg) a run can make no fresh /proc, whose /proc/sys is covered.
unshare --user --map-root-user --mount --pid --fork --mount-proc true 2>/dev/null ||
    { ((failures == 0)) || passed "release roots"; echo "user namespaces with a /proc of their own are not allowed here; the rest skipped"; exit 77; }

# The read-only folder's name has a blank and a star, as a checkout's path may.
ro="$work/read only*"
mkdir -p "$work/root/etc" "$work/out" "$ro"
for program in bash cat sleep touch ls tr sort unshare readlink stat mount mknod rmdir env date; do
    path=$(type -P $program)
    for file in "$path" $(ldd "$path" | grep -o '/[^ ]*'); do
        mkdir -p "$work/root$(dirname "$file")" && cp -L "$file" "$work/root$file"
    done
done
mkdir -p "$work/root/bin" && ln -s "$(type -P bash)" "$work/root/bin/sh"
tar -C "$work/root" -cf "$work/root.tar" .
sum=$(sha256sum <"$work/root.tar")
run() { "${enter[@]}" "$work/root.tar" --bind "$work/out:/out" --bind "$ro:/ro:ro" -- bash -c "$1"; }

# What a run sees, one check a row (tab-separated): a command inside, and what it must print.
while IFS=$'\t' read -r what command expected; do
    got=$(run "$command" 2>/dev/null)
    [[ $got == "$expected" ]] || fail "$what: expected '$expected', got '$got'"
done <<'ROWS'
only the usual device nodes	ls /dev | tr "\n" " "	fd full null ptmx pts random shm stderr stdin stdout tty urandom zero 
a write to /proc/sys refused, even of the run's own limits	v=$(cat /proc/sys/user/max_user_namespaces); echo $v >/proc/sys/user/max_user_namespaces 2>/dev/null && echo written || echo refused	refused
the read-only bind refused	touch /ro/x 2>/dev/null && echo written || echo refused	refused
the root itself writable, in memory	touch /etc/x && echo written	written
no path of the machine through /proc	for p in /proc/[0-9]*; do r=$(stat -L -c %d:%i $p/root/ 2>/dev/null) && [ "$r" != "$(stat -c %d:%i /)" ] && echo $p; done; echo none	none
the read-only bind kept so	mount -o remount,bind,rw /ro 2>/dev/null; mount -o remount,bind,rw /proc/sys 2>/dev/null; touch /ro/x 2>/dev/null && echo written || echo refused	refused
no device node made	mknod /tmp/null c 1 3 2>/dev/null && echo made || echo refused	refused
no clock of the machine set, even by root's run	date -s now >/dev/null 2>&1 && echo set || echo refused	refused
mounted for the run	while read -r _ _ _ _ p _; do case $p in /proc|/dev|/dev/pts|/dev/shm|/tmp|/out|/ro) echo $p;; esac; done </proc/self/mountinfo | sort | tr "\n" " "	/dev /dev/pts /dev/shm /out /proc /ro /tmp 
ROWS

# The runs below start `sleep 30NN`, a process nothing else on the machine runs.
# A failing command: its status comes back; what it left running and what it wrote in the root are gone,
# what it wrote in the bound folder stays, owned by whoever ran it.
run 'touch /out/made /etc/made; sleep 3017 & exit 3'
status=$?
((status == 3)) || fail "a command that exits 3 gave $status"
[[ -z $(running_in 'sleep 3017') ]] || fail "a failed run left processes: $(running_in 'sleep 3017')"
[[ $(stat -c %u "$work/out/made" 2>/dev/null) == "$(id -u)" ]] || fail "a file the run made in the bound folder is not the caller's"
[[ $(sha256sum <"$work/root.tar") == "$sum" ]] || fail "a run changed the root's tarball"
[[ -z $(findmnt -rn -o TARGET | grep -F "$work") ]] || fail "a run left mounts on this machine"

# Ctrl+C: the whole process group is interrupted, as a terminal does. Job control gives the run a group
# of its own that does not ignore SIGINT, as a background job otherwise would.
set -m
run 'touch /out/started; sleep 3018' &
leader=$!
set +m
poll 10 test -e "$work/out/started" || fail "the interrupted run never started"
kill -INT -- -$leader
poll 5 eval '! kill -0 $leader 2>/dev/null' || { fail "Ctrl+C did not end the run"; kill -KILL -- -$leader; }
wait $leader
(($? != 0)) || fail "an interrupted run reported success"
[[ -z $(running_in 'sleep 3018') ]] || fail "an interrupted run left processes in the root: $(running_in 'sleep 3018')"

passed "release roots"
