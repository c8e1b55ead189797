#!/usr/bin/env bash
# check-release.sh mounts /proc, /dev, /dev/pts, /dev/shm and a private /tmp into a root for a run: a run
# that fails, or is interrupted, leaves nothing mounted and nothing running there, and a root with anything
# still mounted below it is never deleted. Uses a root of a few programs copied from this machine.
#   release_mounts.sh SOURCE_DIR
set -uo pipefail
script=$1/scripts/check-release.sh
[[ $(id -u) -eq 0 ]] || { echo "needs root (chroot, mount); skipped"; exit 77; }
unshare --mount true 2>/dev/null || { echo "mount namespaces are not allowed here; skipped"; exit 77; }
work=$(mktemp -d)
trap 'umount "$work/root/dev" 2>/dev/null; rm -rf --one-file-system "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

root=$work/root
mkdir -p "$root"/{proc,dev,tmp,etc} "$work/out"
for program in bash cat sleep touch; do
    path=$(type -P $program)
    for file in "$path" $(ldd "$path" | grep -o '/[^ ]*'); do
        mkdir -p "$root$(dirname "$file")" && cp -L "$file" "$root$file"
    done
done

left_mounted() { findmnt -rn -o TARGET | grep -F "$work/"; }
# The runs below start `sleep 30NN`, a process nothing else on the machine runs.
left_running() {
    local f
    for f in /proc/[0-9]*/cmdline; do [[ $(tr '\0' ' ' <"$f" 2>/dev/null) == "sleep 30"??" " ]] && echo "${f%/cmdline}"; done
}

# A failing command: its status comes back, the mounts were there for it and are gone after it, and so
# is what it left running.
"$script" --enter --bind "$work/out:/out" "$root" -- \
    bash -c 'cat /proc/self/mountinfo >/out/mounts; sleep 3017 & exit 3'
status=$?
((status == 3)) || fail "a command that exits 3 gave $status"
for point in /proc /dev /dev/pts /dev/shm /tmp /out; do
    awk -v p="$point" '$5 == p {found = 1} END {exit !found}' "$work/out/mounts" 2>/dev/null ||
        fail "$point was not mounted for the run"
done
[[ -z $(left_mounted) ]] || fail "a failed run left mounts: $(left_mounted)"
[[ -z $(left_running) ]] || fail "a failed run left processes: $(left_running)"

# Through an overlay: the run writes only to the upper layer.
mkdir -p "$work/upper" "$work/ovl-work" "$work/merged"
"$script" --enter --overlay "$root" "$work/upper" "$work/ovl-work" "$work/merged" -- \
    bash -c 'touch /written; false'
[[ ! -e $root/written && -e $work/upper/written ]] || fail "the overlay's run wrote outside its upper layer"
[[ -z $(left_mounted) ]] || fail "a failed run on an overlay left mounts: $(left_mounted)"

# Ctrl+C: the whole process group is interrupted, as a terminal does. Job control gives the run a group
# of its own that does not ignore SIGINT, as a background job otherwise would.
set -m
"$script" --enter --bind "$work/out:/out" "$root" -- bash -c 'touch /out/started; sleep 3018' &
leader=$!
set +m
for _ in $(seq 50); do [[ -e $work/out/started ]] && break; sleep 0.1; done
[[ -e $work/out/started ]] || fail "the interrupted run never started"
kill -INT -- -$leader
for _ in $(seq 50); do kill -0 $leader 2>/dev/null || break; sleep 0.1; done
kill -0 $leader 2>/dev/null && { fail "Ctrl+C did not end the run"; kill -KILL -- -$leader; }
wait $leader
(($? != 0)) || fail "an interrupted run reported success"
[[ -z $(left_mounted) ]] || fail "an interrupted run left mounts: $(left_mounted)"
[[ -z $(left_running) ]] || fail "an interrupted run left processes in the root: $(left_running)"

# Deleting a root that still has something mounted in it is refused and deletes nothing.
mount -t tmpfs tmpfs "$root/dev" && touch "$root/dev/device"
"$script" --remove "$root" 2>/dev/null && fail "a root with a mount below it was deleted"
[[ -e $root/dev/device && -e $root/etc ]] || fail "the refused deletion removed files"
umount "$root/dev"
"$script" --remove "$root" && [[ ! -e $root ]] || fail "an unmounted root was not deleted"

((failures == 0)) && echo "release root mounts: all checks passed"
exit $((failures > 0))
