# What every script test starts with: a scratch folder that goes on exit (after $on_exit, a test's own
# clean-up), fail counting failures so that one run reports them all, and passed NAME ending the run.
set -uo pipefail
# Named work_name when a test sets it: a blank and a star check paths a checkout or a cache may have.
work=$(mktemp -d "${TMPDIR:-/tmp}/${work_name:-corvane-test}.XXXXXX")
failures=0 on_exit=:
trap 'eval "$on_exit"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
quiet() { "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; return 1; }; }
poll() { local n=$(($1 * 10)); shift; while ((n-- > 0)); do "$@" && return 0; sleep 0.1; done; return 1; }
passed() { ((failures == 0)) || { echo "$failures $1 check(s) failed" >&2; exit 1; }; echo "$1: all checks passed"; }
# running_in TEXT: the processes whose command line holds TEXT (read with built-ins, so never this one).
running_in() {
    local f args
    for f in /proc/[0-9]*/cmdline; do
        mapfile -d '' -t args 2>/dev/null <"$f" && [[ "${args[*]}" == *"$1"* ]] && { f=${f#/proc/}; echo "${f%/cmdline}"; }
    done
}
