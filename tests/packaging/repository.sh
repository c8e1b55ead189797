#!/usr/bin/env bash
# Corvane as a user gets it from its APT repository. Runs as root in a bare Debian root (essential
# packages and apt), with the published repository at /repo and the source tree at /src/corvane; the
# phases run in turn in the same root, each after the repository was (re)published with
# scripts/debian/publish.sh ... --url file:///repo.
#   repository.sh install [VERSION]   adds the repository as packaging/apt/add-repository.sh says,
#                                     installs Corvane and checks it is the published version (and
#                                     VERSION, if given) and that it runs; leaves presets it stored
#   repository.sh upgrade [VERSION]   after a newer version was published: apt-get upgrade brings
#                                     exactly that one, and the presets are kept and read again
# Each check is printed; the first that fails is named and ends the run with status 1.
set -euo pipefail
src=/src/corvane repo=/repo url=file:///repo
state=/var/lib/corvane-repository-test
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-repository.XXXXXX")
xvfb_pid='' app_pid=''
trap '[[ -z $app_pid ]] || kill $app_pid 2>/dev/null; [[ -z $xvfb_pid ]] || kill $xvfb_pid; rm -rf "$work"' EXIT
export DEBIAN_FRONTEND=noninteractive HOME=/root
log() { printf '[repository %(%H:%M:%S)T] %s\n' -1 "$*"; }
fail() { log "FAIL ($codename, $phase): $*" >&2; exit 1; }
ok() { log "ok: $*"; }
# quiet LOG CMD...: CMD's output kept in $work/LOG and shown only when it fails.
quiet() { local out=$work/$1; shift; "$@" >"$out" 2>&1 || { sed 's/^/    /' "$out" | tail -n 30; return 1; }; }
poll() { local n=$(($1 * 10)); shift; while ((n-- > 0)); do "$@" && return 0; sleep 0.1; done; return 1; }

# published: the versions of corvane in the repository's index for this release, one a line.
published() {
    local index=$repo/dists/$codename/main/binary-amd64/Packages
    [[ -f $index ]] || fail "the repository has no index for $codename ($index)"
    awk 'BEGIN { RS = "" } /(^|\n)Package: corvane\n/ { sub(/.*\nVersion: /, ""); sub(/\n.*/, ""); print }' "$index"
}
installed() { dpkg-query -W -f='${db:Status-Status} ${Version}' corvane 2>/dev/null | sed -n 's/^installed //p'; }

# expect_installed [VERSION]: the one version of the index is installed, and is VERSION if given.
expect_installed() {
    local versions
    versions=$(published)
    [[ -n $versions && $versions != *$'\n'* ]] || fail "the $codename index holds corvane as: ${versions:-nothing}"
    [[ -z ${1:-} || $versions == "$1" ]] || fail "the repository publishes $versions, not $1"
    [[ $(installed) == "$versions" ]] || fail "installed is '$(installed)', published $versions"
    ok "corvane $versions is installed, the version published for $codename"
}

