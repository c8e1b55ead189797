# The Linux program on X, for drive.sh: a fresh home for each scenario, whose bin holds an xdg-open that
# notes what the program asks it to open; the clipboard through xclip; the presets in the home's Corvane.ini.
export QT_QPA_PLATFORM=xcb
if [[ -d $target ]]; then
    cmake --install "$target" --prefix "$work/prefix" >/dev/null || exit 1
    target=$work/prefix/bin/corvane
fi
app=$target
scenarios=(saved keyboard accessibility dark private_memory)
# X has no clipboard of its own: the program lives on after Close to serve the copy, lets a second start run
# normally, and ends once another program takes the clipboard.
kept_steps='copy_kept; secret; keeper=$app_pid; launch; main_window; close_main; ends 10; app_pid=$keeper; copy_kept;
    printf other | timeout 5 xclip -i -selection clipboard 2>/dev/null; ends 2'
scale_factors=(1.5 2)
# The help beside the program itself, not beside a link to it.
help_opened="^file://$(dirname "$(readlink -f "$app")")/Corvane\\.chm\$"
homes=0
# needs PROGRAM|FILE...: each is on PATH or there, else the step fails naming it.
needs() { local f; for f; do [[ -e $f ]] || command -v "$f" >/dev/null || fail "$f is missing (install-deps.sh --test)" || return; done; }
fresh() {
    homes=$((homes + 1)) && home=$work/home$homes && ini=$home/config/Corvane.ini
    mkdir -p "$home/config" "$home/bin" && : >"$home/opened"
    printf '#!/bin/sh\necho "$@" >>"%s/opened"\n' "$home" >"$home/bin/xdg-open" && chmod +x "$home/bin/xdg-open"
}
launch() { env HOME="$home" XDG_CONFIG_HOME="$home/config" PATH="$home/bin:$PATH" "$@" "$app" >>"$home/log" 2>&1 & app_pid=$!; }
program_log() { sed 's/^/    program: /' "$home/log" 2>/dev/null; }
store() { [[ -f $ini ]] || echo '[Presets]' >"$ini"; sed -i "/^$1=/d; /^\[Presets\]/a $1=$2" "$ini"; }
stored() { grep -qx "$1=$2" "$ini"; }
clip_read() { timeout 5 xclip -o -selection clipboard >"$1"; }
# xclip -i stays behind to serve what it put there; when the X server ends it says its connection broke,
# and under autopkgtest any word on stderr fails the test.
clip_clear() { printf 'cleared' | timeout 5 xclip -i -selection clipboard 2>/dev/null; }
clip_secret() { [[ $(timeout 5 xclip -o -selection clipboard -t x-kde-passwordManagerHint) == secret ]]; }
opened_log() { echo "$home/opened"; }
# System-information tools on PATH: the first preferred one must start, not one found after it.
sysinfo_stub() { for t in xfce4-taskmanager hardinfo hardinfo2; do
    printf '#!/bin/sh\necho %s >>"%s/opened"\n' $t "$home" >"$home/bin/$t" && chmod +x "$home/bin/$t"; done; }
sysinfo_opened='^hardinfo2$'
dark_launch() {
    local scheme=/usr/share/qt6ct/colors/darker.conf
    needs "$scheme" || return 1
    mkdir -p "$home/config/qt6ct" && printf '[Appearance]\ncolor_scheme_path=%s\ncustom_palette=true\nstyle=Fusion\n' \
        "$scheme" >"$home/config/qt6ct/qt6ct.conf"
    launch QT_QPA_PLATFORMTHEME=qt6ct "$loads" && poll 30 shown Warning &&
        { loaded libqt6ct >/dev/null || fail "the qt6ct theme was not loaded"; }
}
# Which libraries Qt loaded, from its own log: a non-dumpable program's memory map is closed to its user.
loads=QT_LOGGING_RULES=qt.core.library.debug=true
loaded() { grep -E "$1[^\"]*\" loaded library" "$home/log"; }
# Through Qt's own scale factor, as a desktop sets it; no image plugin may be needed for the pictures.
scale() { launch QT_SCALE_FACTOR="$1" "$loads"; }
scaled_extra() {
    loaded 'libqxcb' >/dev/null || fail "Qt's library log is missing: cannot tell which plugins were loaded"
    ! loaded imageformats >/dev/null || fail "image plugins loaded: $(loaded imageformats | sort -u)"
}

# Save: a name typed into the system's file dialog, which adds .txt (what a saved file holds, and who may
# read it, the unit test shows).
scenario[saved]='fresh; launch; main_window; click 264 322; act 10 press $main alt+s -- shown "Save Passwords";
    act 10 save_as "$home/passwords" -- test -f "$home/passwords.txt"'
# Return within the same xdotool call as the typing is lost: a call of its own for each.
save_as() { xdo windowfocus "$(window "Save Passwords")" && xdo key ctrl+a && xdo type "$1" && xdo key Return; }

# Another process of the same user cannot read the program's memory or environment (as root, both run as
# nobody).
scenario[private_memory]=private_memory
private_memory() {
    local as_user=()
    fresh || return 1
    if ((EUID == 0)); then
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
        chmod 755 "$work" && chown -R nobody:nogroup "$home"
    fi
    launch "${as_user[@]}" && main_window || return 1
    ! "${as_user[@]}" dd if="/proc/$app_pid/mem" of=/dev/null bs=1 count=0 2>/dev/null ||
        fail "another process of the same user can open /proc/PID/mem" || return 1
    ! "${as_user[@]}" cat "/proc/$app_pid/environ" >/dev/null 2>&1 ||
        fail "another process of the same user can read /proc/PID/environ"
}
# The installed program's F1 through the real xdg-open: a CHM viewer is given the help beside the program.
scenario[viewer]=viewer
viewer() {
    needs xchm xdg-open || return 1
    fresh && rm "$home/bin/xdg-open" && launch && main_window && press "$main" F1 || return 1
    poll 10 eval 'viewer=$(xdo search --onlyvisible --name "Corvane Help" | head -n1) && [[ -n $viewer ]]' ||
        fail "F1 opened no window titled with the help's title" || return 1
    tr '\0' ' ' <"/proc/$(xdo getwindowpid "$viewer")/cmdline" | grep -qF "$(dirname "$(readlink -f "$app")")/Corvane.chm" ||
        fail "the viewer was not given the help beside the program"
}

# What a screen reader reads and hears (a11y.py), on a session bus of its own, as a desktop with one running
# has: Qt then speaks AT-SPI.
scenario[accessibility]='fresh; store Extended 1; needs dbus-launch; eval "$(dbus-launch --sh-syntax)"; bus_pid=$DBUS_SESSION_BUS_PID;
    /usr/bin/python3 "$here/a11y.py" "$work/listening" &>"$work/at" & at_pid=$!; poll 30 test -e "$work/listening";
    launch QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1; wait $at_pid || fail "$(<"$work/at")"'
cleanup() { [[ -z ${bus_pid:-} ]] || kill "$bus_pid"; }
