#!/usr/bin/env bash
# Corvane as a user gets it from its APT repository. Runs as root in a bare Debian root (essential
# packages and apt), with the published repository at /repo and the source tree at /src/corvane; the
# phases run in turn in the same root, each after the repository was (re)published with
# scripts/debian/publish.sh ... --url file:///repo.
#   repository.sh install             adds the repository as packaging/apt/add-repository.sh says,
#                                     installs Corvane and checks it is the published version and
#                                     that it runs; leaves presets it stored
#   repository.sh keyring             after a second key was added to the keyring package: apt-get
#                                     upgrade takes it, so that the upgrade phase's repository, which
#                                     the second key alone signs, is trusted
#   repository.sh upgrade             after a newer version was published: apt-get upgrade brings
#                                     exactly that one, and the presets are kept and read again
#   repository.sh release             in Debian 12, with Debian 13's build published too: the system
#                                     upgraded to Debian 13 as the README says brings that build, and
#                                     the presets are kept and read again
# Each check is printed; the first that fails is named and ends the run with status 1.
source "$(dirname "$0")/../lib.sh"
set -e
src=/src/corvane repo=/repo url=file:///repo
state=/var/lib/corvane-repository-test
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
xvfb_pid='' app_pid='' on_exit='[[ -z $app_pid ]] || kill $app_pid 2>/dev/null; [[ -z $xvfb_pid ]] || kill $xvfb_pid'
export DEBIAN_FRONTEND=noninteractive HOME=/root
log() { printf '[repository %(%H:%M:%S)T] %s\n' -1 "$*"; }
fail() { log "FAIL ($codename, $phase): $*" >&2; exit 1; }
ok() { log "ok: $*"; }

# published: the versions of corvane in the repository's index for this release, one a line.
published() {
    awk -v p="Package: corvane" 'BEGIN { RS = "" } $0 ~ "(^|\n)" p "\n" { sub(/.*\nVersion: /, ""); sub(/\n.*/, ""); print }' \
        "$repo/dists/$codename/main/binary-amd64/Packages"
}
installed() { dpkg-query -W -f='${db:Status-Status} ${Version}' corvane 2>/dev/null | sed -n 's/^installed //p'; }

# expect_installed: the one version of the index is installed.
expect_installed() {
    local versions
    versions=$(published)
    [[ -n $versions && $versions != *$'\n'* && $(installed) == "$versions" ]] ||
        fail "installed is '$(installed)'; the $codename index holds corvane as: ${versions//$'\n'/, }"
    ok "corvane $versions is installed, the version published for $codename"
}

