# corvane.exe under Wine, for drive.sh: one prefix for every scenario, the presets in its registry, the
# clipboard read by clipcheck.exe, a second Windows program, and standin.exe in place of every program
# Windows is asked to start (the system-information tool, the help viewer, the browser).
build=$(cd "$target" && pwd) && app=$build/corvane.exe setup=$(ls "$build"/Corvane-*-setup.exe)
scenarios=(version keyboard copy_kept clipboard_busy sysinfo dark high_contrast scaled installer update accounts presets_refused)
scale_factors=(1.25 1.5)
# Windows keeps the copy once the program has ended. After the keyboard scenario's Alt+O the copy read
# back under Wine differed from the one read before, though it began the same: not understood, so the kept
# copy is copy_kept's alone here.
kept_steps='ends; copy_kept; secret' keyboard_kept=ends
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

# A presets key that refuses writes: Close says so, then the program ends (a file the store cannot write
# is the unit test's).
scenario[presets_refused]='fresh; refuse_presets; launch; main_window; act 10 press $main alt+o -- message_box;
    dismiss $box; ends'
refuse_presets() { wine "$build/denywrite.exe" || fail "a presets key that refuses writes could not be staged"; }

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
    sysinfo_case - 'C:\tools\msinfo' MSINFO32.EXE || fail "location 2 holds the tool" || return 1
    sysinfo_case - - message || fail "both locations absent" || return 1
    sysinfo_case 'C:\tools\sysinfo.exe' - sysinfo.exe 32 || fail "location 1 in the 32-bit view only" || return 1
    sysinfo_case 'C:\tools\Сведения\sysinfo.exe' - sysinfo.exe || fail "location 1 outside the ANSI code page"
}

