#!/usr/bin/env bash
# The long steps' progress helper (scripts/progress.sh): a running step says how long it has run and at
# which ninja step, a failing one shows its log's last 30 lines and its status, none leaves its ticker
# behind (finished, failed, Ctrl+C, TERM, KILL) or waits for it; and the test command's table of legs.
#   step_progress.sh SOURCE_DIR
work_name='corvane test*'
source "$(dirname "$0")/../lib.sh"
helper="${1:?usage: step_progress.sh SOURCE_DIR}/scripts/progress.sh"

# left_in SESSION: the processes of that session still running (zombies not yet reaped aside). Their
# names hold no blanks, so the stat fields stand where they should.
left_in() { cat /proc/[0-9]*/stat 2>/dev/null | awk -v s="$1" '$6 == s && $3 != "Z" { print $1 }'; }

# A session of its own holds the step, its ticker and whatever they start; SIGINT is let through, as a
# terminal's Ctrl+C would be (a background job here would ignore it). A step that hangs is killed.
# INTERVAL|SIGNAL after 1.5 s (INT to the group, as Ctrl+C; TERM or KILL to the shell)|STATUS|TICKS at
# least|stderr SHOWS|stderr must NOT show|MAX seconds|seconds until nothing is LEFT|the step's COMMAND
cases='1|-|0|2|demo: [0-9] s so far, step 3/4$|step 12/99|10|0.2|echo "[1/4] a"; sleep 1.2; echo "[3/4] b"; echo "  [12/99] quoted"; sleep 2
1|-|3|0|^11$|^10$|10|0.2|seq 40; exit 3
1|INT|130|1|^|done in|10|0.2|sleep 5
1|TERM|143|2|^|done in|10|0.2|sleep 3
1|KILL|137|1|^|done in|10|2|sleep 2
30|-|0|0|demo: done in|so far|5|0.2|true'
while IFS='|' read -r interval signal status ticks shows hides max settle command; do
    started=$SECONDS
    CORVANE_PROGRESS_INTERVAL=$interval timeout -s KILL 20 setsid env --default-signal=INT bash -c \
        'echo $$ >"$0/sid"; set -euo pipefail; source "$1"; run_step demo "$0/log" bash -c "$2"' \
        "$work" "$helper" "$command" >/dev/null 2>"$work/err" &
    pid=$!
    case $signal in
        INT) sleep 1.5; kill -INT -- "-$(<"$work/sid")" ;;
        TERM | KILL) sleep 1.5; kill "-$signal" "$(<"$work/sid")" ;;
    esac
    wait "$pid" 2>/dev/null
    got=$?
    what="'$command' (${signal/-/no signal})"
    ((got == status)) || fail "$what returned $got, not $status: $(cat "$work/err")"
    (($(grep -c 'so far' "$work/err") >= ticks)) || fail "$what printed fewer than $ticks progress lines: $(cat "$work/err")"
    grep -Eq "$shows" "$work/err" || fail "$what did not show /$shows/: $(cat "$work/err")"
    grep -Eq "$hides" "$work/err" && fail "$what showed /$hides/: $(cat "$work/err")"
    ((SECONDS - started <= max)) || fail "$what took $((SECONDS - started)) s"
    sleep "$settle"
    left=$(left_in "$(<"$work/sid")")
    [[ -z $left ]] || { kill $left; fail "$what left processes running: $left"; }
done <<<"$cases"

# Two legs run side by side, and waiting for the second leaves the first running: it ends on a file made
# after that wait. The second fails: the leg after them is not run, the table says so and the report
# returns its status.
(source "$helper" && leg one timeout 5 bash -c "until [[ -e '$work/go' ]]; do sleep 0.1; done" &&
    leg two exit 4 && legs_wait two && touch "$work/go" && leg three touch "$work/ran" && legs_report) \
    >"$work/table" 2>/dev/null
got=$?
((got == 4)) || fail "the report returned $got, not the failed leg's 4"
[[ ! -e $work/ran ]] || fail "a leg ran after one had failed"
grep -Eq '^one +[0-9]+ s +passed$' "$work/table" && grep -Eq '^two +[0-9]+ s +FAILED \(exit status 4\)  <==$' "$work/table" &&
    grep -Eq '^three +- +not run$' "$work/table" || fail "the table is wrong: $(cat "$work/table")"
# In a checkout with uncommitted changes the test command says so first and runs on a clone of HEAD; a
# stand-in for its first step shows where it runs and what it sees.
repo=$work/repo && mkdir -p "$repo/scripts" && cp "${helper%/*}/test.sh" "$repo/scripts/" && echo committed >"$repo/file" &&
    printf '#!/bin/sh\necho "$PWD $(cat file)" >&2; exit 9\n' >"$repo/scripts/install-deps.sh" && chmod +x "$repo/scripts/install-deps.sh" &&
    git -C "$repo" init -q && git -C "$repo" add -A && git -C "$repo" -c user.name=t -c user.email=t@example.org commit -qm t &&
    echo changed >"$repo/file" || fail "no test checkout"
"$repo/scripts/test.sh" 2>"$work/dirty"
got=$?
[[ $got == 9 && $(sed -n 1p "$work/dirty") == "Uncommitted changes are not tested"* && $(sed -n 2p "$work/dirty") == */corvane\ committed ]] ||
    fail "with uncommitted changes the test command returned $got and said: $(cat "$work/dirty")"
passed progress
