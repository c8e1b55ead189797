#!/usr/bin/env bash
# Signs one Windows file in place with Authenticode (SHA-256) and an RFC 3161 time stamp, for the
# installer target: BuildInstaller.cmake calls it for the program, makensis for the uninstaller and the
# installer.
#   sign.sh FILE
# From the environment:
#   CORVANE_SIGN_PKCS12          the certificate and its key
#   CORVANE_SIGN_PASSWORD        their password, or
#   CORVANE_SIGN_PASSWORD_FILE   a file holding it
#   CORVANE_SIGN_TIMESTAMP_URL   the time-stamp authorities, tried in turn (separated by spaces), or
#                                "none" to sign without a stamp
set -euo pipefail
file=${1:?usage: sign.sh FILE}
log() { printf '[sign %(%H:%M:%S)T] %s\n' -1 "$*" >&2; }
die() { log "$*"; exit 1; }

# A signature without a time stamp stops being valid when its certificate expires; one with a stamp
# stays valid for what was signed while the certificate was, so leaving it out must be asked for.
[[ -n ${CORVANE_SIGN_TIMESTAMP_URL:-} ]] ||
    die "CORVANE_SIGN_TIMESTAMP_URL is not set: give the RFC 3161 time-stamp URL of your certificate's issuer," \
        "or CORVANE_SIGN_TIMESTAMP_URL=none to make signatures that end with the certificate"
read -ra urls <<<"$CORVANE_SIGN_TIMESTAMP_URL"
stamp=()
[[ $CORVANE_SIGN_TIMESTAMP_URL == none ]] || for url in "${urls[@]}"; do stamp+=(-ts "$url"); done

# The password reaches osslsigncode through a pipe or the builder's own file: it is never written
# anywhere, so nothing is left behind when signing fails or is interrupted.
if [[ -n ${CORVANE_SIGN_PASSWORD_FILE:-} ]]; then
    [[ -z ${CORVANE_SIGN_PASSWORD+set} ]] || die "set CORVANE_SIGN_PASSWORD or CORVANE_SIGN_PASSWORD_FILE, not both"
    [[ -r $CORVANE_SIGN_PASSWORD_FILE ]] || die "cannot read CORVANE_SIGN_PASSWORD_FILE ($CORVANE_SIGN_PASSWORD_FILE)"
    password() { cat "$CORVANE_SIGN_PASSWORD_FILE"; }
else
    [[ -n ${CORVANE_SIGN_PASSWORD+set} ]] || die "CORVANE_SIGN_PKCS12 is set, but neither CORVANE_SIGN_PASSWORD nor CORVANE_SIGN_PASSWORD_FILE"
    password() { printf '%s' "$CORVANE_SIGN_PASSWORD"; }
fi

signed=$file.signed
trap 'rm -f "$signed"' EXIT
log "signing $(basename "$file")${stamp:+ with a time stamp}"
password | osslsigncode sign -pkcs12 "${CORVANE_SIGN_PKCS12:?}" -readpass - -h sha256 -n Corvane "${stamp[@]}" \
    -in "$file" -out "$signed" >&2 || die "osslsigncode could not sign $file"
mv "$signed" "$file"