# --- The installer ---------------------------------------------------------------------------------
# One table of cases (the scenarios below), each a line of the steps that follow. Every install goes into
# one of these places, and each case starts with none of them.
scenarios+=(running partway planted downgrade)
windows=$here/../../packaging/windows stage=$build/packaging/windows/stage
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane'
unix_path() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
mine=$(unix_path '%LOCALAPPDATA%')/Programs/Corvane machine=$WINEPREFIX/drive_c/Program\ Files/Corvane
planted=$WINEPREFIX/drive_c/planted temp=$(unix_path '%TEMP%')
my_menu=$(unix_path '%APPDATA%')/Microsoft/Windows/Start\ Menu/Programs
all_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
# Wine 8 calls itself Windows 7 unless told otherwise; setup needs 10 1809 or later.
wine winecfg -v win10
# setup_ends CODE PROGRAM ARGS...: PROGRAM ran and ended with CODE. A silent run that still waits after two
# minutes waits on something no one will answer, and fails the scenario: a deployment tool would hang.
# PROGRAM "pages" is setup on its defaults: Enter on each page, ARGS (Enter) on a message box, whose title
# alone is the bare name. Wine would quote a /D= with spaces, which NSIS takes only as it is: cmd passes it.
setup_ends() {
    local code=$1 status pid tries=600 page box run=(wine "${@:2}")
    [[ ${*: -1} != /D=*' '* ]] || run=(wine cmd /c "$(winepath -w "$2") ${*:3}")
    [[ $2 != pages ]] || run=(wine "$setup")
    "${run[@]}" >/dev/null 2>&1 & pid=$!
    while kill -0 $pid 2>/dev/null && ((tries-- > 0)); do
        [[ $2 != pages ]] || { page=$(window 'Corvane Setup.*') box=$(window 'Corvane Setup')
            if [[ -n $box ]]; then press "$box" "${3:-Return}"; elif [[ -n $page ]]; then press "$page" Return; fi; }
        sleep 0.2
    done
    ! kill -0 $pid 2>/dev/null || { wineserver -k; fail "${2##*/} ${*:3} still waited after two minutes"; return 1; }
    wait $pid
    status=$?
    ((status == code)) || fail "${2##*/} ${*:3} ended with $status, not $code"
}
entry() { wine reg query "$1\\$uninstall_key" /v "${2:-InstallLocation}" 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
folder() { winepath -u "$(entry "$1")" 2>/dev/null; }
declare -A other=([HKLM]=HKCU [HKCU]=HKLM) menu=([HKLM]=$all_menu [HKCU]=$my_menu)
clean() {
    stop_app; fresh; reg delete "HKLM\\$uninstall_key" /f; reg delete "HKCU\\$uninstall_key" /f
    rm -rf "$mine" "$machine" "$planted" "$all_menu/Corvane.lnk" "$my_menu/Corvane.lnk" "$temp"/Corvane-*.log
}
# Every file of every install place with its checksum, both entries and both menu entries.
state() {
    (cd "$WINEPREFIX/drive_c" && find "$mine" "$machine" "$planted" -type f -exec md5sum {} + 2>/dev/null | sort)
    wine reg query "HKLM\\$uninstall_key" 2>/dev/null; wine reg query "HKCU\\$uninstall_key" 2>/dev/null
    ls "$all_menu" "$my_menu"
}
snapshot() { state >"$work/state"; }
unchanged() { diff "$work/state" <(state) >"$work/state.diff" || fail "changed: $(grep '^[<>]' "$work/state.diff" | head -n 3 | paste -sd' ')"; }
# installed ROOT VERSION [OLD]: the one entry, under ROOT, names VERSION, and its folder holds that version's
# files and no other (OLD: an earlier release's); the menu entry and the presets are there.
installed() {
    local dir=$(folder "$1") files
    [[ -n $dir && -z $(entry "${other[$1]}") && $(entry "$1" DisplayVersion) == "$2" ]] ||
        fail "not one entry under $1 for $2: $(entry "$1" DisplayVersion), $(entry "${other[$1]}" DisplayVersion)" || return 1
    if [[ -n ${3:-} ]]; then files=$(sed 's|^|./|; $a ./uninstall.exe' "$windows/earlier-files.txt")
    else files=$(cd "$stage/files" && find . -type f; echo ./remove.exe; echo ./install.ini); fi
    diff <(cd "$dir" && find . -type f | sort) <(sort <<<"$files") >"$work/files.diff" ||
        fail "other files than $2's: $(grep '^[<>]' "$work/files.diff" | paste -sd' ')" || return 1
    [[ -f ${menu[$1]}/Corvane.lnk ]] && stored Characters 31 || fail "the menu entry or the presets are missing"
}
# uninstalled ROOT: uninstall.exe /S, without _?=, returns once the folder, the entry and the menu entry are
# gone; the presets stay.
uninstalled() {
    local dir=$(folder "$1")
    setup_ends 0 "$dir/uninstall.exe" /S && [[ ! -e $dir && -z $(entry "$1") && ! -e ${menu[$1]}/Corvane.lnk ]] &&
        stored Characters 31 || fail "the uninstall left files, its entry or its menu entry, or took the presets"
}
# works ROOT: the installed program starts, copies and closes.
works() { app=$(folder "$1")/corvane.exe launch && main_window && copied 5 31 && close_main && poll 30 ended; }
logged() { grep -q "$1" "${2:-$temp/Corvane-setup.log}" || fail "the log does not say '$1'"; }

# Installers of earlier releases, built from their own commits' scripts with the files a Qt 6.4 build
# shipped, each holding its name: the first, for administrators alone, and the last before this one. And
# this tree's at 0.9.0, with the files of this build, whose account check reads CORVANE_TEST_ACCOUNT.
first_release=64908f1 last_release=78af2e0 older=$work/older/setup.exe
version=$(strings -el "$setup" | grep -A1 -x ProductVersion | tail -n1)
old_setup() { # old_setup COMMIT: that commit's installer, built once; the new uninstaller removes what it installs
    [[ -f $work/$1.exe ]] && return
    sed "s|^|$work/fixture/|" "$windows/earlier-files.txt" | xargs -n1 install -D /dev/null &&
        printf 'SetOutPath "$INSTDIR"\nFile /r "%s/*"\n' "$work/fixture" >"$work/install.nsh" && : >"$work/uninstall.nsh" &&
        git -C "$here/../.." show "$1:packaging/windows/corvane.nsi" >"$work/$1.nsi" &&
        makensis -V1 -DVERSION=0.9.0 -DICON="$windows/../../resources/corvane.ico" -DOUTFILE="$work/$1.exe" \
            -DFILELIST="$work/install.nsh" -DUNFILELIST="$work/uninstall.nsh" "$work/$1.nsi" >/dev/null || fail "makensis: $1"
}
older_setup() {
    local defines=(-V1 '-XSetCompressor /FINAL zlib' -DVERSION=0.9.0 -DTEST_ACCOUNT -DICON="$windows/../../resources/corvane.ico"
        -DFILES="$stage/files.nsh")
    [[ -f $older ]] || { mkdir -p "$work/older" && makensis "${defines[@]}" -DOUTFILE="$work/older/remove.exe" "$windows/uninstall.nsi" &&
        makensis "${defines[@]}" -DUNINSTALLER="$work/older/remove.exe" -DOUTFILE="$older" "$windows/corvane.nsi"; } >/dev/null ||
        fail "makensis could not build the 0.9.0 setup"
}
# old MODE: an earlier release installed, for the user (the last one's /CurrentUser), the machine (its
# /AllUsers), or as the first release did.
old() {
    local commit=$last_release args=(/S /CurrentUser)
    [[ $1 == user ]] || args=(/S /AllUsers)
    [[ $1 != first ]] || commit=$first_release args=(/S)
    old_setup $commit && setup_ends 0 "$work/$commit.exe" "${args[@]}"
}

# Fresh installs: setup within 10 MB, its manifest asking for the highest rights the user has (a standard
# user's runs without a prompt); silently an administrator's goes to the machine, the user's writes nothing
# machine-wide; each mode refuses the other while installed, reinstalls and uninstalls.
scenario[installer]='clean; store Characters 31; (($(stat -c %s "$setup") <= 10000000));
    [[ $(strings "$setup") == *requestedExecutionLevel\ level=\"highestAvailable\"* ]]; before=$(machine_registry && machine_files);
    setup_ends 0 "$setup" /S /CurrentUser; diff <(echo "$before") <(machine_registry && machine_files);
    setup_ends 4 "$setup" /S /AllUsers; installed HKCU $version; works HKCU; setup_ends 0 "$setup" /S; installed HKCU $version; uninstalled HKCU;
    setup_ends 9 "$setup" /S "/D=C:\Corvane"; setup_ends 9 "$setup" /S "/D=C:\Program Files (x86)\Corvane";
    setup_ends 0 "$setup" /S; setup_ends 4 "$setup" /S /CurrentUser; installed HKLM $version; works HKLM;
    logged "exit code 0"; setup_ends 0 "$setup" /S /AllUsers; uninstalled HKLM'
# Wine stamps each key with the time it was last written, and enumerates the devices afresh in each session
# (display adapters, monitors, input devices, network cards; Wine 10 keeps them under ControlSet001):
# none of that is the installer's.
machine_files() { (cd "$WINEPREFIX/drive_c" && find "Program Files" "Program Files (x86)" ProgramData | sort); }
machine_registry() {
    timeout 60 wineserver -w
    awk '/^\[/ { sub(/\] [0-9]+$/, "]")
                 skip = /^\[System[\\]+(CurrentControlSet|ControlSet[0-9]+)[\\]+(Control[\\]+Class|Control[\\]+DeviceClasses|Enum)[\\]/ ||
                        /NetworkCards\]$/ }
         !skip && !/^#time=/' "$WINEPREFIX/system.reg"
}

# Each mode an earlier release installed, updated silently, with the mode's switch, and on setup's pages:
# one entry follows, naming this version, with this version's files alone; the log names them.
scenario[update]=updates
updates() {
    local mode way root args
    for mode in user machine first; do
        for way in silent switch gui; do
            root=HKLM args=(/S) && [[ $mode != user ]] || root=HKCU
            [[ $way != switch ]] || { [[ $root == HKLM ]] && args+=(/AllUsers) || args+=(/CurrentUser); }
            clean && store Characters 31 && old $mode && installed $root 0.9.0 old &&
                if [[ $way == gui ]]; then setup_ends 0 pages; else setup_ends 0 "$setup" "${args[@]}" &&
                    logged "written: .*corvane.exe" && logged "exit code 0"; fi && installed $root "$version" &&
                uninstalled $root || { fail "over the $mode install, $way: $why"; return 1; }
        done
    done
}
# With Corvane running, setup and the uninstaller refuse, silently and on the pages, and change nothing;
# Corvane keeps working. Once it has closed, setup succeeds; the uninstaller, with a file held open, says
# so and keeps the entry, then succeeds.
scenario[running]='clean; store Characters 31; setup_ends 0 "$setup" /S; snapshot; app="$machine/corvane.exe" launch;
    main_window; setup_ends 6 "$setup" /S; setup_ends 6 pages Escape; setup_ends 6 "$machine/uninstall.exe" /S "/LOG=C:\un.log";
    unchanged; logged "exit code 6" "$WINEPREFIX/drive_c/un.log"; copied 5 31; close_main; ends; setup_ends 0 "$setup" /S;
    held_open "$machine"; setup_ends 10 "$machine/uninstall.exe" /S; release; [[ -n $(entry HKLM) ]]; uninstalled HKLM'
# An update that fails partway: at a file held open (moving the old files aside), at a file that cannot be
# written (a folder in its place), at the entry (a key that refuses writes, as a locked-down desk's may) and
# at the shortcut (a folder in its place). The code says so, and the old version is as it was and still
# starts.
scenario[partway]='clean; store Characters 31; older_setup; setup_ends 0 "$older" /S /CurrentUser; held_open "$mine";
    snapshot; setup_ends 5 "$setup" /S "/LOG=C:\partway.log"; unchanged; release;
    logged "put back: .*Qt6Core.dll" "$WINEPREFIX/drive_c/partway.log"; logged "exit code 5" "$WINEPREFIX/drive_c/partway.log";
    rm "$mine/LICENSE.txt"; mkdir "$mine/LICENSE.txt"; snapshot; setup_ends 5 "$setup" /S; unchanged; rmdir "$mine/LICENSE.txt";
    wine "$build/denywrite.exe" "$uninstall_key"; snapshot; setup_ends 5 "$setup" /S; unchanged;
    wine "$build/denywrite.exe" "$uninstall_key" allow; rm "$my_menu/Corvane.lnk"; mkdir "$my_menu/Corvane.lnk"; snapshot;
    setup_ends 5 "$setup" /S; unchanged; rmdir "$my_menu/Corvane.lnk"; works HKCU'
# held_open DIR: a file of DIR's styles folder held open, as an antivirus scanner might.
held_open() { wine "$build/hold.exe" "$(winepath -w "$1/$(cd "$1" && find styles -type f | head -n1)")" 60000 & opener=$!; sleep 3; }
release() { kill $opener; timeout 60 wineserver -w; }
# Nothing from the install folder runs: neither an uninstall.exe planted beside an earlier release nor one
# in the folder this user's entry points at.
scenario[planted]='clean; store Characters 31; old machine; cp "$build/standin.exe" "$machine/uninstall.exe";
    setup_ends 0 "$setup" /S; installed HKLM $version; clean; mkdir -p "$planted"; cp "$build/standin.exe" "$planted/uninstall.exe";
    [[ ! -s $CORVANE_STANDIN_LOG ]]; reg add "HKCU\\$uninstall_key" /v InstallLocation /d "C:\planted" /f;
    setup_ends 0 "$setup" /S; [[ ! -s $CORVANE_STANDIN_LOG ]]'
# An older setup over a newer install is refused unless allowed; Windows before 10 1809 is refused.
scenario[downgrade]='clean; older_setup; setup_ends 0 "$setup" /S; snapshot; setup_ends 7 "$older" /S; unchanged;
    setup_ends 0 "$older" /S /AllowDowngrade; [[ $(entry HKLM DisplayVersion) == 0.9.0 ]]; wine winecfg -v win7;
    snapshot; setup_ends 8 "$setup" /S; unchanged; wine winecfg -v win10'
# A standard user (CORVANE_TEST_ACCOUNT=User): their own install, not everyone's; everyone's, in another
# spelling of its folder, is neither updated nor uninstalled by them, and the uninstaller still serves it.
scenario[accounts]='clean; store Characters 31; older_setup; CORVANE_TEST_ACCOUNT=User setup_ends 0 "$older" /S;
    installed HKCU 0.9.0; uninstalled HKCU; CORVANE_TEST_ACCOUNT=User setup_ends 3 "$older" /S /AllUsers;
    setup_ends 0 "$older" /S /AllUsers "/D=C:\Program Files\.\Corvane"; snapshot;
    CORVANE_TEST_ACCOUNT=User setup_ends 3 "$older" /S; CORVANE_TEST_ACCOUNT=User setup_ends 3 "$machine/uninstall.exe" /S;
    unchanged; uninstalled HKLM'