# The program on a private X server, as the user root with the presets in ~/.config/Corvane.ini.
ini=$HOME/.config/Corvane.ini
start_x() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null & xvfb_pid=$!
    poll 15 test -s "$work/display" || fail "Xvfb did not start"
    DISPLAY=":$(head -n1 "$work/display")"
    export DISPLAY QT_QPA_PLATFORM=xcb
}
shown() { main=$(xdotool search --onlyvisible --name '^Corvane$' 2>/dev/null | head -n1) && [[ -n $main ]]; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
# session CLICKS: start /usr/bin/corvane, click each X,Y of CLICKS in its window, close it with Alt+O
# (which stores the presets) and wait for it to end.
session() {
    local at
    [[ -n $xvfb_pid ]] || start_x
    /usr/bin/corvane >"$work/program.log" 2>&1 & app_pid=$!
    poll 30 shown || fail "the main window did not appear: $(cat "$work/program.log")"
    sleep 1
    for at in "$@"; do xdotool mousemove --window "$main" "${at%,*}" "${at#*,}" click 1 sleep 0.3; done
    xdotool mousemove --window "$main" 210 30 click 1 sleep 0.3 key alt+o
    poll 10 ended || fail "Alt+O did not end the program: $(cat "$work/program.log")"
    app_pid=''
}

# lines LOG BASE: the README's lines for the repository at BASE, as a user with sudo runs them under
# umask 077, with apt reading the keyring and the lists as its own user _apt.
lines() {
    # shellcheck disable=SC2024 # the log is the test's, written as root
    sudo -u corvane sh -c 'umask 077 && cd && sh "$0" "$1"' "$src/packaging/apt/add-repository.sh" "$2" >"$work/$1" 2>&1
}

phase_install() {
    [[ $(sed -n 's/^URIs: *//p' "$repo/corvane.sources") == "$url" ]] ||
        fail "$repo/corvane.sources does not name $url: publish with --url $url"
    # What a user answers when apt asks; the sudo the lines are written with, and its user.
    echo 'APT::Get::Assume-Yes "true";' >/etc/apt/apt.conf.d/90corvane-test
    quiet sudo.log sh -c 'apt-get update && apt-get install --no-install-recommends sudo curl mount' || fail "sudo, curl or mount could not be installed"
    useradd --create-home corvane && echo 'corvane ALL=(ALL) NOPASSWD: ALL' >/etc/sudoers.d/corvane || fail "no user corvane"
    # apt's sandbox would own the partial downloads in the shared archive folder, which must stay the
    # leg user's: what Corvane needs is fetched before, and the sandbox gets a partial folder of its own.
    quiet fetch.log apt-get install --download-only "$repo"/pool/main/c/corvane/corvane_"$(published)"_amd64.deb ||
        fail "corvane's dependencies could not be fetched"
    mount -t tmpfs tmpfs /var/cache/apt/archives/partial && mv /etc/apt/apt.conf.d/00corvane-sandbox "$work/" ||
        fail "apt's sandbox could not be set up"
    # A keyring or source file that cannot be fetched: the lines fail with curl's word, and write nothing.
    local broken
    for broken in corvane-archive-keyring.gpg corvane.sources; do
        mkdir -p "/tmp/without/$broken" && cp "$repo"/corvane* "/tmp/without/$broken/" && rm "/tmp/without/$broken/$broken"
        ! lines broken.log "file:///tmp/without/$broken" || fail "the lines succeeded without $broken"
        grep -q '^curl: ([0-9]*)' "$work/broken.log" || fail "the lines failed without curl's error: $(cat "$work/broken.log")"
        [[ ! -e /etc/apt/sources.list.d/corvane.sources && ! -e /etc/apt/keyrings/corvane-archive-keyring.gpg ]] ||
            fail "without $broken the lines left: $(ls /etc/apt/sources.list.d /etc/apt/keyrings | paste -sd" ")"
    done
    ok "without the keyring or the source file, the lines stop at curl's error and write nothing"
    lines add.log "$url" || { sed 's/^/    /' "$work/add.log"; fail "the README's lines failed"; }
    umount /var/cache/apt/archives/partial && mv "$work/00corvane-sandbox" /etc/apt/apt.conf.d/
    ok "the README's lines, run by a user under umask 077, added the repository and installed corvane"
    expect_installed "${1:-}"

    quiet x.log apt-get install --no-install-recommends xvfb xdotool xclip x11-utils || fail "the X tools could not be installed"
    bash "$src/tests/e2e/drive.sh" x11 /usr/bin/corvane copy_presets || fail "the installed program failed copy_presets"
    # Length up twice, count down once: presets the program itself stores at Alt+O, as a user leaves them.
    rm -f "$ini"
    session 279,101 279,101 279,143
    grep -qx Characters=32 "$ini" && grep -qx NumberOf=4 "$ini" || fail "the program stored: $(cat "$ini" 2>&1)"
    mkdir -p "$state" && cp "$ini" "$state/Corvane.ini" && installed >"$state/version"
    ok "the program stored length 32 and count 4 in $ini"
}

phase_upgrade() {
    [[ -f $state/Corvane.ini ]] || fail "no presets kept by the install phase: run it first"
    local before after
    before=$(<"$state/version") after=$(published)
    dpkg --compare-versions "$after" gt "$before" || fail "the repository publishes $after, not newer than $before"
    quiet upgrade.log sh -c 'apt-get update && apt-get upgrade -y' || fail "apt-get upgrade failed"
    grep -q "^Unpacking corvane ($after) over ($before)" "$work/upgrade.log" ||
        fail "apt-get upgrade did not replace $before by $after: $(grep corvane "$work/upgrade.log" | head -n 3)"
    expect_installed "${1:-}"
    cmp -s "$state/Corvane.ini" "$ini" || fail "the upgrade changed $ini: $(diff "$state/Corvane.ini" "$ini")"
    ok "$ini is as the old version left it"
    # Read back, they are stored again unchanged; had the new program not read them it would store 30 and 5.
    session
    cmp -s "$state/Corvane.ini" "$ini" || fail "the new program did not keep the presets: $(diff "$state/Corvane.ini" "$ini")"
    ok "the new program read the presets and stored them again unchanged"
}

phase=${1:-}
case $phase in
    install|upgrade) phase_"$phase" "${2:-}" ;;
    *) echo "usage: $0 install|upgrade [VERSION]" >&2; exit 2 ;;
esac
log "the $phase phase passed on $codename"
