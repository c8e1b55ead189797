# corvane.exe under Wine, for drive.sh: one prefix for every scenario, the presets in its registry, the
# clipboard read by clipcheck.exe, a second Windows program, and standin.exe in place of every program
# Windows is asked to start (the system-information tool, the help viewer, the browser).
build=$(cd "$target" && pwd) && app=$build/corvane.exe
scenarios=(version copy_presets warning_once list_copy copy_kept clipboard_busy help_links sysinfo dark
    high_contrast scaled installer presets_refused)
scale_factors=(1.25 1.5)
# Windows keeps the copy once the program has ended.
kept_steps='ends; copy_kept; secret'
help_opened='viewer\.exe .*\\Corvane\.chm' home_opened='viewer\.exe https://corvane\.example/'
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" CORVANE_STANDIN_LOG=$work/standin.log
cleanup() { wineserver -k 2>/dev/null; }
wine wineboot --init >/dev/null 2>&1 && timeout 120 wineserver -w
[[ -f $WINEPREFIX/system.reg ]] || { echo "Wine cannot start: no prefix was created"; exit 1; }
reg() { wine reg "$@" >/dev/null 2>&1; }
tools=$WINEPREFIX/drive_c/tools
mkdir -p "$tools/msinfo" "$tools/empty" "$tools/Сведения"
for tool in sysinfo.exe msinfo/MSINFO32.EXE viewer.exe Сведения/sysinfo.exe; do cp "$build/standin.exe" "$tools/$tool"; done
reg add 'HKLM\Software\Classes\.chm' /ve /d CorvaneTest.chm /f
for class in CorvaneTest.chm http https; do
    reg add "HKLM\\Software\\Classes\\$class\\shell\\open\\command" /ve /d '"C:\tools\viewer.exe" "%1"' /f
done
presets='HKCU\Software\Corvane\Presets' theme='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
colours='HKCU\Control Panel\Colors' contrast='HKCU\Control Panel\Accessibility\HighContrast' schemed=''
styles='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
wine reg export "$colours" "$(winepath -w "$work/colours.reg")" /y >/dev/null 2>&1
fresh() {
    reg delete 'HKCU\Software\Corvane' /f; reg delete "$theme" /v AppsUseLightTheme /f
    reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f
    [[ -z $schemed ]] || { reg import "$(winepath -w "$work/colours.reg")"; reg delete "$contrast" /f
        reg add "$styles" /v ThemeActive /d 1 /f; schemed=''; }
    : >"$CORVANE_STANDIN_LOG" && timeout 60 wineserver -w
}
launch() { env "$@" wine "$app" >>"$work/corvane.log" 2>&1 & app_pid=$!; disown; }
program_log() { tail -n 5 "$work/corvane.log" | sed 's/^/    program: /'; }
store() { reg add "$presets" /v "$1" /d "$2" /f; }
stored() { timeout 60 wineserver -w; wine reg query "$presets" /v "$1" 2>/dev/null | tr -d '\r' | grep -qE "REG_SZ +$2\$"; }
clip_clear() { wine "$build/clipcheck.exe" --clear; }
# clipcheck fails when the marks that keep a copy out of monitors, history and cloud sync are missing, and
# still writes the text.
clip_secret() { wine "$build/clipcheck.exe" 'C:\clip.txt' >"$work/clipcheck.log" || { sed 's/^/    /' "$work/clipcheck.log"; false; }; }
clip_read() { rm -f "$WINEPREFIX/drive_c/clip.txt"; wine "$build/clipcheck.exe" 'C:\clip.txt' >/dev/null; cp "$WINEPREFIX/drive_c/clip.txt" "$1"; }
opened_log() { echo "$CORVANE_STANDIN_LOG"; }
refuse_presets() { wine "$build/denywrite.exe" || fail "a presets key that refuses writes could not be staged"; }
dark_launch() { reg add "$theme" /v AppsUseLightTheme /t REG_DWORD /d 0 /f && launch QT_QPA_PLATFORM=windows:darkmode=2; }
scale() {
    reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$(awk -v f="$1" 'BEGIN { print f * 96 }')" /f &&
        timeout 60 wineserver -w && launch
}
scaled_extra() { :; }

