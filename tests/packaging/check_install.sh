#!/usr/bin/env bash
# Checks what a desktop and a Debian reviewer see of an installed Corvane.
#   check_install.sh tree SOURCE_DIR BUILD_DIR   validate the desktop entry and metainfo, install into a
#                                                scratch prefix, check the layout
#   check_install.sh deb DEB...                  the packages built from the Debian source package (the
#                                                corvane .deb and any other of its build): the fields of
#                                                corvane's, its files only under /usr in the same layout
#                                                (scripts/debian/leg.sh runs lintian on them)
source "$(dirname "$0")/../lib.sh"
set -e

mode=${1:-}
app_id=example.corvane.Corvane
is_png() { [[ $(file -b "$1") == "PNG image data, $2 x $3,"* ]]; }

# check_layout PREFIX: the program and its help in a private folder, a relative link in bin/, and the
# files a desktop and a manual reader look for.
check_layout() {
    local p=$1 f size exec
    for f in lib/corvane/corvane share/doc/corvane/copyright share/doc/corvane/changelog.gz \
             share/man/man1/corvane.1.gz share/applications/$app_id.desktop; do
        [[ -f $p/$f ]] || fail "$f is not installed"
    done
    [[ $(readlink "$p/bin/corvane") == ../lib/corvane/corvane ]] || fail "bin/corvane is no relative link to the program"
    [[ $(file -b "$p/lib/corvane/corvane") == ELF* ]] || fail "lib/corvane/corvane is not an ELF program"
    [[ $(head -c 4 "$p/lib/corvane/Corvane.chm") == ITSF ]] || fail "lib/corvane/Corvane.chm is not a help file"
    exec=$(sed -n 's/^Exec=//p' "$p/share/applications/$app_id.desktop")
    [[ -x $p/bin/${exec%% *} ]] || fail "Exec=$exec names no installed program"
    for size in 16 24 32 48 256; do
        is_png "$p/share/icons/hicolor/${size}x$size/apps/$app_id.png" $size $size || fail "the ${size}px icon is wrong"
    done
    # validate-tree also pairs the metainfo with its desktop entry and icon.
    quiet appstreamcli validate-tree --no-net "$p" || fail "appstreamcli validate-tree rejects $p"
}

case $mode in
tree)
    src=$2 build=$3
    # Hints are advice; warnings and errors are faults.
    if ! out=$(desktop-file-validate "$src/packaging/$app_id.desktop" 2>&1) || grep -Eq ': (error|warning):' <<<"$out"; then
        echo "$out" >&2; fail "desktop-file-validate rejects the desktop entry"
    fi
    metainfo=$src/packaging/$app_id.metainfo.xml
    quiet appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli rejects $metainfo"
    read -r w h < <(sed -n 's/.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)".*/\1 \2/p' "$metainfo")
    is_png "$src/docs/screenshot.png" "$w" "$h" || fail "docs/screenshot.png is not the ${w}x$h the metainfo states"
    quiet cmake --install "$build" --prefix "$work/prefix" || fail "cmake --install failed"
    check_layout "$work/prefix"
    ;;
deb)
    (($# > 1)) || { echo "usage: $0 deb DEB..." >&2; exit 2; }
    upstream=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
    field() { dpkg-deb -f "$deb" "$1"; }
    for deb in "${@:2}"; do
        [[ $(field Package) == corvane ]] || continue
        [[ "$(field Version) $(field Section)" =~ ^${upstream//./\\.}-[0-9]+(~deb[0-9]+u[0-9]+)?\ utils$ ]] ||
            fail "Version and Section are $(field Version) $(field Section), not $upstream-REVISION utils"
        [[ $(field Recommends) == "xchm | kchmviewer, qt6-wayland" ]] || fail "Recommends is $(field Recommends)"
        for dep in libqt6widgets6 libsodium23 "fonts-liberation | fonts-dejavu-core"; do
            [[ ", $(field Depends)," == *", $dep"[' ,']* ]] || fail "Depends lacks $dep: $(field Depends)"
        done
        rm -rf "$work/root" && dpkg-deb -x "$deb" "$work/root"
        [[ $(ls "$work/root") == usr ]] || fail "files outside /usr: $(ls "$work/root")"
        check_layout "$work/root/usr"
        [[ -f $work/root/usr/share/doc/corvane/changelog.Debian.gz ]] || fail "the Debian change log is not installed"
        checked=1
    done
    [[ -n ${checked:-} ]] || fail "no corvane package among ${*:2}"
    ;;
*)
    echo "usage: $0 tree SOURCE_DIR BUILD_DIR | deb DEB..." >&2
    exit 2
    ;;
esac

passed "packaging $mode"
