# Sourced by the test scripts and the Windows toolchain: every program they call, with the Debian
# package that brings it. `require_tools` stops at once, naming the package of each one missing, so a
# machine without a tool fails in its first minute instead of after a long build.
# scripts/install-deps.sh --test installs all of these packages.

declare -A tool_package=(
    # build and Linux tests
    [cmake]=cmake [ctest]=cmake [cpack]=cmake [ninja]=ninja-build [g++]=g++ [pkg-config]=pkg-config
    [chmcmd]=fp-utils [clang++]=clang [clang-tidy]=clang-tidy [run-clang-tidy]=clang-tidy
    [localedef]=locales [python3]=python3 [git]=git [file]=file [gzip]=gzip [od]=coreutils
    [timeout]=coreutils [tac]=coreutils [flock]=util-linux [setpriv]=util-linux [setsid]=util-linux [strings]=binutils
    [Xvfb]=xvfb [xdotool]=xdotool [xclip]=xclip [xprop]=x11-utils
    [import]=imagemagick [compare]=imagemagick [identify]=imagemagick [convert]=imagemagick [xchm]=xchm [xdg-open]=xdg-utils
    [desktop-file-validate]=desktop-file-utils [appstreamcli]=appstream
    [dpkg-deb]=dpkg [dpkg-parsechangelog]=dpkg-dev [lintian]=lintian
    # Windows toolchain, cross build, installer and tests under Wine
    [apt-get]=apt [dpkg-query]=dpkg [dpkg-source]=dpkg-dev [make]=make
    [autoreconf]=autoconf [automake]=automake [libtoolize]=libtool
    [x86_64-w64-mingw32-gcc-posix]=gcc-mingw-w64-x86-64-posix
    [x86_64-w64-mingw32-g++-posix]=g++-mingw-w64-x86-64-posix
    [x86_64-w64-mingw32-windres]=binutils-mingw-w64-x86-64
    [x86_64-w64-mingw32-pkg-config]=mingw-w64-tools
    [makensis]=nsis [wine]=wine [wineserver]=libwine [winepath]=wine
    [x86_64-w64-mingw32-strip]=binutils-mingw-w64-x86-64 [osslsigncode]=osslsigncode [openssl]=openssl
    [sha256sum]=coreutils [cmp]=diffutils [tar]=tar
    # the Debian leg: source package, lintian, reproducibility, the signed repository
    [dpkg-buildpackage]=dpkg-dev [diffoscope]=diffoscope-minimal [gpg]=gnupg [gpgv]=gpgv [gpgconf]=gpgconf
    [reprepro]=reprepro [changestool]=reprepro [faketime]=faketime
    [sbuild]=sbuild [autopkgtest]=autopkgtest [mmdebstrap]=mmdebstrap [newuidmap]=uidmap [newgidmap]=uidmap [unshare]=util-linux [mount]=mount [umount]=mount
)

# require_tools [PROGRAM...]: those programs, or every one above (a leg's machine has all of
# install-deps.sh --test). Bash's built-ins alone, so that a PATH without the tools still gets the message.
require_tools() {
    local tool package
    local -a missing=() packages=() tools=("$@")
    ((${#tools[@]})) || tools=("${!tool_package[@]}")
    for tool in "${tools[@]}"; do
        command -v "$tool" >/dev/null 2>&1 && continue
        package=${tool_package[$tool]}
        missing+=("$tool (Debian package $package)")
        [[ " ${packages[*]} " == *" $package "* ]] || packages+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    printf 'Missing program: %s\n' "${missing[@]}" >&2
    echo "Install with: apt-get install --no-install-recommends ${packages[*]}" >&2
    echo "(scripts/install-deps.sh --test should have brought them: add what it lacks to its list)" >&2
    exit 1
}
