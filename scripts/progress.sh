# Sourced by the scripts whose steps run for minutes, so that none of them goes silent for longer than
# a minute, and by the test command for its table of legs.
#   run_step LABEL LOGFILE CMD...   runs CMD with its output in LOGFILE; meanwhile prints
#                                   "LABEL: N min so far, step X/Y" every CORVANE_PROGRESS_INTERVAL
#                                   seconds (60), X/Y from the log's last ninja line "[X/Y]" if it has one;
#                                   then "LABEL: done in N min S s", or the log's last 30 lines. Returns
#                                   CMD's status. Ctrl+C and kill end the ticker with it.
#   leg NAME CMD...                 one leg of the test command, timed, started in the background
#   legs_wait [NAME]                waits for the legs started, or for the leg NAME alone; once one has
#                                   failed, no leg starts
#   legs_report                     the table of legs, times and results; returns the failed leg's status
# Everything but the table goes to stderr, so a script's output (toolchain.sh --prefix) stays clean.

# A script may set progress_tag to name itself in these lines: "[toolchain 12:34:56] building Qt: ...".
progress_log() { printf '[%s%(%H:%M:%S)T] %s\n' "${progress_tag:+$progress_tag }" -1 "$*" >&2; }

# duration SECONDS: "4 min 7 s", or "7 s" under a minute.
duration() { if (($1 >= 60)); then echo "$(($1 / 60)) min $(($1 % 60)) s"; else echo "$1 s"; fi; }

# progress_ticker LABEL LOGFILE PARENT: run_step's background half. It also ends with PARENT, in case that
# is killed outright and its trap never runs.
progress_ticker() {
    local label=$1 logfile=$2 parent=$3 started=$SECONDS elapsed step
    # Ended by run_step or by Ctrl+C while it sleeps: the sleep must not outlive it.
    trap 'kill $(jobs -p) 2>/dev/null; wait; exit 0' INT TERM
    while kill -0 "$parent" 2>/dev/null; do
        sleep "${CORVANE_PROGRESS_INTERVAL:-60}" &
        wait $!
        elapsed=$((SECONDS - started))
        # tac reads from the end, so a long build log costs no more than a short one.
        step=$(tac "$logfile" 2>/dev/null | grep -m1 -o '^\[[0-9]\+/[0-9]\+\]' || true)
        progress_log "$label: $(duration "$elapsed") so far${step:+, step ${step:1:-1}}"
    done
}

progress_stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

run_step() {
    local label=$1 logfile=$2 started=$SECONDS shell=$BASHPID status=0 ticker traps
    shift 2
    : >"$logfile"
    traps=$(trap -p TERM)
    progress_ticker "$label" "$logfile" "$shell" &
    ticker=$!
    # Ctrl+C reaches the ticker as well; a kill sent to this shell alone does not.
    trap "progress_stop $ticker; exit 143" TERM
    "$@" >"$logfile" 2>&1 || status=$?
    progress_stop "$ticker"
    trap - TERM
    eval "$traps"
    if ((status == 0)); then
        progress_log "$label: done in $(duration $((SECONDS - started)))"
        return 0
    fi
    tail -n 30 "$logfile" >&2
    progress_log "$label: failed after $(duration $((SECONDS - started))) (exit status $status); its log: $logfile"
    return "$status"
}

legs=() leg_times=() leg_results=() leg_pids=() legs_status=0 legs_dir=''

# Legs run side by side, each line they print tagged with the leg's name.
leg() {
    local name=$1 i=${#legs[@]}
    shift
    legs+=("$name") leg_times+=(-) leg_results+=("not run")
    ((legs_status == 0)) || return 0
    [[ -n $legs_dir ]] || legs_dir=$(mktemp -d "${TMPDIR:-/tmp}/corvane-legs.XXXXXX")
    # Each leg is a process group of its own, which an interrupted run ends with it.
    trap 'trap - INT TERM; for i in "${leg_pids[@]}"; do kill -TERM -- "-$i"; done 2>/dev/null; exit 130' INT TERM
    progress_log "== $name leg"
    set -m
    (
        started=$SECONDS status=0
        "$@" 2>&1 | sed -u "s|^|[$name] |" || status=$?
        echo "$((SECONDS - started)) $status" >"$legs_dir/$i"
        progress_log "== $name leg: $( ((status)) && echo "FAILED (exit status $status)" || echo passed) in $(duration $((SECONDS - started)))"
    ) &
    leg_pids[i]=$!
    set +m
}

legs_wait() {
    local i time status
    for i in "${!leg_pids[@]}"; do
        [[ -z ${1:-} || ${legs[i]} == "$1" ]] || continue
        wait "${leg_pids[i]}" || true
        unset 'leg_pids[i]'
        read -r time status <"$legs_dir/$i" 2>/dev/null || time=0 status=1
        leg_times[i]=$(duration "$time")
        if ((status)); then
            leg_results[i]="FAILED (exit status $status)  <=="
            ((legs_status)) || legs_status=$status
        else
            leg_results[i]=passed
        fi
    done
}

legs_report() {
    local i
    legs_wait
    [[ -z $legs_dir ]] || rm -rf "$legs_dir"
    printf '\n%-24s %-14s %s\n' Leg Time Result
    for i in "${!legs[@]}"; do
        printf '%-24s %-14s %s\n' "${legs[i]}" "${leg_times[i]}" "${leg_results[i]}"
    done
    return "$legs_status"
}
