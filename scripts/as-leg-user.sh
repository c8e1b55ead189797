#!/usr/bin/env bash
# Runs one of the legs that use Debian roots (scripts/roots.sh) as a normal user would. Run by root, as CI
# is, it runs it as the system account corvane-leg, without a login shell, made here on first use with a
# home of its own (/var/lib/corvane-leg, where its roots are cached) and a range of subordinate ids, on
# a clone of HEAD that the account owns: the legs never need root rights, and this is how that is shown.
# `userdel --remove corvane-leg` takes the account, its ranges and its cache away again.
#   as-leg-user.sh SCRIPT [ARG...]     SCRIPT relative to the repository, e.g. scripts/debian/leg.sh; the
#                                      folder after a --keep among ARG is made the account's
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
script=${1:?usage: $0 SCRIPT [ARG...]}
shift
(($(id -u) == 0)) || exec "$repo/$script" "$@"

account=corvane-leg
if ! id "$account" >/dev/null 2>&1; then
    useradd --system --create-home --home-dir "/var/lib/$account" --shell /usr/sbin/nologin --comment "Corvane's test legs" "$account"
fi
# useradd gives no system account subordinate ids.
for kind in uid gid; do
    grep -q "^$account:" "/etc/sub$kind" 2>/dev/null && continue
    start=$(awk -F: 'BEGIN { end = 100000 } $2 + $3 > end { end = $2 + $3 } END { print end }' "/etc/sub$kind" 2>/dev/null || echo 100000)
    usermod "--add-sub${kind}s" "$start-$((start + 65535))" "$account"
done
# A folder the leg is to keep its files in (--keep DIR) is made the account's.
args=("$@")
for ((i = 0; i + 1 < ${#args[@]}; i++)); do
    [[ ${args[i]} != --keep ]] || install -d -o "$account" -g "$account" "${args[i + 1]}"
done
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-leg.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A checkout that a user owns is theirs to hand over, so git's ownership check is told to let root read it.
printf '[safe]\n\tdirectory = *\n' >"$work/gitconfig"
GIT_CONFIG_GLOBAL=$work/gitconfig git clone --quiet --no-hardlinks "$repo" "$work/corvane"
chown -R "$account:" "$work"
cd "$work"
setpriv --reuid="$account" --regid="$account" --init-groups --reset-env \
    env CI="${CI:-}" TERM="${TERM:-dumb}" CORVANE_OFFLINE="${CORVANE_OFFLINE:-}" "$work/corvane/$script" "$@"
