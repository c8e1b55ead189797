#!/usr/bin/env bash
# Whole-process figures on a private Xvfb, each against an empty Qt Widgets window built in the same
# tree (bench/empty_window.cpp):
#   - start-up: from process start to the main window mapped and then idle (no processor time for
#     150 ms), median of RUNS launches of each program, launched in turn. The empty window shows no
#     text, so it never loads the font configuration; the same program with --text, one line of
#     text, is the second yardstick, for what any window with text pays;
#   - peak memory (VmHWM): Corvane after generating 32767 passwords of 50 characters, typed and
#     clicked in from outside with xdotool, against the empty window once shown.
#
#   bench/startup.sh BUILD_DIR [RUNS] [FIGURES_FILE]
#
# FIGURES_FILE receives one line per figure for bench/run.sh, its fields separated by tabs: title,
# measured, bound, ratio, target, verdict, command.
set -euo pipefail

build=$(cd "${1:?usage: bench/startup.sh BUILD_DIR [RUNS] [FIGURES_FILE]}" && pwd)
runs=${2:-20}
figures=${3:-/dev/null}
probe=$build/bench/startup_probe
product=$build/corvane
empty=$build/bench/empty_window
for program in "$probe" "$product" "$empty"; do
    [[ -x "$program" ]] || { echo "startup.sh: $program is missing; build with -DCORVANE_BUILD_BENCH=ON" >&2; exit 1; }
done
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "startup.sh: $tool is missing (scripts/install-deps.sh --test)" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
kept= # a program left running for the memory figures
cleanup() {
    [[ -n "$kept" ]] && kill "$kept" 2>/dev/null
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# -noreset: the server would otherwise reset each time the last program leaves.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 150); do
    [[ -s "$work/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[[ -s "$work/display" ]] || { echo "startup.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY XAUTHORITY

# Every launch of Corvane starts from the same presets file: all five classes, 50 characters, the
# extended-characters warning already shown, so no dialog stands in the way.
fresh_config() {
    rm -rf "$work/config"
    mkdir -p "$work/config"
    printf '[Presets]\nNumbers=1\nLower=1\nUpper=1\nSpecial=1\nExtended=1\nCharacters=50\nNumberOf=5\nWarn=1\n' \
        >"$work/config/Corvane.ini"
}
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" HOME="$work"

xdo() { timeout 10 xdotool "$@"; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
launch() { # [--keep] program [args] → "pid=… mapped_ms=… idle_ms=…"
    local options=()
    [[ "$1" == --keep ]] && { options=(--keep); shift; }
    [[ "$1" == "$product" ]] && fresh_config
    "$probe" "${options[@]}" -- "$@" 2>>"$work/probe.log"
}

# --- start-up ---------------------------------------------------------------------------------------
declare -A command=([product]="$product" [empty]="$empty" [text]="$empty --text")
for name in product empty text; do
    launch ${command[$name]} >/dev/null # warms the file cache; not counted
    : >"$work/$name.idle"; : >"$work/$name.mapped"
done
for ((i = 1; i <= runs; i++)); do
    case $((i % 3)) in
    0) order=(product empty text) ;;
    1) order=(empty text product) ;;
    2) order=(text product empty) ;;
    esac
    for name in "${order[@]}"; do
        result=$(launch ${command[$name]}) || { echo "startup.sh: $name did not start" >&2; cat "$work/probe.log" >&2; exit 1; }
        field idle_ms "$result" >>"$work/$name.idle"
        field mapped_ms "$result" >>"$work/$name.mapped"
    done
done
product_idle=$(median <"$work/product.idle"); empty_idle=$(median <"$work/empty.idle")
text_idle=$(median <"$work/text.idle")
product_mapped=$(median <"$work/product.mapped"); empty_mapped=$(median <"$work/empty.mapped")

# --- peak memory ------------------------------------------------------------------------------------
vm() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$2/status"; }
# Window-relative points of the count field and the Generate button (the form's twips / 15).
count_field=(240 138)
generate_button=(264 322)
: >"$work/product.hwm"; : >"$work/empty.hwm"; : >"$work/start.hwm"
for ((i = 1; i <= 3; i++)); do
    result=$(launch --keep "$empty")
    pid=$(field pid "$result") kept=$pid
    vm VmHWM "$pid" >>"$work/empty.hwm"
    kill "$pid"; kept=

    result=$(launch --keep "$product")
    pid=$(field pid "$result") kept=$pid
    before=$(vm VmRSS "$pid")
    vm VmHWM "$pid" >>"$work/start.hwm"
    window=$(xdo search --pid "$pid" --onlyvisible --name '^Corvane$' | head -n1)
    xdo windowfocus --sync "$window"
    xdo mousemove --window "$window" "${count_field[@]}" click 1
    xdo key ctrl+a type 32767
    xdo mousemove --window "$window" "${generate_button[@]}" click 1
    "$probe" --idle="$pid" --quiet-ms=300 >/dev/null
    hwm=$(vm VmHWM "$pid")
    kill "$pid"; kept=
    # 32767 entries take several megabytes; less means the clicks did not reach the window.
    if ((hwm - before < 4096)); then
        echo "startup.sh: the Generate click did not fill the list (VmRSS $before kB, VmHWM $hwm kB)" >&2
        exit 1
    fi
    echo "$hwm" >>"$work/product.hwm"
done
product_hwm=$(median <"$work/product.hwm"); empty_hwm=$(median <"$work/empty.hwm")
start_hwm=$(median <"$work/start.hwm")

# --- figures ----------------------------------------------------------------------------------------
row() { # title measured bound ratio target verdict
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" "bench/startup.sh build-bench $runs" >>"$figures"
    printf '%-52s %12s %12s %8s %8s  %s\n' "$@"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t ? "PASS" : "MISS") }'; }

printf '\n%-52s %12s %12s %8s %8s  %s\n' "Figure" "Measured" "Bound" "Ratio" "Target" "Verdict"
r=$(ratio "$product_idle" "$empty_idle")
row "Start-up to window shown and idle vs empty window" "$product_idle ms" "$empty_idle ms" "${r}x" "<= 1.3x" \
    "$(verdict "$r" 1.3)"
r=$(ratio "$product_idle" "$text_idle")
row "Start-up, shown and idle vs window with one text line" "$product_idle ms" "$text_idle ms" "${r}x" "<= 1.28x" \
    "$(verdict "$r" 1.28)"
r=$(ratio "$product_mapped" "$empty_mapped")
row "Start-up to window mapped vs empty window" "$product_mapped ms" "$empty_mapped ms" "${r}x" "-" "INFO"
mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
r=$(ratio "$start_hwm" "$empty_hwm")
row "Peak RSS at start (5-entry list) vs empty window" "$(mib "$start_hwm")" "$(mib "$empty_hwm")" "${r}x" "-" "INFO"
r=$(ratio "$product_hwm" "$empty_hwm")
row "Peak RSS, 32767x50 list vs empty window" "$(mib "$product_hwm")" "$(mib "$empty_hwm")" "${r}x" "-" "INFO"