# High contrast as Windows stores it: the scheme's colours, which Qt reads through GetSysColor, and the flag
# that turns it on. Wine hands out the colours but answers SPI_GETHIGHCONTRAST with "off" whatever the flag
# says, so the test build's switch CORVANE_TEST_HIGH_CONTRAST gives the answer Windows would. Under high
# contrast Windows draws the controls in the scheme's colours; Wine's visual style would keep its white
# buttons, so it is turned off and Qt draws them from the palette.
# contrast_launch GROUND TEXT SELECTED SELECTED-TEXT DISABLED-TEXT LINK, each colour "R G B".
contrast_launch() {
    local roles=('Window ButtonFace ButtonHilight ButtonLight InfoWindow Menu'
        'WindowText ButtonText ButtonShadow ButtonDkShadow InfoText MenuText' Hilight HilightText GrayText
        HotTrackingColor) i name
    {
        printf 'REGEDIT4\n\n[%s]\n"Flags"="127"\n\n[%s]\n"ThemeActive"="0"\n\n[%s]\n' \
            "${contrast/HKCU/HKEY_CURRENT_USER}" "${styles/HKCU/HKEY_CURRENT_USER}" "${colours/HKCU/HKEY_CURRENT_USER}"
        for i in "${!roles[@]}"; do
            for name in ${roles[i]}; do printf '"%s"="%s"\n' "$name" "${@:i+1:1}"; done
        done
    } >"$work/scheme.reg"
    schemed=1 && reg import "$(winepath -w "$work/scheme.reg")" && timeout 60 wineserver -w &&
        launch CORVANE_TEST_HIGH_CONTRAST=1
}
# Windows' High Contrast White, then High Contrast Black: every text readable, the title too, on the banner's
# place.
contrast_white="'255 255 255' '0 0 0' '55 0 110' '255 255 255' '96 0 0' '0 0 159'"
contrast_black="'0 0 0' '255 255 255' '26 235 255' '0 0 0' '63 242 63' '255 255 0'"
scenario[high_contrast]="fresh; store Extended 1; contrast_launch $contrast_white; $every_text; stop_app;
    fresh; store Extended 1; contrast_launch $contrast_black; $every_text"

scenario[version]=version
version() { strings -el "$app" | grep -A1 -x FileVersion | grep -qx 1.00 || fail "the version resource is not 1.00"; }

# Another program holding the clipboard: Copy waits out a short hold; after a long one it says that nothing
# was copied and leaves that program's text alone.
hold() {
    : >"$work/holder.out"
    wine "$build/clipcheck.exe" --hold "$1" "held text" >"$work/holder.out" 2>&1 & holder=$!
    poll 20 grep -q held "$work/holder.out"
}
scenario[clipboard_busy]=clipboard_busy
clipboard_busy() {
    fresh && launch && main_window && copied 5 30 || return 1
    hold 1000 && press "$main" alt+c && wait $holder && poll 5 holds 5 30 ||
        fail "Copy did not wait out a clipboard held for a second" || return 1
    # Wine's first OpenClipboard on a held clipboard itself waits up to 5 s, so the message takes about 6.
    hold 15000 && act 8 press "$main" alt+c -- message_box || fail "Copy on a clipboard held for long said nothing" || return 1
    dismiss "$box" && wait $holder
    clip_read "$work/clip" && [[ $(<"$work/clip") == "held text" ]] || fail "the other program's text was replaced"
}

# System Info against each arrangement of the registry's two places for the tool, staged in Wine's own
# registry: sysinfo_case PATH|- FOLDER|- EXPECT [VIEW], EXPECT the program that must start or "message",
# VIEW 32 for PATH in the 32-bit view alone. Paths travel as UTF-8 to Wine's reg.
sysinfo_case() {
    local loc1='HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO' loc2='HKLM\SOFTWARE\Microsoft\Shared Tools Location' view
    for view in 32 64; do reg delete "$loc1" /f /reg:$view; reg delete "$loc2" /f /reg:$view; done
    [[ $1 == - ]] || LC_ALL=C.UTF-8 reg add "$loc1" /v PATH /d "$1" /f /reg:"${4:-64}"
    [[ $2 == - ]] || reg add "$loc2" /v MSINFO /d "$2" /f
    : >"$CORVANE_STANDIN_LOG"
    [[ $3 == message ]] || { act 10 press "$about" alt+s -- grep -qi "$3" "$CORVANE_STANDIN_LOG"; return; }
    act 10 press "$about" alt+s -- message_box && dismiss "$box" && [[ ! -s $CORVANE_STANDIN_LOG ]]
}
scenario[sysinfo]=sysinfo
sysinfo() {
    fresh && launch && main_window && act 10 click 360 184 -- shown "About Corvane" || return 1
    about=$(window "About Corvane")
    sysinfo_case 'C:\tools\sysinfo.exe' 'C:\tools\msinfo' sysinfo.exe || fail "location 1 names a program" || return 1
    sysinfo_case 'C:\tools\missing.exe' 'C:\tools\msinfo' message || fail "location 1 names a missing file" || return 1
    sysinfo_case - 'C:\tools\msinfo' MSINFO32.EXE || fail "location 2 holds the tool" || return 1
    sysinfo_case - 'C:\tools\empty' message || fail "location 2 without the tool" || return 1
    sysinfo_case - - message || fail "both locations absent" || return 1
    sysinfo_case 'C:\tools\sysinfo.exe' - sysinfo.exe 32 || fail "location 1 in the 32-bit view only" || return 1
    sysinfo_case 'C:\tools\Сведения\sysinfo.exe' - sysinfo.exe || fail "location 1 outside the ANSI code page"
}

