#!/usr/bin/env bash
# The Windows leg of the test suite: builds the toolchain once per machine (scripts/windows/toolchain.sh),
# cross-builds Corvane and its tests with warnings as errors, builds the installer, then runs every
# unit test under Wine and the end-to-end, System Info and installer scenarios under Wine on Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

source "$root/scripts/preflight.sh"
require_tools windows
wine --version >/dev/null 2>&1 || { echo "Wine cannot start (wine --version failed); the Windows leg fails" >&2; exit 1; }
prefix=$("$root/scripts/windows/toolchain.sh")
cmake --preset windows -DCORVANE_WINDOWS_PREFIX="$prefix" >/dev/null
cmake --build --preset windows --parallel "$(nproc)"
cmake --build --preset windows --target installer
ctest --preset windows
