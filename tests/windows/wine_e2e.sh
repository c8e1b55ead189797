#!/usr/bin/env bash
# corvane.exe under Wine on the X server of xvfb-run, driven with xdotool as a person would: the copy
# read back by a second Windows program, presets in the registry across restarts, System Info against
# Wine's registry, help and links through the shell, and the installer.
# Usage: xvfb-run -a wine_e2e.sh BUILD_DIR VERSION
set -uo pipefail
build=$(cd "${1:?usage: wine_e2e.sh BUILD_DIR VERSION}" && pwd) version=${2:?}
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-wine.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" CORVANE_STANDIN_LOG=$work/standin.log
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
passed=0 failed=0
check() {
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); echo "PASS $name"; else failed=$((failed + 1)); echo "FAIL $name"; fi
}
until_true() {  # until_true SECONDS COMMAND...
    local tries=$(($1 * 10)); shift
    while ((tries-- > 0)); do "$@" && return 0; sleep 0.1; done
    return 1
}
wine wineboot --init >/dev/null 2>&1 && timeout 120 wineserver -w
[[ -f "$WINEPREFIX/system.reg" ]] || { echo "Wine cannot start: no prefix was created"; exit 1; }
reg() { wine reg "$@" >/dev/null 2>&1; }
# Stand-ins for the system-information tool, the help viewer and the browser.
tools=$WINEPREFIX/drive_c/tools
mkdir -p "$tools/msinfo" "$tools/empty"
cp "$build/standin.exe" "$tools/sysinfo.exe"; cp "$build/standin.exe" "$tools/msinfo/MSINFO32.EXE"
cp "$build/standin.exe" "$tools/viewer.exe"
mkdir -p "$tools/Сведения" && cp "$build/standin.exe" "$tools/Сведения/sysinfo.exe"
classes='HKLM\Software\Classes'
reg add "$classes\\.chm" /ve /d CorvaneTest.chm /f
for class in CorvaneTest.chm http https; do
    reg add "$classes\\$class\\shell\\open\\command" /ve /d '"C:\tools\viewer.exe" "%1"' /f
done
# press WINDOW KEYS...: Wine takes keys only for the window it thinks active, and a click makes it so;
# the middle of the top edge is free of controls in both windows.
press() {
    local x y w
    read -r x y w < <(xdotool getwindowgeometry "$1" | tr ',x' '  ' | awk '/Position/ {x=$2; y=$3} /Geometry/ {print x, y, $2}')
    xdotool mousemove $((x + w / 2)) $((y + 30)) click 1 sleep 0.3 key "${@:2}"
}
windows_named() { [[ $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l) -eq $2 ]]; }
# act SECONDS ACTION... -- CONDITION...: does ACTION until CONDITION holds, three tries in all. A slow
# machine may lose keys sent before Wine has made the window active; the condition stays strict, so
# every ACTION must be one that can be repeated.
act() {
    local seconds=$1 action=() try
    shift
    while [[ $1 != -- ]]; do action+=("$1"); shift; done
    shift
    for try in 1 2 3; do
        "${action[@]}"
        until_true "$seconds" "$@" && return 0
    done
    echo "  after ${action[*]}, three times: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | paste -sd,)"
    return 1
}

start() {
    wine "${1:-$build/corvane.exe}" >>"$work/corvane.log" 2>&1 & corvane_pid=$!
    disown
    until_true 30 windows_named Corvane 1 || return 1
    main=$(xdotool search --onlyvisible --name '^Corvane$' | head -n1)
    sleep 1 # mapped is not yet ready for input under Wine
}
stop() { act 10 press "$main" alt+o -- windows_named Corvane 0 && timeout 60 wineserver -w; }
# copied COUNT LENGTH [SET]: after the length is set to SET, Generate and Copy give COUNT passwords of
# LENGTH characters, each ended by CR LF.
copied() {
    wine "$build/clipcheck.exe" --clear &&
        act 2 generate_and_copy "${3-}" -- clipboard_holds "$1" "$2" && return 0
    sed 's/^/  /' "$work/clipcheck.log"
    return 1
}
generate_and_copy() {
    # The stored length is the spin control's, so SET - 1 is typed into the field (its middle is 260,106
    # in the window) and the spin control steps up from there; typing first keeps a retry at SET.
    [[ -z $1 ]] || { xdotool mousemove --window "$main" 260 106 click 1 sleep 0.3 key ctrl+a type $(($1 - 1)) &&
        xdotool key Tab Up; }
    press "$main" alt+g alt+c
}
clipboard_holds() {
    wine "$build/clipcheck.exe" 'C:\clip.txt' >"$work/clipcheck.log" || return 1
    python3 - "$WINEPREFIX/drive_c/clip.txt" "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read().decode()
lines = data.split("\r\n")
sys.exit(not (lines[-1] == "" and len(lines) - 1 == int(sys.argv[2])
              and all(len(l) == int(sys.argv[3]) and "\n" not in l for l in lines[:-1])))
PY
}
stored() { wine reg query 'HKCU\Software\Corvane\Presets' /v "$1" 2>/dev/null | tr -d '\r' | grep -qE "REG_SZ +$2\$"; }

