#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine: CMake's emulator for the Windows build, so
# ctest runs each unit test through it. QtTest's output does not reach Wine's console, so a test
# program (tst_*) writes it to a file that is printed afterwards.
#   wine-run.sh PROGRAM.exe [ARGS...]
# WINEPREFIX defaults to a prefix beside the program, created on first use.
set -uo pipefail
program=${1:?usage: wine-run.sh PROGRAM.exe [ARGS...]}; shift
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$program")" && pwd)/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Wine hides QT_* variables from Windows programs (they usually hold Unix paths) and passes on
# WINEQT_* ones under the QT_* name instead; the tests' QT_QPA_PLATFORM must reach them.
while IFS='=' read -r name value; do export "WINE$name=$value"; done < <(env | grep '^QT_[A-Z_]*=')
wine=$(command -v wine) || { echo "Wine is not installed (scripts/install-deps.sh --test)" >&2; exit 1; }

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    # Several tests may ask at once; one creates the prefix, the others wait for it.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
        "$wine" wineboot --init >/dev/null 2>&1 && timeout 120 wineserver -w
        [[ -f "$WINEPREFIX/system.reg" ]] || { echo "Wine cannot start: no prefix was created at $WINEPREFIX" >&2; exit 1; }
    fi
    flock -u 9
fi

name=$(basename "$program")
[[ $name == tst_* ]] || exec "$wine" "$program" "$@"
log=$(mktemp "${TMPDIR:-/tmp}/${name%.exe}.XXXXXX.txt")
trap 'rm -f "$log"' EXIT
"$wine" "$program" -o "$(winepath -w "$log" 2>/dev/null),txt" "$@"
status=$?
[[ -s $log ]] || { echo "$name wrote no test log under Wine (exit status $status)" >&2; exit $((status == 0 ? 1 : status)); }
tr -d '\r' <"$log"
exit "$status"
