#!/usr/bin/env bash
# Checks what a desktop sees of an installed Corvane.
#   check_install.sh tree SOURCE_DIR BUILD_DIR          validate the desktop entry and metainfo,
#                                                       install into a scratch prefix, check the layout
#   check_install.sh deb  SOURCE_DIR BUILD_DIR VERSION  build the .deb with cpack, check its fields,
#                                                       unpack it and check the same layout under /usr
set -euo pipefail

mode=$1 src=$2 build=$3
app_id=example.corvane.Corvane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# desktop_key FILE KEY: the value of KEY in the [Desktop Entry] group.
desktop_key() { sed -n "s/^$2=//p" "$1" | head -n 1; }

# check_layout PREFIX: the files a desktop needs, where it looks for them, with the right content.
check_layout() {
    local prefix=$1
    local desktop=$prefix/share/applications/$app_id.desktop
    local metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
    local f
    for f in bin/corvane bin/Corvane.chm "${desktop#"$prefix"/}" "${metainfo#"$prefix"/}" \
             share/doc/corvane/copyright; do
        [[ -f $prefix/$f ]] || fail "$f is not installed"
    done
    [[ -x $prefix/bin/corvane ]] || fail "bin/corvane is not executable"
    [[ $(file -b "$prefix/bin/corvane") == ELF* ]] || fail "bin/corvane is not an ELF program"
    [[ $(head -c 4 "$prefix/bin/Corvane.chm" 2>/dev/null) == ITSF ]] ||
        fail "bin/Corvane.chm is not a compiled help file"
    [[ -f $desktop ]] || return 0

    local exec icon
    exec=$(desktop_key "$desktop" Exec)
    [[ -x $prefix/bin/${exec%% *} ]] || fail "Exec=$exec names no installed program"
    icon=$(desktop_key "$desktop" Icon)
    [[ -n $icon ]] || fail "the desktop entry names no icon"
    python3 - "$prefix/share/icons/hicolor" "$icon" <<'PY' || fail "hicolor icons are wrong"
import struct, sys, xml.etree.ElementTree as ET
from pathlib import Path
root, name = Path(sys.argv[1]), sys.argv[2]
bad = False
for size in (16, 24, 32, 48, 256):
    png = root / f"{size}x{size}" / "apps" / f"{name}.png"
    if not png.is_file():
        print(f"missing {png}"); bad = True; continue
    head = png.read_bytes()[:24]
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        print(f"{png} is not a PNG"); bad = True; continue
    w, h = struct.unpack(">II", head[16:24])
    if (w, h) != (size, size):
        print(f"{png} is {w}x{h}, its folder says {size}x{size}"); bad = True
svg = root / "scalable" / "apps" / f"{name}.svg"
try:
    if not ET.parse(svg).getroot().tag.endswith("svg"):
        print(f"{svg} is not an SVG drawing"); bad = True
except (OSError, ET.ParseError) as e:
    print(f"{svg}: {e}"); bad = True
sys.exit(bad)
PY
    # validate-tree also pairs the metainfo with its desktop entry and icon.
    appstreamcli validate-tree --no-net "$prefix" >"$work/tree.log" 2>&1 ||
        { cat "$work/tree.log" >&2; fail "appstreamcli validate-tree rejects $prefix"; }
}

case $mode in
tree)
    desktop=$src/packaging/$app_id.desktop
    metainfo=$src/packaging/$app_id.metainfo.xml
    # Hints are advice; warnings and errors are faults.
    if ! out=$(desktop-file-validate "$desktop" 2>&1) || grep -Eq ': (error|warning):' <<<"$out"; then
        echo "$out" >&2; fail "desktop-file-validate rejects $desktop"
    fi
    appstreamcli validate --no-net --pedantic "$metainfo" >"$work/validate.log" 2>&1 ||
        { cat "$work/validate.log" >&2; fail "appstreamcli rejects $metainfo"; }

    python3 - "$metainfo" "$app_id" "$src/docs" <<'PY' || fail "metainfo does not match the repository"
import struct, sys, xml.etree.ElementTree as ET
from pathlib import Path
path, app_id, docs = sys.argv[1], sys.argv[2], Path(sys.argv[3])
c = ET.parse(path).getroot()
bad = False
def check(ok, msg):
    global bad
    if not ok:
        print(msg); bad = True
check(c.findtext("id") == app_id, f"id is {c.findtext('id')!r}, the file name says {app_id!r}")
check(c.findtext("launchable[@type='desktop-id']") == f"{app_id}.desktop", "launchable names another desktop entry")
# The published screenshot is docs/<name>; its stated size must match the file.
for img in c.iterfind("screenshots/screenshot/image"):
    shot = docs / img.text.rsplit("/", 1)[-1]
    if not shot.is_file():
        check(False, f"{shot} is missing"); continue
    w, h = struct.unpack(">II", shot.read_bytes()[16:24])
    check((str(w), str(h)) == (img.get("width"), img.get("height")),
          f"{shot.name} is {w}x{h}, metainfo says {img.get('width')}x{img.get('height')}")
sys.exit(bad)
PY

    cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; fail "cmake --install failed"; }
    check_layout "$work/prefix"
    ;;
deb)
    version=$4
    deb=$work/corvane_${version}_$(dpkg --print-architecture).deb
    (cd "$build" && cpack -G DEB -B "$work") >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
    if [[ ! -f $deb ]]; then
        fail "cpack made no ${deb##*/}:" "$(ls "$work")"
    else
        field() { dpkg-deb -f "$deb" "$1"; }
        [[ $(field Package) == corvane ]] || fail "Package is $(field Package)"
        [[ $(field Version) == "$version" ]] || fail "Version is $(field Version)"
        [[ $(field Section) == utils ]] || fail "Section is $(field Section)"
        [[ $(field Maintainer) == "Talvery <support@corvane.example>" ]] || fail "Maintainer is $(field Maintainer)"
        depends=$(field Depends)
        for dep in libqt6widgets6 libqt6gui6 libqt6core6 libsodium23 "fonts-liberation | fonts-dejavu-core"; do
            [[ ", $depends," == *", $dep "[,\(]* || ", $depends," == *", $dep,"* ]] ||
                fail "Depends lacks $dep: $depends"
        done
        outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -vx '\./' || true)
        [[ -z $outside ]] || fail "files outside /usr: $outside"
        dpkg-deb -x "$deb" "$work/root"
        check_layout "$work/root/usr"
    fi
    ;;
*)
    echo "usage: $0 tree|deb SOURCE_DIR BUILD_DIR [VERSION]" >&2
    exit 2
    ;;
esac

if ((failures)); then
    echo "$failures packaging check(s) failed" >&2
    exit 1
fi
echo "packaging $mode: all checks passed"