check "the version resource reads 1.00" eval 'strings -el "$build/corvane.exe" | grep -A1 -x FileVersion | grep -qx 1.00'
check "window opens" start
check "Copy: five CR LF lines of 32, kept from history and cloud" copied 5 32 32
# Windows keeps a copy after its program has ended; it is read before Wine itself shuts down.
ended() { ! kill -0 "$corvane_pid" 2>/dev/null; }
check "the copy outlives the program" eval 'act 10 press "$main" alt+o -- windows_named Corvane 0 &&
    until_true 10 ended && clipboard_holds 5 32'
check "presets stored in the registry on close" eval 'timeout 60 wineserver -w && stored Characters 32 &&
    stored NumberOf 5 && stored Extended 0'
start
check "presets come back after a restart" copied 5 32
stop
reg add 'HKCU\Software\Corvane\Presets' /v Characters /d 12abc /f
start
check "a damaged length falls back to 30" copied 5 30

# Another program holding the clipboard: Copy waits out a short hold; after a long one it says that
# nothing was copied and leaves that program's text alone.
hold_clipboard() {  # hold_clipboard MILLISECONDS
    : >"$work/holder.out"
    wine "$build/clipcheck.exe" --hold "$1" "held text" >"$work/holder.out" 2>&1 & holder=$!
    until_true 20 grep -q held "$work/holder.out"
}
clipboard_text_is() {
    wine "$build/clipcheck.exe" 'C:\clip.txt' >/dev/null 2>&1
    [[ $(<"$WINEPREFIX/drive_c/clip.txt") == "$1" ]]
}
check "Copy waits out a clipboard held for a second" \
    eval 'hold_clipboard 1000 && press "$main" alt+c && wait $holder && until_true 5 clipboard_holds 5 30'
# Wine's first OpenClipboard on a held clipboard itself waits up to 5 s, so the message takes about 6.
check "Copy on a clipboard held for long says so" \
    eval 'hold_clipboard 15000 && act 8 press "$main" alt+c -- windows_named Corvane 2'
box=$(xdotool search --onlyvisible --name '^Corvane$' | grep -vx "$main" | head -n1)
[[ -z $box ]] || act 5 xdotool windowfocus --sync "$box" key Return -- windows_named Corvane 1
wait $holder
check "and the other program's text stays" clipboard_text_is "held text"

# The list's copy key on a selected entry copies it alone, marked like Copy's.
select_first_and_copy() {
    wine "$build/clipcheck.exe" --clear
    xdotool mousemove --window "$main" 100 232 click 1 sleep 0.3 key ctrl+c
}
one_password() {
    wine "$build/clipcheck.exe" 'C:\clip.txt' >"$work/clipcheck.log" && [[ $(wc -c <"$WINEPREFIX/drive_c/clip.txt") == "$1" ]]
}
check "Ctrl+C on a selected entry: one password, kept from history and cloud" act 3 select_first_and_copy -- one_password 30

# System Info: each arrangement of the two registry locations, staged in Wine's own registry.
loc1='HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO' loc2='HKLM\SOFTWARE\Microsoft\Shared Tools Location'
act 10 xdotool mousemove --window "$main" 360 184 click 1 -- windows_named "About Corvane" 1
about=$(xdotool search --onlyvisible --name '^About Corvane$' | head -n1)
# sysinfo CASE PATH|- DIR|- EXPECT [VIEW]: EXPECT is the program that must start, or "message"; VIEW
# 32 puts PATH in the 32-bit registry view alone. Paths travel as UTF-8 to Wine's reg.
sysinfo() {
    for view in 32 64; do reg delete "$loc1" /f /reg:$view; reg delete "$loc2" /f /reg:$view; done
    [[ $2 == - ]] || LC_ALL=C.UTF-8 reg add "$loc1" /v PATH /d "$2" /f /reg:"${5:-64}"
    [[ $3 == - ]] || reg add "$loc2" /v MSINFO /d "$3" /f
    : >"$CORVANE_STANDIN_LOG"
    if [[ $4 == message ]]; then
        check "System Info, $1: the message" act 10 press "$about" alt+s -- windows_named Corvane 2
        box=$(xdotool search --onlyvisible --name '^Corvane$' | grep -vx "$main" | head -n1)
        act 5 xdotool windowfocus --sync "$box" key Return -- windows_named Corvane 1
        check "System Info, $1: nothing started" test ! -s "$CORVANE_STANDIN_LOG"
    else
        check "System Info, $1: $4 starts" act 10 press "$about" alt+s -- grep -qi "$4" "$CORVANE_STANDIN_LOG"
    fi
}
sysinfo "location 1 names a program" 'C:\tools\sysinfo.exe' 'C:\tools\msinfo' sysinfo.exe
sysinfo "location 1 names a missing file" 'C:\tools\missing.exe' 'C:\tools\msinfo' message
sysinfo "location 2 holds the tool" - 'C:\tools\msinfo' MSINFO32.EXE
sysinfo "location 2 without the tool" - 'C:\tools\empty' message
sysinfo "both locations absent" - - message
sysinfo "location 1 in the 32-bit view only" 'C:\tools\sysinfo.exe' - sysinfo.exe 32
sysinfo "location 1 outside the ANSI code page" 'C:\tools\Сведения\sysinfo.exe' - sysinfo.exe

