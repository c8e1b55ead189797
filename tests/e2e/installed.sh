#!/usr/bin/env bash
# The program as installed, started through its link in bin/ on a private Xvfb at 150 % and 200 %: the
# window's size in device pixels, no caption cut off, its pictures drawn from their 2x art, no image
# plugin loaded, and (at 200 %) F1 opening the help through the real xdg-open in a CHM viewer.
#   installed.sh SOURCE_DIR BUILD_DIR [SCREENSHOT]   (SCREENSHOT: where to keep the window's picture)
#   installed.sh SOURCE_DIR --installed PREFIX         the program already installed there, e.g. by its package
set -uo pipefail
src=$1 prefix='' keep=${3:-}
[[ $2 == --installed ]] && prefix=$3 keep=${4:-}
work=$(mktemp -d) xvfb=''
trap '[[ -n $xvfb ]] && kill $xvfb; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
poll() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
type -P Xvfb xdotool import compare >/dev/null || { echo "Xvfb, xdotool or imagemagick is missing (scripts/install-deps.sh --test)"; exit 1; }

if [[ -z $prefix ]]; then
    prefix=$work/prefix
    cmake --install "$2" --prefix "$prefix" >/dev/null || exit 1
fi
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null & xvfb=$!
poll test -s "$work/display" || { echo "Xvfb did not start; skipped"; exit 77; }
export DISPLAY=":$(<"$work/display")" QT_QPA_PLATFORM=xcb HOME=$work XDG_CONFIG_HOME=$work
unset WAYLAND_DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP
found() { win=$(xdotool search --onlyvisible --name '^Corvane$' | head -n1); [[ -n $win ]]; }
gone() { ! kill -0 $app 2>/dev/null; }

source "$src/tests/e2e/checks.sh"

# Common laptop and desktop scalings, each through Qt's own scale factor as a desktop sets it.
for factor in 1.5 2; do
    QT_SCALE_FACTOR=$factor "$prefix/bin/corvane" 2>/dev/null & app=$!
    poll found || { fail "no Corvane window at $factor x"; continue; }
    sleep 0.5
    # 420 x 340 points, in device pixels.
    eval "$(xdotool getwindowgeometry --shell "$win")"
    echo "$factor x: the window is ${WIDTH}x$HEIGHT"
    [[ ${WIDTH}x$HEIGHT == $(in_pixels 420x340) ]] ||
        fail "at $factor x the window is ${WIDTH}x$HEIGHT, not $(in_pixels 420x340)"
    ! grep -q imageformats /proc/$app/maps ||
        fail "image plugins loaded: $(grep -o 'imageformats/.*' /proc/$app/maps | sort -u)"
    import -window "$win" "$work/shot.png"
    [[ -n $keep && $factor == 2 ]] && cp "$work/shot.png" "$keep"
    captions_whole "$work/shot.png" || fail "captions cut off at $factor x"
    pictures_sharp "$work/shot.png" || fail "at $factor x a picture is not drawn from its 2x art"
    [[ $factor == 2 ]] || { kill $app && poll gone; } # the last one stays for F1
done

# F1 hands the help file beside the real program, not beside the link, to the desktop's viewer.
if ! command -v xchm >/dev/null || ! command -v xdg-open >/dev/null; then
    echo "SKIP: xchm or xdg-utils cannot be installed; F1 is not checked"
else
    xdotool windowfocus --sync "$win" key F1
    viewer=''
    help_window() { viewer=$(xdotool search --onlyvisible --name 'Corvane Help' | head -n1); [[ -n $viewer ]]; }
    poll help_window || fail "F1 opened no window titled with the help's title"
    [[ -n $viewer ]] && { pid=$(xdotool getwindowpid "$viewer") && tr '\0' ' ' </proc/$pid/cmdline |
        grep -q "$prefix/lib/corvane/Corvane.chm" || fail "the viewer was not given lib/corvane/Corvane.chm"; }
fi
kill $app
((failures == 0)) && echo "installed program: all checks passed"
exit $((failures > 0))
