#!/usr/bin/env bash
# Builds Qt and libsodium for 64-bit Windows from Debian's own source packages, at the versions the
# host has (Qt 6.8 or later: on Debian 12, run it in the Debian 13 root, as scripts/check-release.sh
# trixie --windows does), into a cache folder outside the work tree. A complete cache is left alone, so
# only the first run on a machine pays for it (about 25 minutes on two idle cores, nearly all of it Qt).
#   toolchain.sh                      build what is missing, then print the prefix
#   toolchain.sh --prefix             print the prefix only
#   toolchain.sh --fetch-only PACKAGE fetch one source package (libsodium or qt6-base) and print its folder
set -euo pipefail
source "${BASH_SOURCE[0]%/*}/../preflight.sh"
source "${BASH_SOURCE[0]%/*}/../progress.sh"
require_tools

triplet=x86_64-w64-mingw32
qt_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
sodium_version=$(dpkg-query -W -f='${source:Version}' libsodium-dev)
gcc_version=$($triplet-g++-posix -dumpfullversion)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/corvane-windows
prefix=$cache/qt-${qt_version}_sodium-${sodium_version}_gcc-${gcc_version}
stamp=$prefix/.complete

if [[ ${1:-} == --prefix || ( -f $stamp && ${1:-} != --fetch-only ) ]]; then echo "$prefix"; exit 0; fi

work=$cache/work
mkdir -p "$work" "$prefix"
jobs=$(nproc)
progress_tag=toolchain
started=$SECONDS
die() { progress_log "$*"; exit 1; }

# apt gets a private source list and state, so the machine's own apt set-up is neither read for
# sources nor changed.
apt_dir=$work/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/parts"
if [[ ! -f "$apt_dir/parts/debian.sources" ]]; then
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$apt_dir/parts/debian.sources"
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$apt_dir/parts/debian.list"
        touch "$apt_dir/parts/debian.sources"
    fi
fi
apt_opts=(-o "Dir::Etc::sourcelist=/dev/null" -o "Dir::Etc::sourceparts=$apt_dir/parts"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root")

# fetch PACKAGE VERSION: sets src to the unpacked source of exactly that Debian version, in a folder named
# for it. A folder is used only once its unpacking finished (.fetched); other versions' folders go.
fetch() {
    local dir=$work/src/${1}_$2 unpacked
    src=$dir
    [[ -f "$dir/.fetched" ]] && return 0
    progress_log "fetching the $1 $2 source package"
    # Other revisions, and what older runs left beside the folders: unversioned sources and downloads.
    rm -rf "$work/src/${1}_"* "$work/$1"-*/ "$work/${1}_"*
    mkdir -p "$dir.part"
    if [[ ! -f "$apt_dir/updated" ]]; then
        apt-get "${apt_opts[@]}" update -qq >&2 || die "apt-get update failed (its message is above)"
        touch "$apt_dir/updated"
    fi
    # Qt's sources are some 50 MB to download and unpack.
    (cd "$dir.part" && run_step "fetching $1" "$work/fetch-$1.log" apt-get "${apt_opts[@]}" source -qq "$1=$2") ||
        die "apt-get source $1=$2 failed (its message is above)"
    unpacked=("$dir.part"/*/)
    [[ ${#unpacked[@]} -eq 1 && -d ${unpacked[0]} ]] ||
        die "apt-get source $1=$2 left no single source folder in $dir.part"
    mv "${unpacked[0]}" "$dir"
    rm -rf "$dir.part"
    touch "$dir/.fetched"
}

if [[ "${1:-}" == "--fetch-only" ]]; then
    case ${2:-} in
        libsodium) fetch libsodium "$sodium_version" ;;
        qt6-base) fetch qt6-base "$qt_version" ;;
        *) echo "usage: $0 --fetch-only libsodium|qt6-base" >&2; exit 2 ;;
    esac
    echo "$src"
    exit 0
fi

dpkg --compare-versions "$qt_version" ge 6.8 ||
    die "The Windows build takes Qt 6.8 or later, a long-term release; this host has $qt_version. Run scripts/check-release.sh trixie --windows, which builds it from Debian 13's sources."

toolchain_file=$(cd "$(dirname "$0")/../../cmake" && pwd)/mingw-w64.cmake

build_sodium() (
    cd "$src" && ./autogen.sh -s && ./configure --host=$triplet --prefix="$prefix" --disable-static \
        CC=$triplet-gcc-posix && make -j"$jobs" && make install
)

if [[ ! -f "$prefix/lib/libsodium.dll.a" ]]; then
    fetch libsodium "$sodium_version"
    progress_log "building libsodium"
    run_step "building libsodium" "$work/sodium-build.log" build_sodium
fi

if [[ ! -f "$prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" || ! -f "$prefix/lib/cmake/Qt6Test/Qt6TestConfig.cmake" ]]; then
    fetch qt6-base "$qt_version"
    progress_log "configuring Qt (only Core, Gui, Widgets, Test and the windows and offscreen platforms)"
    rm -rf "$work/qt-build"
    # A unity build compiles Qt in 724 steps instead of 1245.
    run_step "configuring Qt" "$work/qt-configure.log" cmake -S "$src" -B "$work/qt-build" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" -DCORVANE_WINDOWS_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
        -DQT_HOST_PATH=/usr -DQt6HostInfo_DIR=/usr/lib/x86_64-linux-gnu/cmake/Qt6HostInfo \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF -DQT_UNITY_BUILD=ON \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
        -DFEATURE_dynamicgl=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
        -DFEATURE_vulkan=OFF -DFEATURE_testlib=ON -DFEATURE_tabletevent=OFF -DFEATURE_sql_sqlite=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
        -DFEATURE_system_doubleconversion=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF \
        -DFEATURE_openssl=OFF -DFEATURE_zstd=OFF
    progress_log "building Qt (the long part: some 20 minutes on two cores)"
    run_step "building Qt" "$work/qt-build.log" cmake --build "$work/qt-build" --parallel "$jobs"
    cmake --install "$work/qt-build" >/dev/null
fi

touch "$stamp"
rm -rf "$work/qt-build"
progress_log "toolchain ready in $(( (SECONDS - started) / 60 )) min: $prefix"
echo "$prefix"
