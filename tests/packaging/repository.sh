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
#   repository.sh foreign             after the repository was signed again with another key: apt
#                                     refuses it and installs nothing from it
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

phase_install() {
    [[ $(sed -n 's/^URIs: *//p' "$repo/corvane.sources") == "$url" ]] ||
        fail "$repo/corvane.sources does not name $url: publish with --url $url"
    # What a user answers when apt asks, and the sudo the lines are written with.
    echo 'APT::Get::Assume-Yes "true";' >/etc/apt/apt.conf.d/90corvane-test
    quiet sudo.log sh -c 'apt-get update && apt-get install --no-install-recommends sudo' || fail "sudo could not be installed"
    quiet add.log sh "$src/packaging/apt/add-repository.sh" "$url" || fail "the README's lines failed"
    ok "the README's lines added the repository and installed corvane"
    expect_installed "${1:-}"

    quiet x.log apt-get install --no-install-recommends xvfb xdotool xclip x11-utils || fail "the X tools could not be installed"
    bash "$src/tests/e2e/drive.sh" x11 /usr/bin/corvane keyboard || fail "the installed program failed the keyboard scenario"
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

phase_foreign() {
    [[ -f /etc/apt/sources.list.d/corvane.sources ]] || fail "the repository was never added: run the install phase first"
    # Nothing of an older, trusted state may help: no corvane installed, no index apt took earlier.
    [[ -z $(installed) ]] || quiet purge.log apt-get purge corvane || fail "corvane could not be removed"
    rm -f /var/lib/apt/lists/*_repo_*
    if apt-get update >"$work/update.log" 2>&1; then
        fail "apt-get update took a repository signed by another key: $(grep -i repo "$work/update.log")"
    fi
    grep -qE 'NO_PUBKEY|Missing key|signatures? (couldn.t be verified|was invalid)' "$work/update.log" ||
        fail "apt-get update failed without naming the signature: $(cat "$work/update.log")"
    grep -q "repository '$url $codename InRelease' is not signed" "$work/update.log" ||
        grep -q "repository 'file:$repo $codename InRelease' is not signed" "$work/update.log" ||
        fail "apt-get update does not refuse the repository: $(cat "$work/update.log")"
    ok "apt-get update refuses it: $(grep -oE 'NO_PUBKEY [0-9A-F]+|Missing key [0-9A-F]+' "$work/update.log" | head -n1)"
    if apt-get install corvane >"$work/install.log" 2>&1; then fail "apt-get install corvane succeeded"; fi
    [[ -z $(installed) ]] || fail "corvane $(installed) was installed from it"
    ok "apt-get install corvane installs nothing: $(grep '^E:' "$work/install.log" | head -n1)"
}

phase=${1:-}
case $phase in
    install|upgrade) phase_"$phase" "${2:-}" ;;
    foreign) phase_foreign ;;
    *) echo "usage: $0 install|upgrade [VERSION] | foreign" >&2; exit 2 ;;
esac
log "the $phase phase passed on $codename"
