#!/usr/bin/env bash
# The Windows leg of the test suite: builds the toolchain once per machine (scripts/windows/toolchain.sh),
# cross-builds Corvane and its tests with warnings as errors, builds the installer, then runs every
# unit test under Wine and the end-to-end, System Info and installer scenarios under Wine on Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

# Windows gets a long-term Qt, 6.8 or later: on a host with an older one (Debian 12) the leg runs in the
# Debian 13 root instead, from Debian 13's sources.
if ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null)" ge 6.8; then
    exec "$root/scripts/check-release.sh" trixie --windows
fi
source "$root/scripts/preflight.sh"
require_tools
wine --version >/dev/null 2>&1 || { echo "Wine cannot start (wine --version failed); the Windows leg fails" >&2; exit 1; }
prefix=$("$root/scripts/windows/toolchain.sh")
cmake --preset windows -DCORVANE_WINDOWS_PREFIX="$prefix" >/dev/null
cmake --build --preset windows --parallel "$(nproc)"
cmake --build --preset windows --target installer
ctest --preset windows
