#!/usr/bin/env bash
# End-to-end tests: the built program on a private Xvfb, driven from outside with xdotool, the clipboard
# read with xclip. Usage: run_e2e.sh path/to/corvane. Exit 77 (skipped) only when no X server can be had.
set -uo pipefail

app=${1:?usage: run_e2e.sh path/to/corvane}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-e2e.XXXXXX")
xvfb_pid='' app_pid=''
passed=0 failed=0

stop_app() {
    [[ -n "$app_pid" ]] || return 0
    kill "$app_pid" 2>/dev/null
    poll 5 not_running || kill -KILL "$app_pid" 2>/dev/null
    wait "$app_pid" 2>/dev/null
    app_pid=''
}
cleanup() {
    stop_app
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# poll SECONDS COMMAND...: retries COMMAND every 0.1 s until it succeeds or the time is up.
poll() {
    local tries=$(($1 * 10)); shift
    while ((tries-- > 0)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
not_running() { ! kill -0 "$app_pid" 2>/dev/null; }
xdo() { timeout 10 xdotool "$@"; }
visible_window() { xdo search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
has_window() { [[ -n "$(visible_window "$1")" ]]; }
window_or_exit() { has_window Corvane || not_running; }

# --- the X server ------------------------------------------------------------------------------------
command -v Xvfb >/dev/null || { echo "Xvfb is not installed; end-to-end tests skipped"; exit 77; }
for tool in xdotool xclip; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh --test)"; exit 1; }
done
[[ -x "$app" ]] || { echo "no program at $app"; exit 1; }

# -noreset: a server reset whenever the last client leaves would refuse the next program for a moment.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
# Xvfb writes its display number once it accepts connections.
xvfb_settled() { [[ -s "$work/display" ]] || ! kill -0 "$xvfb_pid" 2>/dev/null; }
if ! poll 15 xvfb_settled || [[ ! -s "$work/display" ]]; then
    echo "Xvfb did not start; end-to-end tests skipped"; cat "$work/xvfb.log"; exit 77
fi
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
unset WAYLAND_DISPLAY XAUTHORITY
export QT_QPA_PLATFORM=xcb

# --- driving the program -----------------------------------------------------------------------------
# A fresh home per scenario: configuration, runtime files and the INI start empty.
new_home() {
    home="$work/home-$1"
    mkdir -p "$home/config" "$home/runtime"
    chmod 700 "$home/runtime"
    ini="$home/config/Corvane.ini"
}

# Starts the program and waits for its main window; sets win, wx, wy.
start_app() {
    HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
        "$app" >>"$home/app.log" 2>&1 &
    app_pid=$!
    poll 15 window_or_exit || { why="main window did not appear"; return 1; }
    not_running && { why="program ended before showing its window"; return 1; }
    win=$(visible_window Corvane)
    eval "$(xdo getwindowgeometry --shell "$win" | grep -E '^[XY]=')"
    wx=$X wy=$Y
}

# click X Y: a left click at client coordinates of the main window.
click() { xdo mousemove $((wx + $1)) $((wy + $2)) click 1 && sleep 0.2; }
click_generate() { click 264 322; }
click_copy() { click 49 322; }
click_close() { click 372 322; }

# Waits for the program to end after it was asked to close.
expect_exit() {
    poll 10 not_running || { why="program still running after close"; return 1; }
    wait "$app_pid" 2>/dev/null
    app_pid=''
}

clipboard_filled() { [[ -n "$(timeout 5 xclip -o -selection clipboard 2>/dev/null | head -c1)" ]]; }

# check_list COUNT LENGTH: the clipboard holds COUNT passwords of LENGTH characters from the default pool,
# each ended by CR LF, with nothing before, between or after.
check_list() {
    poll 10 clipboard_filled || { why="clipboard stayed empty"; return 1; }
    timeout 5 xclip -o -selection clipboard >"$work/clip" 2>/dev/null
    python3 "$here/check_list.py" "$work/clip" "$1" "$2" >"$work/verdict" 2>&1 || { why=$(<"$work/verdict"); return 1; }
}

# ini_has KEY=VALUE...: each line appears in the [Presets] group of the written configuration.
ini_has() {
    [[ -f "$ini" ]] || { why="no $ini written"; return 1; }
    local group entry
    group=$(sed -n '/^\[Presets\]/,/^\[/p' "$ini")
    for entry in "$@"; do
        grep -qxF "$entry" <<<"$group" || { why="[Presets] lacks $entry: $(tr '\n' ' ' <<<"$group")"; return 1; }
    done
}

# --- scenarios ---------------------------------------------------------------------------------------
scenario_default_batch() {
    new_home a && start_app || return 1
    click_generate && click_copy
    check_list 5 30 || return 1
    grep -qx 'x-kde-passwordManagerHint' <<<"$(timeout 5 xclip -o -selection clipboard -t TARGETS)" ||
        { why="clipboard targets lack x-kde-passwordManagerHint"; return 1; }
    [[ "$(timeout 5 xclip -o -selection clipboard -t x-kde-passwordManagerHint)" == secret ]] ||
        { why="password manager hint is not \"secret\""; return 1; }
}

scenario_typed_length() {
    new_home b && start_app || return 1
    click 250 106 && xdo key ctrl+a && xdo type 12 && sleep 0.2
    click_generate && click_copy
    check_list 5 12 || return 1
    # Only the spin arrows change the stored length; the typed 12 is not kept.
    click_close && expect_exit && ini_has Characters=30 NumberOf=5
}

scenario_spin_presets_survive_restart() {
    new_home c && start_app || return 1
    click 279 101 && click 279 101   # length: up twice
    click 279 143                    # count: down once
    xdo key alt+o && expect_exit || return 1
    ini_has Characters=32 NumberOf=4 || return 1
    start_app || return 1
    click_generate && click_copy
    check_list 4 32
}

scenario_about_closes_with_main() {
    new_home d && start_app || return 1
    click 360 184
    poll 10 has_window 'About Corvane' || { why="About window did not appear"; return 1; }
    # Keep the About window clear of the main window's buttons.
    xdo windowmove "$(visible_window 'About Corvane')" 0 0
    click_close && expect_exit || return 1
    [[ -z "$(xdo search --name 'Corvane' 2>/dev/null)" ]] || { why="a Corvane window outlived the program"; return 1; }
}

scenario_warning_once() {
    new_home e && start_app || return 1
    click 30 200                     # Use Extended Characters
    poll 10 has_window Warning || { why="no Warning window after checking extended characters"; return 1; }
    xdo mousemove --window "$(visible_window Warning)" 10 10 && xdo key Return
    poll 10 eval '! has_window Warning' || { why="Enter did not dismiss the Warning window"; return 1; }
    click_close && expect_exit || return 1
    ini_has Warn=1 Extended=1 || return 1
    start_app || { has_window Warning && why="Warning shown again at start"; return 1; }
    click 30 200 && click 30 200     # clear and check the box again
    if poll 2 has_window Warning; then why="Warning shown a second time"; return 1; fi
    click_close && expect_exit && ini_has Extended=1
}

run() {
    local name=$1 why=''
    if "$name" && [[ -z "$why" ]]; then
        echo "PASS ${name#scenario_}"; passed=$((passed + 1))
    else
        echo "FAIL ${name#scenario_}: ${why:-a step failed}"; failed=$((failed + 1))
        [[ -s "$home/app.log" ]] && sed 's/^/    program: /' "$home/app.log"
        kill -0 "$app_pid" 2>/dev/null && echo "    program still running as $app_pid"
        timeout 5 xwininfo -root -tree 2>/dev/null | grep -F '"' | sed 's/^ */    window: /'
    fi
    stop_app
}

echo "Corvane end-to-end tests on display $DISPLAY"
run scenario_default_batch
run scenario_typed_length
run scenario_spin_presets_survive_restart
run scenario_about_closes_with_main
run scenario_warning_once
echo "$passed passed, $failed failed"
((failed == 0))
