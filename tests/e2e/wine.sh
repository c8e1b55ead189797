# corvane.exe under Wine, for drive.sh: one prefix for every scenario, the presets in its registry, the
# clipboard read by clipcheck.exe, a second Windows program, and standin.exe in place of every program
# Windows is asked to start (the system-information tool, the help viewer, the browser).
build=$(cd "$target" && pwd) && app=$build/corvane.exe setup=$(ls "$build"/Corvane-*-setup.exe)
scenarios=(version keyboard clipboard_busy sysinfo dark high_contrast scaled installer update accounts presets_refused)
scale_factors=(1.25 1.5)
# Windows keeps the copy once the program has ended.
kept_steps='ends; copy_kept; secret'
help_opened='viewer\.exe .*\\Corvane\.chm' sysinfo_opened='sysinfo\.exe'
sysinfo_stub() { reg add 'HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO' /v PATH /d 'C:\tools\sysinfo.exe' /f; }
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

# --- The installer ---------------------------------------------------------------------------------
# setup_ends CODE PROGRAM ARGS...: PROGRAM ran and ended with CODE. A silent run that still waits after two
# minutes waits on something no one will answer, and fails the scenario: a deployment tool would hang.
setup_ends() {
    local code=$1 status
    shift
    timeout 120 wine "$@" >/dev/null 2>&1
    status=$?
    ((status != 124)) || { wineserver -k; fail "${1##*/} ${*:2} still waited after two minutes"; return 1; }
    ((status == code)) || fail "${1##*/} ${*:2} ended with $status, not $code"
}
# setup_gui: setup on its defaults, Enter on each page until it ends.
setup_gui() {
    local pid tries=40 page
    wine "$setup" >/dev/null 2>&1 & pid=$!
    while kill -0 $pid 2>/dev/null && ((tries-- > 0)); do
        page=$(window 'Corvane Setup.*')
        [[ -z $page ]] || press "$page" Return
        sleep 1
    done
    ! kill -0 $pid 2>/dev/null || { wineserver -k; fail "setup's pages did not end on Enter"; return 1; }
    wait $pid || fail "setup on its defaults ended with $?"
}
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane'
entry() { wine reg query "$1\\$uninstall_key" /v "${2:-InstallLocation}" 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
unix_path() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
# Wine stamps each key with the time it was last written, and enumerates the devices afresh in each session
# (display adapters, monitors, input devices, network cards; Wine 10 keeps them under ControlSet001):
# none of that is the installer's.
machine_registry() {
    timeout 60 wineserver -w
    awk '/^\[/ { sub(/\] [0-9]+$/, "]")
                 skip = /^\[System[\\]+(CurrentControlSet|ControlSet[0-9]+)[\\]+(Control[\\]+Class|Control[\\]+DeviceClasses|Enum)[\\]/ ||
                        /NetworkCards\]$/ }
         !skip && !/^#time=/' "$WINEPREFIX/system.reg"
}
machine_files() { (cd "$WINEPREFIX/drive_c" && find "Program Files" "Program Files (x86)" ProgramData | sort); }
all_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
# installed DIR MENU ROOT: an install's files, its uninstall entry under ROOT, and the program it installed
# at work; then a second install over it, and its uninstaller.
installed() {
    local dir=$1 menu=$2 app=$1/corvane.exe
    [[ -f $app && -f $dir/Corvane.chm && -f $dir/platforms/qwindows.dll && -f $menu/Corvane.lnk ]] ||
        fail "the program, its help or its menu entry is missing" || return 1
    [[ $(entry "$3") == "$(winepath -w "$dir" | tr -d '\r')" ]] || fail "no uninstall entry under $3" || return 1
    launch && main_window && copied 5 30 && close_main && poll 30 ended || return 1
    setup_ends 0 "$setup" /S "$4" || return 1
    wine "$dir/uninstall.exe" /S >/dev/null 2>&1
    poll 30 test ! -e "$dir" && [[ ! -e $menu/Corvane.lnk ]] && stored Characters 30 && ! reg query "$3\\$uninstall_key" ||
        fail "the uninstaller left files or its entry, or removed the presets"
}
# Silently: for the user alone by default, then for the whole machine. Each mode installs twice, so that the
# second replaces the first, and its uninstaller leaves nothing behind; the other mode is refused meanwhile.
scenario[installer]=installer
installer() {
    local mine my_menu before files
    mine=$(unix_path '%LOCALAPPDATA%')/Programs/Corvane my_menu=$(unix_path '%APPDATA%')/Microsoft/Windows/Start\ Menu/Programs
    (($(stat -c %s "$setup") <= 10000000)) || fail "setup is $(stat -c %s "$setup") bytes, over 10 MB" || return 1
    # highestAvailable runs a standard user's install with the rights they have, without a prompt.
    [[ $(strings "$setup") == *'requestedExecutionLevel level="highestAvailable"'* ]] ||
        fail "setup's manifest asks for an administrator" || return 1
    fresh && before=$(machine_registry) files=$(machine_files) && setup_ends 0 "$setup" /S || return 1
    [[ $(machine_files) == "$files" ]] || fail "for the user: files under Program Files or ProgramData" || return 1
    diff <(echo "$before") <(machine_registry) || fail "for the user: HKEY_LOCAL_MACHINE was written" || return 1
    setup_ends 4 "$setup" /S /AllUsers || fail "for everyone over the user's install: $why" || return 1
    installed "$mine" "$my_menu" HKCU /CurrentUser || fail "for the user: $why" || return 1
    setup_ends 0 "$setup" /S /AllUsers && setup_ends 4 "$setup" /S /CurrentUser && [[ ! -e $mine ]] ||
        fail "for the user over everyone's install: $why" || return 1
    installed "$WINEPREFIX/drive_c/Program Files/Corvane" "$all_menu" HKLM /AllUsers || fail "for everyone: $why"
}