# Help and links go through the shell's "open".
: >"$CORVANE_STANDIN_LOG"
check "About opens the home page" act 10 press "$about" alt+t -- grep -q 'viewer.exe https://corvane.example/' "$CORVANE_STANDIN_LOG"
# About sits over the main window's top edge, where press clicks: it must be gone before F1.
act 10 press "$about" alt+e -- windows_named "About Corvane" 0
check "F1 opens Corvane.chm" act 10 press "$main" F1 -- grep -qi 'viewer.exe .*\\Corvane.chm' "$CORVANE_STANDIN_LOG"
stop

# Windows dark mode with Qt asked to follow it: the warning at start, the main window with a list, the
# About window and a message box, every text readable.
source "$(dirname "$0")/../e2e/checks.sh"
factor=1
window_named() { xdotool search --onlyvisible --name "^$1\$" | grep -vx "${2:-none}" | head -n1; }
# readable_window WINDOW-ID CLIENT-WxH NAME=X,Y,W,H...: places are in the client area, which Wine, with no
# window manager to ask, frames itself for dialogs: a border around it and a title bar above.
readable_window() {
    import -window "$1" "$work/shot.png" || return 1
    local width height frame top entry x y w h places=()
    read -r width height < <(identify -format '%w %h' "$work/shot.png")
    frame=$(((width - ${2%x*}) / 2)) && top=$((height - ${2#*x} - frame))
    for entry in "${@:3}"; do
        IFS=, read -r x y w h <<<"${entry#*=}"
        places+=("${entry%%=*}=$((x + frame)),$((y + top)),$w,$h")
    done
    readable "$work/shot.png" "${places[@]}"
}
reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' /v AppsUseLightTheme /t REG_DWORD /d 0 /f
reg add 'HKCU\Software\Corvane\Presets' /v Extended /d 1 /f
reg delete 'HKCU\Software\Corvane\Presets' /v Warn /f
QT_QPA_PLATFORM=windows:darkmode=2 wine "$build/corvane.exe" >>"$work/corvane.log" 2>&1 & disown
until_true 30 windows_named Warning 1 && sleep 1
warning=$(window_named Warning)
check "dark mode: the warning is readable" readable_window "$warning" 312x199 "${warn_texts[@]}"
act 10 press "$warning" Return -- windows_named Corvane 1
main=$(window_named Corvane) && sleep 1 && press "$main" alt+g && sleep 1
check "dark mode: the main window is readable" readable_window "$main" 420x340 "${main_texts[@]}"
act 10 xdotool mousemove --window "$main" 360 184 click 1 -- windows_named "About Corvane" 1
sleep 1 && about=$(window_named "About Corvane")
check "dark mode: the About window is readable" readable_window "$about" 382x266 "${about_texts[@]}"
act 10 press "$about" alt+e -- windows_named "About Corvane" 0
act 10 eval 'xdotool mousemove --window "$main" 260 106 click 1 sleep 0.3 key ctrl+a type 3 && press "$main" alt+g' \
    -- windows_named Corvane 2
box=$(window_named Corvane "$main") && sleep 1
eval "$(xdotool getwindowgeometry --shell "$box" | grep -E '^(WIDTH|HEIGHT)=')"
check "dark mode: a message box is readable" readable_window "$box" "${WIDTH}x$HEIGHT" "message=8,8,$((WIDTH - 16)),$((HEIGHT / 2 - 8))"
act 5 xdotool windowfocus --sync "$box" key Return -- windows_named Corvane 1
stop
reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' /v AppsUseLightTheme /t REG_DWORD /d 1 /f

# Display scaling as Windows sets it: the window is its size times the factor, no caption is cut off and
# the pictures come from the 2x art.
for dpi in 120 144; do
    factor=$(awk -v d=$dpi 'BEGIN { print d / 96 }')
    reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f && timeout 60 wineserver -w
    start || { check "$dpi dpi: window opens" false; continue; }
    eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(WIDTH|HEIGHT)=')"
    echo "  $dpi dpi: the window is ${WIDTH}x$HEIGHT"
    check "$dpi dpi: the window is $(in_pixels 420x340)" test "${WIDTH}x$HEIGHT" == "$(in_pixels 420x340)"
    import -window "$main" "$work/scaled.png"
    check "$dpi dpi: no caption cut off" captions_whole "$work/scaled.png"
    check "$dpi dpi: pictures from the 2x art" pictures_sharp "$work/scaled.png"
    stop
done
reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f && timeout 60 wineserver -w

# The installer, silently: for the user alone by default, then for the whole machine. Each mode
# installs twice, so that the second replaces the first, and its uninstaller leaves nothing behind.
setup=$build/Corvane-$version-setup.exe
# highestAvailable runs a standard user's install with the rights they have, without a prompt.
check "setup's manifest asks for no administrator" \
    eval '[[ $(strings "$setup") == *"requestedExecutionLevel level=\"highestAvailable\""* ]]'
unix_path() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
# Wine stamps each key with the time it was last written, and enumerates the devices afresh in each
# session (display adapters, monitors, input devices, network cards): none of that is the installer's.
machine_registry() {
    timeout 60 wineserver -w
    awk '/^\[/ { sub(/\] [0-9]+$/, "]")
                 skip = /^\[System[\\]+CurrentControlSet[\\]+(Control[\\]+Class|Control[\\]+DeviceClasses|Enum)[\\]/ ||
                        /NetworkCards\]$/ }
         !skip && !/^#time=/' "$WINEPREFIX/system.reg"
}
machine_files() { (cd "$WINEPREFIX/drive_c" && find "Program Files" "Program Files (x86)" ProgramData | sort); }
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane'
entry_names() { [[ $(wine reg query "$1\\$uninstall_key" /v InstallLocation 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p') == "$2" ]]; }
# installed MODE DIR MENU ROOT: what an install of MODE leaves, and the program it installed at work.
installed() {
    local dir=$2 menu=$3 root=$4
    check "$1: the program, its help and a menu entry" test -f "$dir/corvane.exe" -a -f "$dir/Corvane.chm" \
        -a -f "$dir/platforms/qwindows.dll" -a -f "$menu/Corvane.lnk"
    check "$1: the uninstall entry under $root" entry_names "$root" "$(winepath -w "$dir" | tr -d '\r')"
    check "$1: the installed program starts and copies" eval 'start "$dir/corvane.exe" && copied 5 30 && stop'
}
# uninstalled MODE DIR MENU ROOT
uninstalled() {
    local dir=$2 menu=$3 root=$4
    wine "$dir/uninstall.exe" /S >/dev/null 2>&1
    check "$1: the uninstaller removes what was installed and keeps the presets" \
        eval 'until_true 30 test ! -e "$dir" && test ! -e "$menu/Corvane.lnk" && stored Characters 30 &&
              ! wine reg query "$root\\$uninstall_key" >/dev/null 2>&1'
}
mine=$(unix_path '%LOCALAPPDATA%')/Programs/Corvane my_menu=$(unix_path '%APPDATA%')/Microsoft/Windows/Start\ Menu/Programs
machine_before=$(machine_registry) files_before=$(machine_files)
wine "$setup" /S >/dev/null 2>&1
installed "for the user" "$mine" "$my_menu" HKCU
check "for the user: nothing under Program Files or ProgramData" eval '[[ $(machine_files) == "$files_before" ]]'
check "for the user: nothing written to HKEY_LOCAL_MACHINE" eval 'diff <(echo "$machine_before") <(machine_registry)'
wine "$setup" /S /CurrentUser >/dev/null 2>&1
uninstalled "for the user, installed twice" "$mine" "$my_menu" HKCU

everyone="$WINEPREFIX/drive_c/Program Files/Corvane"
all_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
wine "$setup" /S /AllUsers >/dev/null 2>&1
installed "for everyone" "$everyone" "$all_menu" HKLM
check "for everyone: a second install for the user alone is refused" \
    eval '! wine "$setup" /S >/dev/null 2>&1 && test ! -e "$mine"'
wine "$setup" /S /AllUsers >/dev/null 2>&1
uninstalled "for everyone, installed twice" "$everyone" "$all_menu" HKLM

# A presets key that refuses writes, as a locked-down desk may have it: Close says so, then closes.
check "a presets key that refuses writes is staged" wine "$build/denywrite.exe"
start
check "Close on a key that refuses writes shows a message" act 10 press "$main" alt+o -- windows_named Corvane 2
box=$(xdotool search --onlyvisible --name '^Corvane$' | grep -vx "$main" | head -n1)
check "and closes once it is read" act 5 xdotool windowfocus --sync "${box:-$main}" key Return -- windows_named Corvane 0

echo "$passed passed, $failed failed"
((failed == 0))