# The installer, silently: for the user alone by default, then for the whole machine. Each mode installs
# twice, so that the second replaces the first, and its uninstaller leaves nothing behind.
unix_path() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
# Wine stamps each key with the time it was last written, and enumerates the devices afresh in each session
# (display adapters, monitors, input devices, network cards): none of that is the installer's.
machine_registry() {
    timeout 60 wineserver -w
    awk '/^\[/ { sub(/\] [0-9]+$/, "]")
                 skip = /^\[System[\\]+CurrentControlSet[\\]+(Control[\\]+Class|Control[\\]+DeviceClasses|Enum)[\\]/ ||
                        /NetworkCards\]$/ }
         !skip && !/^#time=/' "$WINEPREFIX/system.reg"
}
machine_files() { (cd "$WINEPREFIX/drive_c" && find "Program Files" "Program Files (x86)" ProgramData | sort); }
# installed DIR MENU ROOT: an install's files, its uninstall entry under ROOT, and the program it installed
# at work; then a second install over it, and its uninstaller.
installed() {
    local dir=$1 menu=$2 key="$3\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvane" app=$1/corvane.exe
    [[ -f $app && -f $dir/Corvane.chm && -f $dir/platforms/qwindows.dll && -f $menu/Corvane.lnk ]] ||
        fail "the program, its help or its menu entry is missing" || return 1
    [[ $(wine reg query "$key" /v InstallLocation 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p') == \
        "$(winepath -w "$dir" | tr -d '\r')" ]] || fail "no uninstall entry under $3" || return 1
    launch && main_window && copied 5 30 && close_main && poll 30 ended || return 1
    wine "$setup" /S "$4" >/dev/null 2>&1 && wine "$dir/uninstall.exe" /S >/dev/null 2>&1
    poll 30 test ! -e "$dir" && [[ ! -e $menu/Corvane.lnk ]] && stored Characters 30 && ! reg query "$key" ||
        fail "the uninstaller left files or its entry, or removed the presets"
}
scenario[installer]=installer
installer() {
    local setup mine my_menu everyone="$WINEPREFIX/drive_c/Program Files/Corvane" before files
    setup=$(ls "$build"/Corvane-*-setup.exe) mine=$(unix_path '%LOCALAPPDATA%')/Programs/Corvane
    my_menu=$(unix_path '%APPDATA%')/Microsoft/Windows/Start\ Menu/Programs
    # highestAvailable runs a standard user's install with the rights they have, without a prompt.
    [[ $(strings "$setup") == *'requestedExecutionLevel level="highestAvailable"'* ]] ||
        fail "setup's manifest asks for an administrator" || return 1
    fresh && before=$(machine_registry) files=$(machine_files) && wine "$setup" /S >/dev/null 2>&1
    [[ $(machine_files) == "$files" ]] || fail "for the user: files under Program Files or ProgramData" || return 1
    diff <(echo "$before") <(machine_registry) || fail "for the user: HKEY_LOCAL_MACHINE was written" || return 1
    installed "$mine" "$my_menu" HKCU /CurrentUser || fail "for the user: $why" || return 1
    wine "$setup" /S /AllUsers >/dev/null 2>&1
    ! wine "$setup" /S >/dev/null 2>&1 && [[ ! -e $mine ]] ||
        fail "for everyone: a second install for the user alone was not refused" || return 1
    installed "$everyone" "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" HKLM /AllUsers ||
        fail "for everyone: $why"
}