# Installers of earlier releases, built from their own commits' scripts with the files a Qt 6.4 build
# shipped, each holding its name: the first, for administrators alone, and the last before this one.
first_release=64908f1 last_release=78af2e0
qt64_files=(corvane.exe Corvane.chm LICENSE.txt Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libsodium-23.dll libstdc++-6.dll
    libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll)
# fixture_setup OUT NSI [DEFINE...]: NSI built into OUT with those files.
fixture_setup() {
    local dir=$work/fixture file sub
    if [[ ! -f $dir/install.nsh ]]; then
        for file in "${qt64_files[@]}"; do
            echo "$file" | install -D /dev/stdin "$dir/$file"
            sub=${file%/*} && [[ $sub != "$file" ]] && sub="\\$sub" || sub=''
            printf 'SetOutPath "$INSTDIR%s"\nFile "%s"\n' "$sub" "$dir/$file" >>"$dir/install.nsh"
            printf 'Delete "$INSTDIR\\%s"\n' "${file//\//\\}" >>"$dir/uninstall.nsh"
        done
        printf 'RMDir "$INSTDIR\\%s"\n' styles platforms >>"$dir/uninstall.nsh"
    fi
    makensis -V1 -DVERSION=0.9.0 -DICON="$here/../../resources/corvane.ico" -DOUTFILE="$1" -DFILELIST="$dir/install.nsh" \
        -DUNFILELIST="$dir/uninstall.nsh" "${@:3}" "$2" >/dev/null || fail "makensis could not build $1"
}
old_setup() { # old_setup COMMIT: that commit's installer, built once
    [[ -f $work/$1.exe ]] && return
    git -C "$here/../.." show "$1:packaging/windows/corvane.nsi" >"$work/$1.nsi" || fail "no installer script at $1" || return 1
    fixture_setup "$work/$1.exe" "$work/$1.nsi"
}

# update MODE WAY: MODE installed by an earlier release (user or machine: the last one's /CurrentUser or
# /AllUsers; first: the first release), then this setup run WAY: silent (/S), switch (/S and the mode's own
# switch) or gui (on its defaults). One uninstall entry follows, naming this version; the folder holds this
# version's files and no other; the menu entry and the presets stay.
update() {
    local old=$last_release args=(/S) root=HKLM other=HKCU menu=$all_menu switch=/AllUsers dir
    case $1 in
        user) args+=(/CurrentUser) root=HKCU other=HKLM menu=$(unix_path '%APPDATA%')/Microsoft/Windows/Start\ Menu/Programs
              switch=/CurrentUser ;;
        machine) args+=(/AllUsers) ;;
        first) old=$first_release ;;
    esac
    fresh && store Characters 31 && old_setup $old && setup_ends 0 "$work/$old.exe" "${args[@]}" || return 1
    case $2 in
        silent) setup_ends 0 "$setup" /S ;;
        switch) setup_ends 0 "$setup" /S $switch ;;
        gui) setup_gui ;;
    esac || return 1
    dir=$(winepath -u "$(entry $root)" 2>/dev/null)
    [[ -n $(entry $root) && -z $(entry $other) && $(entry $root DisplayVersion) == "$version" ]] ||
        fail "not one entry under $root for $version: $(entry $root DisplayVersion), $(entry $other DisplayVersion)" || return 1
    diff <(cd "$dir" && find . -type f | sort) <({ (cd "$build/packaging/windows/stage/files" && find . -type f)
        echo ./uninstall.exe; echo ./install.ini; } | sort) >"$work/files.diff" ||
        fail "other files than this version's: $(grep '^[<>]' "$work/files.diff" | paste -sd' ')" || return 1
    [[ -f $menu/Corvane.lnk ]] && stored Characters 31 || fail "the menu entry or the presets are gone" || return 1
    wine "$dir/uninstall.exe" /S >/dev/null 2>&1
    poll 30 test ! -e "$dir" && [[ -z $(entry $root) ]] || fail "the updated install did not uninstall"
}
scenario[update]=updates
updates() {
    local mode way
    version=$(strings -el "$setup" | grep -A1 -x ProductVersion | tail -n1)
    for mode in user machine first; do
        for way in silent switch gui; do
            update $mode $way || { fail "over the $mode install, $way: $why"; return 1; }
        done
    done
}

# A standard user, SYSTEM, and a machine-wide install under another spelling of its folder, with a build
# of the installer whose account check reads CORVANE_TEST_ACCOUNT and CORVANE_TEST_SID: Wine runs everyone
# as an administrator. Nothing waits on a message box.
scenario[accounts]=accounts
accounts() {
    local test_setup=$work/test-setup.exe mine
    fixture_setup "$test_setup" "$here/../../packaging/windows/corvane.nsi" -DTEST_ACCOUNT && fresh || return 1
    mine=$(unix_path '%LOCALAPPDATA%')/Programs/Corvane
    CORVANE_TEST_ACCOUNT=User setup_ends 0 "$test_setup" /S && [[ -f $mine/corvane.exe && -n $(entry HKCU) ]] ||
        fail "a standard user's default install: $why" || return 1
    wine "$mine/uninstall.exe" /S >/dev/null 2>&1 && poll 30 test ! -e "$mine" || fail "the user's uninstall" || return 1
    CORVANE_TEST_ACCOUNT=User setup_ends 3 "$test_setup" /S /AllUsers && [[ -z $(entry HKLM) ]] ||
        fail "a standard user's /AllUsers: $why" || return 1
    # The folder spelt another way by /D=: the uninstaller, run from C:\Corvane, must still serve the machine's install.
    setup_ends 0 "$test_setup" /S /AllUsers '/D=C:\.\Corvane' && CORVANE_TEST_ACCOUNT=User setup_ends 3 "$test_setup" /S &&
        CORVANE_TEST_ACCOUNT=User setup_ends 3 'C:\Corvane\uninstall.exe' /S '_?=C:\Corvane' ||
        fail "a standard user over everyone's install: $why" || return 1
    wine 'C:\Corvane\uninstall.exe' /S >/dev/null 2>&1
    poll 30 test ! -e "$WINEPREFIX/drive_c/Corvane" && [[ -z $(entry HKLM) && ! -e $all_menu/Corvane.lnk ]] ||
        fail "the uninstall of C:\.\Corvane left the machine's entry, its menu entry or its files" || return 1
    CORVANE_TEST_SID=S-1-5-18 setup_ends 0 "$test_setup" /S &&
        [[ $(entry HKLM) == 'C:\Program Files\Corvane' && -z $(entry HKCU) ]] || fail "under SYSTEM: $why"
}
