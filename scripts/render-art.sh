#!/bin/sh
# Redraws every picture Corvane ships from the drawings in resources/art/.
#
# The rendered files are kept in the repository so that building the program
# needs no renderer; run this after changing a drawing and commit the results.
# Running it twice in a row produces byte-identical files.
#
# Needs: rsvg-convert (librsvg2-bin), convert (imagemagick), icotool
# (icoutils) and the DejaVu Sans Bold font (fonts-dejavu-core) for the
# maker's word-mark.
#
# Outputs:
#   resources/banner.png, title-left.png, title-right.png, help.png,
#   about.png, key48.png, warning.png, wordmark.png  (each with an @2x twin)
#   resources/cursor101.png, cursor101.cur   pointing hand, hot spot 6,0
#   resources/corvane.ico                    16/24/32/48 px, 8 and 32 bpp each
#   resources/corvane.png, corvane.svg       256 px and scalable program icon
#   packaging/icons/hicolor/*/apps/corvane.{png,svg}

set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
art="$root/resources/art"
res="$root/resources"
hicolor="$root/packaging/icons/hicolor"

for tool in rsvg-convert convert icotool; do
    command -v "$tool" >/dev/null 2>&1 ||
        { echo "render-art: '$tool' is missing; install librsvg2-bin, imagemagick and icoutils" >&2; exit 1; }
done

# rsvg-convert quietly substitutes another face when the named one is
# absent, which would change the word-mark without any warning.
if command -v fc-match >/dev/null 2>&1; then
    case $(fc-match -f '%{file}' 'DejaVu Sans:bold') in
        *DejaVuSans-Bold.ttf) ;;
        *) echo "render-art: DejaVu Sans Bold not found (install fonts-dejavu-core)" >&2; exit 1 ;;
    esac
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# render SOURCE WIDTH HEIGHT OUTPUT
render() {
    rsvg-convert --width "$2" --height "$3" --output "$4" "$art/$1"
}

# twins SOURCE NAME [WIDTH HEIGHT]: a picture (48 px by default) and its twin of twice the size for 200%
# screens. rsvg-convert scales to exactly the size asked, so the layout gets the room it plans for.
twins() {
    render "$1.svg" "${3:-48}" "${4:-48}" "$res/$2.png"
    render "$1.svg" $((${3:-48} * 2)) $((${4:-48} * 2)) "$res/$2@2x.png"
}

# --- Banner across the top of the main window -------------------------------
# PNG, which Qt reads without an image plugin; no time chunks, so a redraw changes no bytes.
for scale in 1 2; do
    w=$((426 * scale)); h=$((56 * scale))
    suffix=""; [ "$scale" = 2 ] && suffix="@2x"
    render banner.svg "$w" "$h" "$work/banner.png"
    convert "$work/banner.png" -alpha off -strip -define png:exclude-chunks=date,time \
        "$res/banner$suffix.png"
done

# --- 48 px pictures ---------------------------------------------------------
for picture in title-left title-right help about warning; do twins $picture $picture; done
twins key key48

# --- Maker's word-mark ------------------------------------------------------
twins wordmark wordmark 67 143

# --- Pointing-hand cursor ---------------------------------------------------
render cursor101.svg 32 32 "$res/cursor101.png"
# A cursor may hold only opaque black, opaque white and full transparency.
stray=$(convert "$res/cursor101.png" -format %c histogram:info:- |
        grep -v -e '#000000FF' -e '#FFFFFFFF' -e '#[0-9A-F]\{6\}00 ' || true)
[ -z "$stray" ] ||
    { printf 'render-art: cursor101.png has colours other than black, white and clear:\n%s\n' "$stray" >&2; exit 1; }
hot=$(convert "$res/cursor101.png" -format '%[pixel:p{6,0}]' info:)
case $hot in
    black|'srgba(0,0,0,1)'|'rgba(0,0,0,1)') ;;
    *) echo "render-art: the hot spot (6,0) of cursor101.png is $hot, not black" >&2; exit 1 ;;
esac
# icotool stores pure black-and-white art at one bit per pixel with a
# transparency mask, the classic monochrome cursor layout.
icotool --create --cursor --hotspot-x=6 --hotspot-y=0 \
    --output="$res/cursor101.cur" "$res/cursor101.png"

# --- Program icon -----------------------------------------------------------
# 16 px has its own pixel drawing; the larger sizes come from the full key.
key_png() { # key_png SIZE OUTPUT
    if [ "$1" = 16 ]; then render key-16.svg 16 16 "$2"; else render key.svg "$1" "$1" "$2"; fi
}

ico_args=""
for size in 16 24 32 48; do
    key_png "$size" "$work/key$size-32.png"
    # The 8-bit copy: transparency becomes on/off at half opacity, then the
    # colours are reduced (without dithering, which only adds speckle at
    # these sizes) to fit a 256-entry palette.
    convert "$work/key$size-32.png" -channel A -threshold 50% +channel \
        +dither -colors 255 -strip "PNG8:$work/key$size-8.png"
    ico_args="$ico_args --bit-depth=8 $work/key$size-8.png --bit-depth=32 $work/key$size-32.png"
done
# shellcheck disable=SC2086 # ico_args is deliberately a word list (no spaces in $work)
icotool --create --output="$res/corvane.ico" $ico_args

key_png 256 "$res/corvane.png"
cp "$art/key.svg" "$res/corvane.svg"

for size in 16 24 32 48 256; do
    mkdir -p "$hicolor/${size}x$size/apps"
    key_png "$size" "$hicolor/${size}x$size/apps/corvane.png"
done
mkdir -p "$hicolor/scalable/apps"
cp "$art/key.svg" "$hicolor/scalable/apps/corvane.svg"

echo "render-art: all pictures regenerated"
