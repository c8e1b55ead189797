#!/usr/bin/env bash
# What only a real X server and separate processes can show: the built program on a private Xvfb, driven
# with xdotool, its clipboard read by xclip. Usage: run_e2e.sh path/to/corvane. Exit 77 when no Xvfb.
set -uo pipefail

app=${1:?usage: run_e2e.sh path/to/corvane}
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-e2e.XXXXXX")
xvfb_pid='' app_pid='' failed=0

# poll SECONDS COMMAND...: retries COMMAND every 0.1 s until it succeeds or the time is up.
poll() { local n=$(($1 * 10)); shift; while ((n-- > 0)); do "$@" && return 0; sleep 0.1; done; return 1; }
not_running() { ! kill -0 "$app_pid" 2>/dev/null; }
stop_app() {
    [[ -z "$app_pid" ]] || { kill "$app_pid"; poll 5 not_running || kill -KILL "$app_pid"; } 2>/dev/null
    app_pid=''
}
trap 'stop_app; [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid"; rm -rf "$work"' EXIT

command -v Xvfb >/dev/null || { echo "Xvfb is not installed; end-to-end tests skipped"; exit 77; }
command -v xdotool >/dev/null && command -v xclip >/dev/null || { echo "no xdotool or xclip"; exit 1; }
# -noreset: a reset whenever the last client leaves would refuse the next program for a moment.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null & xvfb_pid=$!
poll 15 test -s "$work/display" || { echo "Xvfb did not start; end-to-end tests skipped"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID

xdo() { timeout 10 xdotool "$@"; }
visible() { xdo search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
shown() { [[ -n "$(visible "$1")" ]]; }
not_shown() { ! shown "${1:-Corvane}"; }
fail() { why=$1; return 1; }
# other_box MAIN-ID: notes in $box a second window named Corvane, a message box in front of the main one.
other_box() { box=$(xdo search --onlyvisible --name '^Corvane$' | grep -vx "$1" | head -n1); [[ -n $box ]]; }

# A fresh home per scenario; its bin holds an xdg-open that notes what the program asks it to open.
new_home() {
    home="$work/$1" ini="$work/$1/config/Corvane.ini" why=''
    mkdir -p "$home/config" "$home/bin"
    printf '#!/bin/sh\necho "$@" >>"%s/opened"\n' "$home" >"$home/bin/xdg-open"
    chmod +x "$home/bin/xdg-open"
}
launch() { env HOME="$home" XDG_CONFIG_HOME="$home/config" PATH="$home/bin:$PATH" \
    ${theme:+QT_QPA_PLATFORMTHEME=$theme} "$app" >>"$home/log" 2>&1 & app_pid=$!; }
theme=''

# Waits for the main window and notes its place: X, Y.
main_window() {
    poll 15 shown Corvane || fail "main window did not appear" || return 1
    eval "$(xdo getwindowgeometry --shell "$(visible Corvane)" | grep -E '^[XY]=')"
}
click() { xdo mousemove $((X + $1)) $((Y + $2)) click 1 && sleep 0.2; }
# copied COUNT LENGTH: after Generate and Copy another program reads COUNT different passwords of LENGTH
# printable ASCII characters, each ended by CR LF, and nothing else.
copied() {
    click 264 322 && click 49 322 && timeout 5 xclip -o -selection clipboard >"$work/clip"
    [[ $(grep -cxP "[!-~]{$2}\r" "$work/clip") == "$1" && $(wc -l <"$work/clip") == "$1" &&
        $(sort -u "$work/clip" | wc -l) == "$1" ]] || fail "copied: $(od -c "$work/clip" | head -n 4)"
}

# The pictures are loaded; another program reads the copy, marked secret; arrows, F1 and Alt+O work on
# the real window; the stored presets come back after a restart.
scenario_copy_help_presets() {
    new_home main && launch && main_window && copied 5 30 || return 1
    # The window's icon comes from the program's pictures, so it shows that they were loaded.
    [[ $(xprop -id "$(visible Corvane)" _NET_WM_ICON) == *"Icon ("* ]] ||
        fail "the window has no icon: the pictures are missing" || return 1
    [[ "$(timeout 5 xclip -o -selection clipboard -t x-kde-passwordManagerHint)" == secret ]] ||
        fail "the copy is not marked secret for clipboard managers" || return 1
    click 250 106 && xdo key F1 && poll 10 test -s "$home/opened" || fail "F1 started no viewer" || return 1
    [[ "$(<"$home/opened")" == "file://$(cd "$(dirname "$app")" && pwd)/Corvane.chm" ]] ||
        fail "F1 opened $(<"$home/opened")" || return 1
    click 279 101 && click 279 101 && click 279 143 # length up twice, count down once
    xdo key alt+o && poll 10 not_shown || fail "Alt+O did not close the window" || return 1
    stop_app # it keeps the copy on the clipboard; copy_outlives_window follows that
    launch && main_window && copied 4 32
}
scenario_warning_at_start_once() {
    new_home warn && printf '[Presets]\nExtended=1\n' >"$ini" && launch
    poll 15 shown Warning || fail "no warning at start with extended characters stored" || return 1
    xdo mousemove --window "$(visible Warning)" 10 10 && xdo key Return
    main_window && click 372 322 && poll 10 not_running || fail "Close did not end the program" || return 1
    launch && main_window || return 1
    ! shown Warning || fail "the warning came a second time"
}

source "$(dirname "$0")/checks.sh"
factor=1
# readable_window WINDOW-ID NAME=X,Y,W,H...: a screenshot of the window, each text readable in it.
readable_window() {
    import -window "$1" "$work/shot.png" && readable "$work/shot.png" "${@:2}" ||
        fail "text too faint: $(grep -v ' ok$' "$work/shot.png.contrast" | paste -sd';')"
}
# Under qt6ct's darker colour scheme: the warning at start, the main window with a list, the About window
# and a message box.
scenario_dark_theme() {
    local scheme=/usr/share/qt6ct/colors/darker.conf
    [[ -f $scheme ]] || fail "qt6ct is not installed (scripts/install-deps.sh --test)" || return 1
    new_home dark && mkdir -p "$home/config/qt6ct" && printf '[Presets]\nExtended=1\n' >"$ini"
    printf '[Appearance]\ncolor_scheme_path=%s\ncustom_palette=true\nstyle=Fusion\n' "$scheme" \
        >"$home/config/qt6ct/qt6ct.conf"
    theme=qt6ct launch && theme=''
    poll 15 shown Warning || fail "no warning at start" || return 1
    grep -q libqt6ct "/proc/$app_pid/maps" || fail "the qt6ct theme was not loaded" || return 1
    sleep 0.5 && readable_window "$(visible Warning)" "${warn_texts[@]}" || return 1
    xdo mousemove --window "$(visible Warning)" 10 10 && xdo key Return
    main_window && click 264 322 && readable_window "$(visible Corvane)" "${main_texts[@]}" || return 1
    click 360 184 && poll 10 shown "About Corvane" || fail "no About window" || return 1
    sleep 0.5 && readable_window "$(visible "About Corvane")" "${about_texts[@]}" || return 1
    xdo mousemove --window "$(visible "About Corvane")" 327 196 click 1 && poll 10 not_shown "About Corvane" ||
        fail "About did not close" || return 1
    local main_id box='' && main_id=$(visible Corvane)
    click 250 106 && xdo key ctrl+a type 3 && xdo key alt+g
    poll 10 other_box "$main_id" || fail "a length of 3 gave no message" || return 1
    sleep 0.5 && eval "$(xdo getwindowgeometry --shell "$box" | grep -E '^(WIDTH|HEIGHT)=')" &&
        readable_window "$box" "message=8,8,$((WIDTH - 16)),$((HEIGHT / 2 - 8))"
}
# After Copy and Close the copy stays on the clipboard, still marked secret, while another Corvane comes and
# goes; the first process ends once another program takes the clipboard.
scenario_copy_outlives_window() {
    new_home outlive && launch && main_window && copied 5 30 || return 1
    local keeper=$app_pid
    click 372 322 && poll 5 not_shown || fail "Close left the window open" || return 1
    timeout 5 xclip -o -selection clipboard >"$work/after" && cmp -s "$work/clip" "$work/after" ||
        fail "the copy was lost at Close" || return 1
    timeout 5 xclip -o -selection clipboard -t TARGETS | grep -qx x-kde-passwordManagerHint ||
        fail "the kept copy is no longer marked secret" || return 1
    launch && main_window && click 250 106 && xdo key alt+o && poll 10 not_running ||
        fail "a second start did not run normally" || return 1
    app_pid=$keeper
    timeout 5 xclip -o -selection clipboard | cmp -s "$work/clip" - || fail "the second start lost the copy" || return 1
    printf 'something else' | timeout 5 xclip -i -selection clipboard
    poll 2 not_running || fail "Corvane still runs after another program took the clipboard"
}

# The list's own copy key gives the selected password alone, marked secret like Copy's.
scenario_copy_key_in_list() {
    new_home listcopy && launch && main_window && click 264 322 && click 100 232 && xdo key ctrl+c || return 1
    poll 5 eval 'timeout 5 xclip -o -selection clipboard >"$work/clip" && [[ $(wc -c <"$work/clip") == 30 ]]' ||
        fail "Ctrl+C in the list copied: $(od -c "$work/clip" | head -n 2)" || return 1
    timeout 5 xclip -o -selection clipboard -t TARGETS | grep -qx x-kde-passwordManagerHint ||
        fail "Ctrl+C in the list copied without the mark for clipboard managers"
}

# Another process of the same user cannot read the program's memory (a root test runs both as nobody);
# presets that a read-only config folder refuses are reported at close, and the program still ends.
scenario_private_memory_lost_presets() {
    new_home private && as_user=() || return 1
    if ((EUID == 0)); then
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
        chmod 755 "$work" && chown -R nobody:nogroup "$home" && chown root:root "$home/config"
    fi
    chmod 555 "$home/config"
    HOME="$home" XDG_CONFIG_HOME="$home/config" "${as_user[@]}" "$app" >>"$home/log" 2>&1 & app_pid=$!
    main_window || return 1
    ! "${as_user[@]}" dd if="/proc/$app_pid/mem" of=/dev/null bs=1 count=0 2>/dev/null ||
        fail "another process of the same user can open /proc/PID/mem" || return 1
    ! "${as_user[@]}" cat "/proc/$app_pid/environ" >/dev/null 2>&1 ||
        fail "another process of the same user can read /proc/PID/environ" || return 1
    local main_id box='' && main_id=$(visible Corvane)
    click 200 20 && xdo key alt+o # the banner: a click there only makes the window active
    poll 10 other_box "$main_id" || fail "no message that the presets could not be stored" || return 1
    xdo mousemove --window "$box" 10 10 key Return && poll 10 not_running ||
        fail "the program did not end after the message"
}

for scenario in copy_help_presets warning_at_start_once copy_key_in_list private_memory_lost_presets dark_theme \
    copy_outlives_window; do
    if "scenario_$scenario"; then echo "PASS $scenario"; else
        echo "FAIL $scenario: ${why:-a step failed}"; failed=$((failed + 1))
        sed 's/^/    program: /' "$home/log" 2>/dev/null
    fi
    stop_app
done
((failed == 0))
