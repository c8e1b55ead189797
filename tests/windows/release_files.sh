#!/usr/bin/env bash
# The Windows release files of one commit, built twice from its `git archive`, unpacked into two folders
# outside any checkout at different times: the program, the DLLs and the installer must be the same bytes
# and carry the commit's time, and the checked build's SHA256SUMS must match. Then the second build is
# signed with a certificate and a time-stamp authority made here: every program and DLL the installer
# puts in place and the installer itself must carry a valid signature and stamp, a file signed without
# a stamp must be told apart, and the program must differ from the unsigned one only where a signature
# goes. Last, a signing run interrupted as Ctrl+C would must leave its password in no file.
#   release_files.sh SOURCE_DIR BUILD_DIR VERSION    (after the build's installer target)
here=$(cd "$(dirname "$0")" && pwd) src=$1 build=$2 version=$3
setup=Corvane-$version-setup.exe stage=packaging/windows/stage/files sign=$src/packaging/windows/sign.sh
source "$here/../lib.sh"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tsa_pid='' on_exit='[[ -z $tsa_pid ]] || kill $tsa_pid; wineserver -k 2>/dev/null'
log() { printf '[release files %(%H:%M:%S)T] %s\n' -1 "$*"; }

(cd "$build" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match $setup"

# Neither build may find the time anywhere but in the archive.
unset SOURCE_DATE_EPOCH
commit_time=$(git -C "$src" log -1 --format=%ct) && git -C "$src" archive -o "$work/sources.tar" HEAD ||
    { fail "no commit to archive"; exit 1; }
mapfile -t options < <(grep -E '^(CMAKE_BUILD_TYPE|CORVANE_WINDOWS_PREFIX|CORVANE_[A-Z_]*URL):' "$build/CMakeCache.txt" | sed 's/^/-D/')
# from_archive NAME: the archive unpacked into NAME/src with the present time on its files, and only what
# ships built from it into NAME/build.
from_archive() {
    log "building from the archive in $1"
    mkdir -p "$work/$1/src" && tar -C "$work/$1/src" -m -xf "$work/sources.tar" &&
        quiet cmake -S "$work/$1/src" -B "$work/$1/build" -G Ninja --toolchain "$work/$1/src/cmake/mingw-w64.cmake" \
            -DCORVANE_BUILD_TESTS=OFF "${options[@]}" &&
        quiet cmake --build "$work/$1/build" -j2 --target installer
}
from_archive one && from_archive two || { fail "a build from the archive failed"; exit 1; }
one=$work/one/build two=$work/two/build
diff -r "$one/$stage" "$two/$stage" >&2 || fail "two builds ship different files"
cmp "$one/$setup" "$two/$setup" >&2 || fail "two builds give different installers"
[[ $(stat -c %Y "$two/$stage/corvane.exe") == "$commit_time" ]] || fail "the shipped files do not carry the commit's time"
# For scripts/release.sh, the first build's installer, signed with the release's certificate if given one.
if [[ -n ${CORVANE_KEEP:-} ]]; then
    [[ -z ${CORVANE_RELEASE_PKCS12:-} ]] || CORVANE_SIGN_PKCS12=$CORVANE_RELEASE_PKCS12 \
        CORVANE_SIGN_PASSWORD_FILE=$CORVANE_RELEASE_PASSWORD_FILE CORVANE_SIGN_TIMESTAMP_URL=$CORVANE_RELEASE_TIMESTAMP_URL \
        quiet cmake --build "$one" --target installer || fail "signing the release's installer failed"
    cp "$one/$setup" "$CORVANE_KEEP/" || fail "the installer could not be kept in $CORVANE_KEEP"
fi

log "signing"
password=throwaway-$RANDOM$RANDOM
cp "$two/$stage/corvane.exe" "$work/unsigned.exe"
# The authority's certificate may serve for time stamps alone, and is issued by a root of its own.
cat >"$work/tsa.cnf" <<CONF
[tsa]
default_tsa = test
[test]
serial = $work/tsa-serial
signer_cert = $work/tsa.pem
signer_key = $work/tsa-key.pem
signer_digest = sha256
default_policy = 1.3.6.1.4.1.0.1
digests = sha256, sha384, sha512
ess_cert_id_alg = sha256
CONF
echo 01 >"$work/tsa-serial"
certificate() { quiet openssl req -newkey rsa:2048 -nodes -days 1 -subj "/CN=Corvane test $1" -keyout "$work/$1-key.pem" "${@:2}"; }
certificate signature -x509 -out "$work/cert.pem" &&
    quiet openssl pkcs12 -export -inkey "$work/signature-key.pem" -in "$work/cert.pem" -out "$work/cert.p12" -passout "pass:$password" &&
    certificate root -x509 -out "$work/tsa-root.pem" -addext basicConstraints=critical,CA:true -addext keyUsage=critical,keyCertSign &&
    certificate tsa -out "$work/tsa.csr" &&
    quiet openssl x509 -req -in "$work/tsa.csr" -CA "$work/tsa-root.pem" -CAkey "$work/root-key.pem" -days 1 -out "$work/tsa.pem" \
        -extfile <(printf 'extendedKeyUsage=critical,timeStamping\nkeyUsage=critical,digitalSignature\n') ||
    { fail "no test certificates"; exit 1; }
timeout 1200 python3 "$here/tsa_responder.py" "$work/tsa.cnf" "$work/port" "$work/stalled" 2>"$work/tsa.log" & tsa_pid=$!
poll 10 test -s "$work/port" || { fail "the time-stamp authority did not start: $(cat "$work/tsa.log")"; exit 1; }
url=http://127.0.0.1:$(cat "$work/port")/
# stamp FILE: "stamped" or "unstamped" for a valid signature; osslsigncode verify exits 0 even when it finds
# no stamp or cannot verify it, so its report is read.
stamp() {
    osslsigncode verify -CAfile "$work/cert.pem" -TSA-CAfile "$work/tsa-root.pem" -in "$1" >"$work/verify" 2>&1 &&
        grep -qx 'Signature verification: ok' "$work/verify" || { echo invalid; return; }
    grep -qx 'Timestamp Server Signature verification: ok' "$work/verify" && echo stamped || echo unstamped
}
export CORVANE_SIGN_PKCS12=$work/cert.p12 CORVANE_SIGN_PASSWORD=$password
CORVANE_SIGN_TIMESTAMP_URL=$url quiet cmake --build "$two" --target installer || fail "the signed build failed"
quiet wine wineboot --init && timeout 120 wineserver -w
quiet wine winecfg -v win10 && quiet wine "$two/$setup" /S /CurrentUser '/D=C:\Corvane' || fail "the signed installer failed"
timeout 60 wineserver -w
for file in "$two/$setup" $(find "$WINEPREFIX/drive_c/Corvane" -name '*.exe' -o -name '*.dll'); do
    [[ $(stamp "$file") == stamped ]] || fail "$(basename "$file") is not signed and stamped: $(cat "$work/verify")"
done

# Without an authority signing stops, unless told to go without; the password may come from a file.
cp "$work/unsigned.exe" "$work/refused.exe" && cp "$work/unsigned.exe" "$work/resigned.exe"
CORVANE_SIGN_TIMESTAMP_URL='' bash "$sign" "$work/refused.exe" 2>"$work/refusal" && fail "signed without a time-stamp URL"
grep -q 'CORVANE_SIGN_TIMESTAMP_URL=none' "$work/refusal" || fail "the refusal does not say how to sign without a stamp"
cmp -s "$work/unsigned.exe" "$work/refused.exe" || fail "a refused signing changed the file"
(umask 077 && printf '%s\n' "$password" >"$work/password")
(unset CORVANE_SIGN_PASSWORD && CORVANE_SIGN_PASSWORD_FILE=$work/password CORVANE_SIGN_TIMESTAMP_URL=none \
    quiet bash "$sign" "$work/resigned.exe") || fail "signing without a stamp, the password in a file, failed"
[[ $(stamp "$work/resigned.exe") == unstamped ]] || fail "a signature without a stamp is not told apart: $(cat "$work/verify")"
# Signing pads a file and sets its checksum: the unsigned program, signed here and stripped of that
# signature, must be the signed build's stripped of its own.
quiet osslsigncode remove-signature -in "$work/resigned.exe" -out "$work/mine.exe" &&
    quiet osslsigncode remove-signature -in "$two/$stage/corvane.exe" -out "$work/theirs.exe" &&
    cmp "$work/mine.exe" "$work/theirs.exe" >&2 || fail "the signed program differs from the unsigned one beyond its signature"

# Ctrl+C reaches the whole build while osslsigncode waits for a stamp. With job control the build is a
# process group of its own that does not ignore SIGINT, as a background job otherwise would.
log "interrupting a signing run"
mkdir "$work/tmp"
set -m
TMPDIR=$work/tmp CORVANE_SIGN_TIMESTAMP_URL=${url}stall cmake --build "$two" --target installer >"$work/interrupted" 2>&1 &
build_pid=$!
set +m
if poll 300 test -e "$work/stalled"; then
    kill -INT -- -"$build_pid"
    wait "$build_pid" && fail "the interrupted build succeeded"
    poll 30 eval '[[ -z $(running_in "$two/") ]]' ||
        { fail "the interrupted build left running: $(running_in "$two/")"; kill -KILL $(running_in "$two/"); }
    left=$(grep -rlF "$password" "$two" "$work/tmp")
    [[ -z $left ]] || fail "the password was left in: $left"
else
    fail "the signing run never asked for a time stamp: $(cat "$work/interrupted")"
    kill -KILL -- -"$build_pid"
fi

passed "release files"
