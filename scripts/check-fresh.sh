#!/usr/bin/env bash
# What this machine has installed that a fresh machine of the CI image lacks: the Debian packages of
# scripts/install-deps.sh --test that the image does not have, and any other package installed by hand.
# The second list must be empty before a change lands: everything the project calls comes from
# install-deps.sh, so a fresh machine, CI's, gets it too. Changes nothing.
#   scripts/check-fresh.sh [--image FILE]
# FILE lists the packages a new machine of the image has, one a line, tab-separated with the package
# in the second column and a first line naming the image (default: $CORVANE_IMAGE_PACKAGES, else
# /work/.library/env/packages/installed-cpp.txt).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
image=${CORVANE_IMAGE_PACKAGES:-/work/.library/env/packages/installed-cpp.txt}
case ${1:-} in
    '') ;;
    --image) image=${2:?--image needs a file} ;;
    *) echo "usage: $0 [--image FILE]" >&2; exit 2 ;;
esac
[[ -f "$image" ]] || { echo "No image package list at $image (give one with --image FILE)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-fresh.XXXXXX")
trap 'rm -rf "$work"' EXIT
names() { sed 's/:.*//' | sort -u; } # package names without their architecture
tail -n +2 "$image" | cut -f2 | names >"$work/image"
[[ -s "$work/image" ]] || { echo "$image lists no packages" >&2; exit 2; }
"$root/scripts/install-deps.sh" --test --list | names >"$work/lists"
dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" {print $2}' | names >"$work/installed"
apt-mark showmanual | names >"$work/manual"

echo "Image list: $image ($(wc -l <"$work/image") packages)"
echo "The project's, which the image lacks: $(comm -23 "$work/lists" "$work/image" | comm -12 - "$work/installed" | tr '\n' ' ')"
echo "Installed by hand: $(comm -23 "$work/manual" "$work/image" | comm -23 - "$work/lists" | tr '\n' ' ')"
