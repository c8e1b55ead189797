#!/usr/bin/env bash
# Installs what is missing, checks that every program it calls is there, builds Corvane with warnings
# as errors and runs the whole test suite: unit, script, end-to-end and packaging tests and one short pass
# of every benchmark, the same unit tests under AddressSanitizer and UBSan, short fuzz runs; the Debian
# source package built and checked for Debian 12 and 13 and published into a signed repository that is
# installed and upgraded from; the Linux leg again on Debian 13 when this machine runs Debian 12; then the
# Windows leg; then the release files made of what those legs tested (scripts/release.sh); last, a table
# of the legs with their times, the failed one marked. Exits with the failed leg's status. The legs run
# side by side, their lines tagged with their names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# Every leg tests the commit HEAD: the Debian and Windows legs build it from git. With uncommitted
# changes the whole run goes on a clone of HEAD, so that no leg tests another tree, and says so first.
if command -v git >/dev/null && [[ -n $(git -c safe.directory='*' status --porcelain 2>/dev/null) ]]; then
    echo "Uncommitted changes are not tested: every leg tests HEAD, $(git -c safe.directory='*' rev-parse --short HEAD), on a clone of it. Commit them to test them." >&2
    clone=$(mktemp -d "${TMPDIR:-/tmp}/corvane-test.XXXXXX")
    trap 'rm -rf "$clone"' EXIT
    git -c safe.directory='*' clone --quiet "$root" "$clone/corvane"
    "$clone/corvane/scripts/test.sh" && exit 0 || exit
fi
"$root/scripts/install-deps.sh" --test
# Every program the run calls, before the first build, so a missing one stops it in its first minute.
source "$root/scripts/preflight.sh"
require_tools
# Each leg is timed; once one has failed no other starts, and the table at the end says which it was.
source "$root/scripts/progress.sh"

# What the Debian and Windows legs tested, kept for the release files made from it at the end.
kept=$(mktemp -d "${TMPDIR:-/tmp}/corvane-kept.XXXXXX")
trap 'rm -rf "$kept"' EXIT
chmod 755 "$kept"

# The Linux leg reads no root and starts at once. Each release's roots are made or renewed by a leg of
# their own while nothing else reads them (offline, the cached ones serve as they are); the legs that
# need them start as soon as they are there and only read them, side by side: Debian 13's first, for the
# Windows leg, the longest.
leg "Linux" env -u CORVANE_OFFLINE "$root/scripts/linux-leg.sh"
leg "Debian 13 roots" "$root/scripts/as-leg-user.sh" scripts/roots.sh make trixie:bare,build,test
legs_wait "Debian 13 roots"
reader=(env CORVANE_OFFLINE=1 "$root/scripts/as-leg-user.sh")

# Cross build against Debian 13's Qt 6.8, unit and end-to-end tests under Wine, installer: in the Debian 13
# root on any host, so that Windows gets the same long-term Qt from Debian 12 as from 13.
leg "Windows (Qt 6.8)" "${reader[@]}" scripts/check-release.sh trixie --windows --keep "$kept/windows"

# The same Linux leg on Debian 13.
[[ $(. /etc/os-release && echo "$VERSION_CODENAME") != bookworm ]] || leg "Debian 13 (trixie)" "${reader[@]}" scripts/check-release.sh trixie

leg "Debian 12 roots" "$root/scripts/as-leg-user.sh" scripts/roots.sh make bookworm:bare,build
legs_wait "Debian 12 roots"
# The source package built, checked and published for both releases, in roots made without root rights.
leg "Debian packages (12, 13)" "${reader[@]}" scripts/debian/leg.sh --keep "$kept/debian"
legs_wait

# scripts/release.sh on what they kept: the release folder, its sums, and the same sums from the second builds.
leg "Release files" "$root/scripts/as-leg-user.sh" tests/packaging/dist.sh "$kept"

legs_report
