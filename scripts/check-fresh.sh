#!/usr/bin/env bash
# Runs the test command as on a machine that never saw the project: purges every Debian package that a
# fresh machine of the image lacks (those of scripts/install-deps.sh --test that the image does not have,
# and whatever else was installed by hand), then runs ./scripts/test.sh in a clean clone of this
# repository's HEAD with an empty cache (so the Windows toolchain is built anew) and CI=true, and prints
# the wall time. Run by root, the legs run as the account corvane-leg, whose home holds their cache: the
# account goes too (scripts/as-leg-user.sh makes it anew). A release check for a machine of its own: it takes packages away from everyone on it.
#
#   scripts/check-fresh.sh [--image FILE]          print what would be purged, change nothing
#   scripts/check-fresh.sh [--image FILE] --yes    purge it, then run the test command
#
# FILE lists the packages a new machine of the image has, one a line, tab-separated with the package
# in the second column and a first line naming the image (default: $CORVANE_IMAGE_PACKAGES, else
# /work/.library/env/packages/installed-cpp.txt).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
image=${CORVANE_IMAGE_PACKAGES:-/work/.library/env/packages/installed-cpp.txt}
yes=0
while (($#)); do
    case $1 in
        --image) image=${2:?--image needs a file}; shift 2 ;;
        --yes) yes=1; shift ;;
        *) echo "usage: $0 [--image FILE] [--yes]" >&2; exit 2 ;;
    esac
done
[[ -f "$image" ]] || { echo "No image package list at $image (give one with --image FILE)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-fresh.XXXXXX")
trap 'rm -rf "$work"' EXIT
names() { sed 's/:.*//' | sort -u; } # package names without their architecture
tail -n +2 "$image" | cut -f2 | names >"$work/image"
[[ -s "$work/image" ]] || { echo "$image lists no packages" >&2; exit 2; }
"$root/scripts/install-deps.sh" --test --list | names >"$work/lists"
dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" {print $2}' | names >"$work/installed"
apt-mark showmanual | names >"$work/manual"

# Installed now, absent from the image: the project's packages, and the ones installed by hand.
comm -23 "$work/lists" "$work/image" | comm -12 - "$work/installed" >"$work/project"
comm -23 "$work/manual" "$work/image" | comm -23 - "$work/lists" >"$work/by-hand"
mapfile -t purge < <(sort -u "$work/project" "$work/by-hand")
echo "Image list: $image ($(wc -l <"$work/image") packages)"
echo "Project packages to purge: $(tr '\n' ' ' <"$work/project")"
echo "Installed by hand, to purge: $(tr '\n' ' ' <"$work/by-hand")"
legs=''
[[ $(id -u) != 0 ]] || ! id corvane-leg >/dev/null 2>&1 || legs=corvane-leg
[[ -z $legs ]] || echo "The legs' account and its cache, to remove: $legs ($(du -sh /var/lib/corvane-leg 2>/dev/null | cut -f1))"

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
# Nothing the image has may go with them: apt would take dependent packages along.
if ((${#purge[@]})); then
    apt-get -s purge "${purge[@]}" | awk '/^(Purg|Remv) / {print $2}' | names >"$work/would-go"
    if comm -12 "$work/would-go" "$work/image" | grep -q .; then
        echo "Refusing: purging these would also remove packages of the image:" \
             "$(comm -12 "$work/would-go" "$work/image" | tr '\n' ' ')" >&2
        exit 1
    fi
fi
if ((!yes)); then
    echo "Dry run: nothing purged. Add --yes to purge these packages and run the test command."
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if ((${#purge[@]})); then
    "${sudo[@]}" apt-get purge -y "${purge[@]}"
    # Their dependencies go too, but no package of the image: any that apt counts as unneeded stays.
    apt-get -s autoremove --purge | awk '/^(Purg|Remv) / {print $2}' | names | comm -12 - "$work/image" >"$work/keep"
    if [[ -s "$work/keep" ]]; then mapfile -t keep <"$work/keep"; "${sudo[@]}" apt-mark manual "${keep[@]}"; fi
    "${sudo[@]}" apt-get autoremove --purge -y
fi

[[ -z $legs ]] || userdel --remove "$legs"
git clone --quiet "$root" "$work/clone"
mkdir "$work/cache"
echo "== ./scripts/test.sh in a clean clone of $(git -C "$root" rev-parse --short HEAD), empty cache, CI=true"
started=$SECONDS
status=0
(cd "$work/clone" && CI=true XDG_CACHE_HOME="$work/cache" ./scripts/test.sh) || status=$?
elapsed=$((SECONDS - started))
printf 'Wall time of the test command on a fresh machine: %d min %02d s (exit status %d)\n' \
    $((elapsed / 60)) $((elapsed % 60)) "$status"
exit "$status"