# The program on a private X server, as the user root with the presets in ~/.config/Corvane.ini.
ini=$HOME/.config/Corvane.ini
shown() { main=$(xdotool search --onlyvisible --name '^Corvane$' 2>/dev/null | head -n1) && [[ -n $main ]]; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
# session CLICKS: start /usr/bin/corvane, click each X,Y of CLICKS in its window, close it with Alt+O
# (which stores the presets) and wait for it to end.
session() {
    local at
    if [[ -z $xvfb_pid ]]; then
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null & xvfb_pid=$!
        poll 15 test -s "$work/display" || fail "Xvfb did not start"
        export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
    fi
    /usr/bin/corvane >"$work/program.log" 2>&1 & app_pid=$!
    poll 30 shown || fail "the main window did not appear: $(cat "$work/program.log")"
    sleep 1
    for at in "$@"; do xdotool mousemove --window "$main" "${at%,*}" "${at#*,}" click 1 sleep 0.3; done
    xdotool mousemove --window "$main" 210 30 click 1 sleep 0.3 key alt+o
    poll 10 ended || fail "Alt+O did not end the program: $(cat "$work/program.log")"
    app_pid=''
}

# lines LOG BASE: the README's lines for the repository at BASE, whose keyring is the one published, as
# a user with sudo runs them under umask 077, with apt reading the keyring and the lists as its own user.
lines() {
    # shellcheck disable=SC2024 # the log is the test's, written as root
    sudo -u corvane sh -c 'umask 077 && cd && sh "$0" "$1" "$2"' "$src/packaging/apt/add-repository.sh" "$2" \
        "$(sha256sum <"$repo/corvane-archive-keyring.gpg" | cut -d' ' -f1)" >"$work/$1" 2>&1
}

phase_install() {
    # What a user answers when apt asks; the sudo the lines are written with, and its user.
    echo 'APT::Get::Assume-Yes "true";' >/etc/apt/apt.conf.d/90corvane-test
    quiet sh -c 'apt-get update && apt-get install --no-install-recommends sudo passwd curl mount xvfb xdotool' ||
        fail "sudo, useradd, curl, mount and the X tools could not be installed"
    useradd --create-home corvane && echo 'corvane ALL=(ALL) NOPASSWD: ALL' >/etc/sudoers.d/corvane || fail "no user corvane"
    # apt's sandbox would own the partial downloads in the shared archive folder, which must stay the
    # leg user's: what Corvane needs is fetched before, and the sandbox gets a partial folder of its own.
    quiet apt-get install --download-only "$repo"/pool/main/c/corvane/corvane_"$(published)"_amd64.deb ||
        fail "corvane's dependencies could not be fetched"
    mount -t tmpfs tmpfs /var/cache/apt/archives/partial && mv /etc/apt/apt.conf.d/00corvane-sandbox "$work/" ||
        fail "apt's sandbox could not be set up"
    # A keyring or source file that cannot be fetched, or a keyring of another key (Debian's): the lines
    # fail with curl's or sha256sum's word, and write nothing.
    for broken in corvane-archive-keyring.gpg corvane.sources debian-archive-keyring.gpg; do
        mkdir -p "/tmp/broken/$broken" && cp "$repo"/corvane* "/tmp/broken/$broken/" && rm -f "/tmp/broken/$broken/$broken"
        [[ ! -f /usr/share/keyrings/$broken ]] || cp "/usr/share/keyrings/$broken" "/tmp/broken/$broken/corvane-archive-keyring.gpg"
        ! lines broken.log "file:///tmp/broken/$broken" && grep -qE '^curl: \([0-9]+\)|FAILED' "$work/broken.log" &&
            [[ ! -e /etc/apt/sources.list.d/corvane.sources && ! -e /usr/share/keyrings/corvane-archive-keyring.gpg ]] ||
            fail "without $broken the lines said: $(cat "$work/broken.log"); and left: $(ls /etc/apt/sources.list.d /usr/share/keyrings)"
    done
    ok "without the keyring or the source file, or with Debian's keyring, the lines stop saying why and write nothing"
    lines add.log "$url" || { sed 's/^/    /' "$work/add.log"; fail "the README's lines failed"; }
    umount /var/cache/apt/archives/partial && mv "$work/00corvane-sandbox" /etc/apt/apt.conf.d/
    ok "the README's lines, run by a user under umask 077, added the repository and installed corvane"
    expect_installed

    # Length up twice, count down once: presets the program itself stores at Alt+O, as a user leaves them.
    rm -f "$ini"
    session 279,101 279,101 279,143
    grep -qx Characters=32 "$ini" && grep -qx NumberOf=4 "$ini" || fail "the program stored: $(cat "$ini" 2>&1)"
    mkdir -p "$state" && cp "$ini" "$state/Corvane.ini"
    ok "the program stored length 32 and count 4 in $ini"
}

# upgraded COMMAND: apt-get update and COMMAND replace the installed corvane by the one published; the
# presets are kept and read again.
upgraded() {
    local before after
    before=$(installed) after=$(published)
    quiet sh -c "apt-get update && apt-get $1 -o Dpkg::Options::=--force-confold" || fail "apt-get $1 failed"
    grep -q "^Unpacking corvane ($after) over ($before)" "$work/log" ||
        fail "apt-get $1 did not replace $before by $after: $(grep corvane "$work/log" | head -n 3)"
    expect_installed
    cmp -s "$state/Corvane.ini" "$ini" || fail "the upgrade changed $ini: $(diff "$state/Corvane.ini" "$ini")"
    # Read back, they are stored again unchanged; had the new program not read them it would store 30 and 5.
    session
    cmp -s "$state/Corvane.ini" "$ini" || fail "the new program did not keep the presets: $(diff "$state/Corvane.ini" "$ini")"
    ok "$ini is as the old version left it, and the new program read it and stored it again unchanged"
}

# Debian 12 to 13 as the README says: Debian's own sources and, with the README's line, Corvane's name
# trixie, and the full upgrade brings Corvane's Debian 13 build.
phase_release() {
    sed -i 's/bookworm/trixie/g' /etc/apt/sources.list &&
        sh -c "$(grep -xF "sudo sed -i 's/bookworm/trixie/' /etc/apt/sources.list.d/corvane.sources" "$src/README.md")" ||
        fail "the sources could not be changed"
    # Debian 13's packages go to their own shared folder when the leg gives one.
    [[ ! -d /var/cache/apt/trixie ]] || echo 'Dir::Cache::Archives "/var/cache/apt/trixie/";' >/etc/apt/apt.conf.d/90corvane-trixie
    codename=trixie
    upgraded full-upgrade
}

phase=${1:-}
case $phase in
    install) phase_install ;;
    keyring) quiet sh -c 'apt-get update && apt-get upgrade' || fail "apt-get upgrade failed" ;;
    upgrade) upgraded upgrade ;;
    release) phase_release ;;
    *) echo "usage: $0 install|keyring|upgrade|release" >&2; exit 2 ;;
esac
log "the $phase phase passed on $codename"
