#!/usr/bin/env bash
# The program as installed, started through its link in bin/ on a private Xvfb at twice the pixel
# density: the window's size in device pixels, its pictures drawn from their 2x art, no image plugin
# loaded, and F1 opening the help through the real xdg-open in a CHM viewer.
#   installed.sh SOURCE_DIR BUILD_DIR [SCREENSHOT]   (SCREENSHOT: where to keep the window's picture)
set -uo pipefail
src=$1 build=$2 keep=${3:-}
work=$(mktemp -d) xvfb=''
trap '[[ -n $xvfb ]] && kill $xvfb; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
poll() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
type -P Xvfb xdotool import compare >/dev/null || { echo "Xvfb, xdotool or imagemagick is missing (scripts/install-deps.sh --test)"; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null || exit 1
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null & xvfb=$!
poll test -s "$work/display" || { echo "Xvfb did not start; skipped"; exit 77; }
export DISPLAY=":$(<"$work/display")" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 HOME=$work XDG_CONFIG_HOME=$work
unset WAYLAND_DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP
"$work/prefix/bin/corvane" 2>/dev/null & app=$!
found() { win=$(xdotool search --onlyvisible --name '^Corvane$' | head -n1); [[ -n $win ]]; }
poll found || { echo "FAIL: no Corvane window"; exit 1; }
sleep 0.5

# The window at 2x: 420 x 340 points are 840 x 680 device pixels.
eval "$(xdotool getwindowgeometry --shell "$win")"
[[ ${WIDTH}x$HEIGHT == 840x680 ]] || fail "the window is ${WIDTH}x$HEIGHT device pixels, not 840x680"
! grep -q imageformats /proc/$app/maps || fail "image plugins loaded: $(grep -o 'imageformats/.*' /proc/$app/maps | sort -u)"

# Each picture's place in the screenshot against the art drawn there: the 2x art must match it
# closely, and better than the 1x art enlarged, which is what an unsharp window would show. The
# banner is seen at its two ends, beside the title text, with the padlock and the shield.
declare -A place=([banner-left]=170x112+0+0 [banner-right]=170x112+670+0 [help]=96x96+512+320 [about]=96x96+672+320)
import -window "$win" "$work/shot.png"
[[ -n $keep ]] && cp "$work/shot.png" "$keep"
art() { # art SCALE PART OUT: the picture at PART's place drawn from the SCALE art, in device pixels
    local r=$src/resources s='' up=200%
    [[ $1 == 2x ]] && s=@2x up=100%
    case $2 in
    banner*) convert \( "$r/banner$s.png" -scale $up \) \( "$r/title-left$s.png" -scale $up \) -geometry +32+16 \
                -composite \( "$r/title-right$s.png" -scale $up \) -geometry +706+16 -composite -crop "${place[$2]}" "$3" ;;
    *) convert -size 96x96 "xc:$(convert "$work/shot.png" -format '%[pixel:p{500,310}]' info:)" \
               \( "$r/$2$s.png" -scale $up \) -composite "$3" ;;
    esac
}
error() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed 's/.*(\(.*\))/\1/'; }
for part in banner-left banner-right help about; do
    convert "$work/shot.png" -crop "${place[$part]}" +repage "$work/$part.png"
    for scale in 1x 2x; do art $scale $part "$work/$part-$scale.png"; done
    sharp=$(error "$work/$part.png" "$work/$part-2x.png") blurred=$(error "$work/$part.png" "$work/$part-1x.png")
    echo "$part: error against 2x art $sharp, against 1x art enlarged $blurred"
    awk -v s="$sharp" -v b="$blurred" 'BEGIN { exit !(s < 0.02 && 2 * s < b) }' ||
        fail "$part is not drawn from its 2x art (error $sharp; 1x art enlarged: $blurred)"
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
        grep -q "$work/prefix/lib/corvane/Corvane.chm" || fail "the viewer was not given lib/corvane/Corvane.chm"; }
fi
kill $app
((failures == 0)) && echo "installed program: all checks passed"
exit $((failures > 0))
