#!/usr/bin/env bash
# The program driven as a person would, on a private Xvfb with xdotool: one set of scenarios for the Linux
# program (x11.sh) and for corvane.exe under Wine (wine.sh), each platform's layer starting the program,
# reading the clipboard and the stored presets; a few scenarios belong to one platform only.
#   drive.sh x11 PROGRAM|BUILD_DIR [SCENARIO...]    (a build folder is installed into a scratch prefix first)
#   drive.sh wine BUILD_DIR [SCENARIO...]
# Without scenarios, the platform's default list runs. Exit 77 when no X server can be started.
# CORVANE_E2E_SHOTS=DIR keeps every screenshot whose texts were measured there, as SCENARIO-N.png.
here=$(cd "$(dirname "$0")" && pwd) platform=${1:?usage: drive.sh x11|wine PROGRAM [SCENARIO...]} target=${2:?}
source "$here/../lib.sh"
xvfb_pid='' app_pid='' why='' failed=0 factor=1 shots=0
cleanup() { :; }
on_exit='stop_app; cleanup; [[ -z $xvfb_pid ]] || kill $xvfb_pid'

fail() { why=$1; return 1; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
stop_app() { [[ -z $app_pid ]] || { kill "$app_pid"; poll 5 ended || kill -KILL "$app_pid"; } 2>/dev/null; app_pid=''; }

command -v Xvfb >/dev/null || { echo "Xvfb is not installed; end-to-end tests skipped"; exit 77; }
command -v xdotool >/dev/null || { echo "xdotool is missing (scripts/install-deps.sh --test)"; exit 1; }
# -noreset: a reset whenever the last client leaves would refuse the next program for a moment.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null & xvfb_pid=$!
poll 15 test -s "$work/display" || { echo "Xvfb did not start; end-to-end tests skipped"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID

xdo() { timeout 10 xdotool "$@"; }
# window NAME [BUT-ID]: the first visible window of that title, other than BUT-ID.
window() { xdo search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vx "${2:-none}" | head -n1; }
shown() { [[ -n $(window "$1") ]]; }
main_window() { poll 30 shown Corvane && main=$(window Corvane) && sleep 1 || fail "the main window did not appear"; }
# A message box is a second window named Corvane, in front of the main one.
message_box() { box=$(window Corvane "$main"); [[ -n $box ]]; }
click() { xdo mousemove --window "$main" "$1" "$2" click 1 && sleep 0.3; }
# press WINDOW KEYS...: Wine takes keys only for the window it thinks active, and a click makes it so;
# the middle of the top edge is free of controls in every window.
press() {
    eval "$(xdo getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH)=')"
    xdo mousemove $((X + WIDTH / 2)) $((Y + 30)) click 1 sleep 0.3 key "${@:2}"
}
# act SECONDS ACTION... -- CONDITION...: ACTION until CONDITION holds, three tries in all. A slow machine
# may lose keys sent before Wine has made a window active; every ACTION must be one that can be repeated.
act() {
    local seconds=$1 action=() try
    shift
    while [[ $1 != -- ]]; do action+=("$1"); shift; done
    shift
    for try in 1 2 3; do "${action[@]}"; poll "$seconds" "$@" && return 0; done
    echo "    after ${action[*]}, three times: $(xdo search --onlyvisible --name . getwindowname %@ 2>/dev/null | paste -sd,)"
    return 1
}
# Under X the program lives on after Alt+O while it holds the clipboard; a copy by another program ends it.
close_main() { act 10 press "$main" alt+o -- eval "! shown Corvane" || fail "Alt+O did not close the window"; }
gone() { ! xdo search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; }
dismiss() { act 5 press "$1" Return -- gone "$1"; }

# list_in FILE COUNT LENGTH: FILE holds COUNT different passwords of LENGTH printable ASCII characters, each
# ended by CR LF, and nothing else.
list_in() {
    [[ $(grep -cxP "[!-~]{$3}\r" "$1") == "$2" && $(wc -l <"$1") == "$2" && $(sort -u "$1" | wc -l) == "$2" ]]
}
# holds COUNT LENGTH: another program reads such a list from the clipboard.
holds() { clip_read "$work/clip" && list_in "$work/clip" "$@"; }
copied() { clip_clear; act 3 eval 'click 264 322 && click 49 322' -- holds "$@" || fail "copied: $(od -c "$work/clip" | head -n 4)"; }

# Where each window draws text, in points inside its client area: the inner part of fields and buttons, the
# caption beside each check box, the first entry of the list.
main_texts=(Label4=87,19,246,22 Label2=144,64,137,17 txtChars=235,99,32,14 Label1=296,99,91,13
    txtNumOf=235,131,32,14 Label3=296,131,111,13 lstPass=17,226,200,15 cmdSave=18,315,62,15
    cmdSaveIt=125,315,62,15 cmdGen=233,315,62,15 cmdClose=341,315,62,15)
for i in 0 1 2 3 4; do main_texts+=("chkOpt($i)=34,$((96 + 24 * i)),170,17"); done
about_texts=(lblTitle=104,16,187,16 lblVersion=104,40,155,15 lblDescription=112,64,253,59
    lblDisclaimer=16,176,258,79 Command1=108,139,145,17 Command2=292,139,75,17 Command3=290,188,75,17
    Command4=290,235,75,17)
warn_texts=(Label1=64,24,212,16 Label2=16,64,281,41 Label3=16,120,281,57 cmdOk=244,174,52,17)
# The whole room of each caption of the main window; the second box's ends where txtNumOf, which overlaps
# it, begins.
captions=(Label2=144,64,137,17 Label1=296,99,91,13 Label3=296,131,111,13 cmdSave=17,313,64,19
    cmdSaveIt=124,313,64,19 cmdGen=232,313,64,19 cmdClose=340,313,64,19)
box_widths=(193 218 201 225 233)
for i in 0 1 2 3 4; do captions+=("chkOpt($i)=14,$((96 + 24 * i)),${box_widths[i]},17"); done
# Each picture of the main window where no text lies on it: the banner at its two ends, beside the title
# text, with the padlock and the shield; the help and About pictures.
declare -A picture_place=([banner-left]=85x56+0+0 [banner-right]=85x56+335+0 [help]=48x48+256+160 [about]=48x48+336+160)

# in_pixels TEXT: every number of TEXT times $factor, rounded as Qt rounds.
in_pixels() { factor=$factor perl -pe 's/(\d+)/int($1 * $ENV{factor} + 0.5)/ge' <<<"$1"; }
# readable WINDOW-ID CLIENT-WxH NAME=X,Y,W,H...: each text stands out from its background by 4.5:1 or more.
# Places are in the client area, which Wine, with no window manager to ask, frames itself for dialogs: a
# border around it and a title bar above.
readable() {
    import -window "$1" "$work/shot.png" || return 1
    [[ -z ${CORVANE_E2E_SHOTS:-} ]] || cp "$work/shot.png" "$CORVANE_E2E_SHOTS/$name-$((shots += 1)).png"
    local width height frame top entry x y w h places=()
    read -r width height < <(identify -format '%w %h' "$work/shot.png")
    frame=$(((width - ${2%x*}) / 2)) && top=$((height - ${2#*x} - frame))
    for entry in "${@:3}"; do
        IFS=, read -r x y w h <<<"${entry#*=}"
        places+=("${entry%%=*}=$((x + frame)),$((y + top)),$w,$h")
    done
    python3 "$here/contrast.py" "$work/shot.png" "${places[@]}" >"$work/contrast" ||
        fail "text too faint: $(grep -v ' ok$' "$work/contrast" | paste -sd';')"
}
# captions_whole SHOT: at $factor no caption of the main window reaches the edge of its room.
captions_whole() {
    local rooms=() caption
    for caption in "${captions[@]}"; do rooms+=("${caption%%=*}=$(in_pixels "${caption#*=}")"); done
    python3 "$here/contrast.py" --whole "$1" "${rooms[@]}" >"$work/whole" ||
        fail "at $factor x a caption is cut off: $(grep -v 'whole$' "$work/whole" | paste -sd';')"
}
# pictures_sharp SHOT: at $factor each picture matches its 2x art closely, and clearly better than its 1x
# art enlarged, which is what an unsharp window would show. At 125 % Qt's smooth scaling and ImageMagick's
# filter part by up to 0.02 and the two references lie close (2x art 0.013 off, 1x art 0.025 on the banner),
# so "closely" is below 0.03 and "clearly" a third less error; at 150 % and 200 % the margin is 3x or more.
pictures_sharp() {
    local part scale sharp blurred
    for part in banner-left banner-right help about; do
        convert "$1" -crop "$(in_pixels "${picture_place[$part]}")" +repage "$work/$part.png"
        for scale in 1x 2x; do picture_art "$1" $scale $part "$work/$part-$scale.png"; done
        sharp=$(rmse "$work/$part.png" "$work/$part-2x.png") blurred=$(rmse "$work/$part.png" "$work/$part-1x.png")
        awk -v s="$sharp" -v b="$blurred" 'BEGIN { exit !(s < 0.03 && 1.5 * s < b) }' ||
            fail "at $factor x $part is off its 2x art by $sharp, its 1x art enlarged by $blurred" || return 1
    done
}
picture_art() { # picture_art SHOT SCALE PART OUT: PART's place drawn from the SCALE art, in device pixels
    # Scaled by the exact factor: 2x art at 125 % is 62.5 % of its size, not a rounded 63 %.
    local r=$here/../../resources s='' up=$(awk -v f="$factor" 'BEGIN { print f * 100 }')%
    [[ $2 == 2x ]] && s=@2x up=$(awk -v f="$factor" 'BEGIN { print f * 50 }')%
    case $3 in
    banner*) convert \( "$r/banner$s.png" -resize $up \) \( "$r/title-left$s.png" -resize $up \) \
                -geometry "$(in_pixels +16+8)" -composite \( "$r/title-right$s.png" -resize $up \) \
                -geometry "$(in_pixels +353+8)" -composite -crop "$(in_pixels "${picture_place[$3]}")" "$4" ;;
    *) convert -size "$(in_pixels 48x48)" "xc:$(convert "$1" -format "%[pixel:p{$(in_pixels 250,155)}]" info:)" \
               \( "$r/$3$s.png" -resize $up \) -composite "$4" ;;
    esac
}
rmse() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed 's/.*(\(.*\))/\1/'; }

# Steps of the scenarios, besides the layer's: each succeeds, or fails and may say why in $why.
appears() { poll 30 shown "$1"; }
hidden() { ! shown "$1"; }
ends() { poll "${1:-30}" ended; }
secret() { clip_secret || fail "the copy is not marked secret for clipboard managers"; }
icon() { [[ $(xprop -id "$main" _NET_WM_ICON) == *"Icon ("* ]] || fail "the window has no icon: the pictures are missing"; }
keep_copy() { cp "$work/clip" "$work/copy"; }
# keys KEY...: typed into the window that has the focus; keys_to WINDOW KEY...: the window given the focus
# first, the way a desktop gives it, without a click. With no window manager a window that closes leaves
# X's focus with nobody; Wine hands it on as Windows does, and asked again to focus the window it made
# active, it stays.
keys() { sleep 0.3 && xdo key --delay 100 "$@" && sleep 0.5; }
keys_to() { xdo windowfocus --sync "$1" && keys "${@:2}"; }
# mouse_kept: the mouse is where the scenario's first call found it, at $mouse; else it fails, saying where.
mouse_kept() { local p; p=$(xdo getmouselocation | cut -d' ' -f1-2); [[ $p == "${mouse:=$p}" ]] || fail "to $p"; }
copy_kept() { clip_read "$work/clip" && cmp "$work/copy" "$work/clip" >"$work/cmp" || fail "$(<"$work/cmp"): $(head -c 80 "$work/clip")"; }
opened() { grep -qiE "$1" "$(opened_log)" || fail "the shell was asked for: $(paste -sd' ' "$(opened_log)")"; }
type_length() { xdo mousemove --window "$main" 260 106 click 1 sleep 0.3 key ctrl+a type "$1"; }
# readable_in NAME|ID WIDTHxHEIGHT TABLE: a window's texts readable, the table one of those above.
readable_in() {
    local id=$1 table="$3[@]"
    [[ $id =~ ^[0-9]+$ ]] || id=$(window "$1")
    sleep 1 && readable "$id" "$2" "${!table}"
}
readable_box() {
    eval "$(xdo getwindowgeometry --shell "$box" | grep -E '^(WIDTH|HEIGHT)=')"
    sleep 1 && readable "$box" "${WIDTH}x$HEIGHT" "message=8,8,$((WIDTH - 16)),$((HEIGHT / 2 - 8))"
}
# At each of the platform's display scalings: the window's size in device pixels, no caption cut off, the
# pictures drawn from their 2x art.
scaled() {
    for factor in "${scale_factors[@]}"; do
        fresh && scale "$factor" && main_window || return 1
        eval "$(xdo getwindowgeometry --shell "$main" | grep -E '^(WIDTH|HEIGHT)=')"
        [[ ${WIDTH}x$HEIGHT == $(in_pixels 420x340) ]] || fail "at $factor x the window is ${WIDTH}x$HEIGHT" || return 1
        import -window "$main" "$work/scaled.png" && captions_whole "$work/scaled.png" &&
            pictures_sharp "$work/scaled.png" && scaled_extra && close_main || return 1
    done
    factor=1
}

# Every window's texts readable: the warning at start (extended characters stored), the main window with a
# list, the About window and a message box.
every_text='appears Warning; readable_in Warning 312x199 warn_texts; dismiss "$(window Warning)"; main_window;
    click 264 322; readable_in $main 420x340 main_texts; act 10 click 360 184 -- shown "About Corvane";
    readable_in "About Corvane" 382x266 about_texts; act 10 press "$(window "About Corvane")" alt+e -- hidden "About Corvane";
    act 10 eval "type_length 3 && press \$main alt+g" -- message_box; readable_box'

# The scenarios, one text for both platforms: steps separated by ";", run in turn up to the first that
# fails. The layer gives fresh (a new user's presets), launch [VAR=VALUE...], store and stored KEY VALUE,
# clip_read FILE, clip_clear, clip_secret, opened_log (what the shell was asked to open or start, one per
# line), help_opened and sysinfo_opened (patterns for it), sysinfo_stub (a system-information tool to be
# started), dark_launch (under the desktop's dark colours, with Qt asked to follow them), scale FACTOR
# (launched at that display scaling), scaled_extra, program_log, kept_steps (what follows a copy kept past
# Close) and its own scenarios.
declare -A scenario
source "$here/$platform.sh" || exit 2
# Keys only, and the mouse never moves. The window has its icon (the pictures were loaded). Tab goes round
# the main window in its order, and each control is used where Tab finds it: the length up (from 30, a
# damaged stored length), the count down, the first class unticked, the extended one
# ticked (the warning, closed by Enter) and unticked, Generate and Copy (read back, marked secret), past the
# list the help picture, the About picture; in About, System Info one step back from the word-mark, and
# Escape. Alt+O closes, the choices are stored, and the copy stays on the clipboard (kept_steps). The list's
# own copy keys are the unit test's.
scenario[keyboard]='fresh; store Characters 12abc; sysinfo_stub; launch; main_window; icon; mouse_kept;
    keys_to $main Tab Up Tab Tab Down Tab space; keys_to $main Tab Tab Tab Tab space; appears Warning; keys Return;
    poll 5 hidden Warning; keys_to $main space Tab Return; clip_clear; keys Tab Tab Return; holds 4 31; secret;
    keep_copy; keys Tab Tab Tab Return;
    opened "$help_opened"; keys Tab Return; appears "About Corvane"; keys shift+Tab space; opened "$sysinfo_opened";
    keys Escape; hidden "About Corvane"; keys_to $main alt+o; poll 10 hidden Corvane; stored Characters 31;
    stored NumberOf 4; stored Numbers 0; stored Extended 0; stored Warn 1; mouse_kept'"; ${keyboard_kept-$kept_steps}"
# After Alt+O the copy stays on the clipboard, still marked secret: kept_steps.
scenario[copy_kept]="fresh; launch; main_window; copied 5 30; keep_copy; close_main; $kept_steps"
# Under the desktop's dark colours, every text readable.
scenario[dark]="fresh; store Extended 1; dark_launch; $every_text"
scenario[scaled]='scaled'

(($# > 2)) && scenarios=("${@:3}")
for name in "${scenarios[@]}"; do
    [[ -n ${scenario[$name]:-} ]] || { echo "FAIL $name: no such scenario"; failed=$((failed + 1)); continue; }
    IFS=';' read -ra steps <<<"${scenario[$name]//$'\n'/ }"
    passed=1
    for step in "${steps[@]}"; do why='' && eval "$step" || { passed=0 && break; }; done
    if ((passed)); then echo "PASS $name"; else
        echo "FAIL $name at${step}${why:+: $why}"; failed=$((failed + 1)); program_log
    fi
    stop_app
done
((failed == 0))
