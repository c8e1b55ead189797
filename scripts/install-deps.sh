#!/usr/bin/env bash
# Installs the Debian packages Corvane needs, only those that are missing, each named here: nothing is
# left to recommendations (--no-install-recommends), so a fresh machine gets exactly this list.
# scripts/preflight.sh names the package of every program the tests call: each is listed here, is
# essential to Debian, or comes with a package listed here.
#   install-deps.sh          what building and running need
#   install-deps.sh --test   also what the whole test suite needs
#   --list                   print the packages, one a line, and install nothing
set -euo pipefail
test=0 list=0
for arg; do
    case $arg in
        --test) test=1 ;;
        --list) list=1 ;;
        *) echo "usage: $0 [--test] [--list]" >&2; exit 2 ;;
    esac
done

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libsodium-dev
    libxcb1-dev                     # who really owns the X11 clipboard after a copy
    fp-utils                        # chmcmd compiles the help file
    fonts-liberation fonts-dejavu-core
)
if ((test)); then
    packages+=(
        xvfb xauth xdotool xclip x11-utils      # end-to-end tests on a real X server
        desktop-file-utils appstream            # desktop entry and metainfo validation
        clang libclang-rt-dev                   # sanitizers and libFuzzer (the runtime of the default clang)
        clang-tidy                              # static checks
        locales                                 # a decimal-comma locale for the fuzz runs
        libbenchmark-dev pwgen libx11-dev       # benchmarks (libx11-dev: the start-up probe)
        dpkg-dev file python3 lintian git       # packaging checks (dpkg-dev: apt-get source too)
        sbuild autopkgtest                      # the Debian packages built and tested as Debian does
        imagemagick                             # screenshots compared with the artwork
        xchm xdg-utils                          # F1 opens the help in a CHM viewer
        g++-mingw-w64-x86-64-posix nsis         # the Windows build and its installer
        osslsigncode openssl                    # the installer's signature, with a test certificate
        mingw-w64-tools                         # x86_64-w64-mingw32-pkg-config finds Qt and libsodium
        autoconf automake libtool make          # libsodium for Windows, from its Debian source
        wine wine64 fonts-wine binutils         # the Windows build's tests (binutils: strings)
        coreutils util-linux mount              # timeout, od, tac, flock, setpriv, setsid; unshare, mount
        mmdebstrap uidmap                       # Debian roots made and entered without root rights
        diffoscope-minimal gnupg gpgv reprepro  # the Debian leg: reproducibility, the signed repository
        faketime                                # a repository published in the past, to expire
        qt6ct                                   # the end-to-end run under a dark colour scheme
        at-spi2-core python3-pyatspi dbus-x11   # what a screen reader reads, on a session bus of the test's own
    )
fi

if ((list)); then printf '%s\n' "${packages[@]}"; exit 0; fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Run as root or install sudo to add: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
