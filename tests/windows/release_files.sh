#!/usr/bin/env bash
# The Windows release files of one commit, built again from a copy of the sources in another folder at
# another time: the program, the DLLs and the installer must be the same bytes, and SHA256SUMS must
# match. Then the copy is signed with a certificate made here: the program, the uninstaller the
# installer writes and the installer itself must verify, and the program must differ from the
# unsigned one only where a signature goes.
#   release_files.sh SOURCE_DIR BUILD_DIR VERSION    (after the build's installer target)
set -uo pipefail
src=$1 build=$2 version=$3
setup=Corvane-$version-setup.exe stage=packaging/windows/stage/files
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-release.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
quiet() { "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; return 1; }; }

(cd "$build" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match $setup"

SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct) || { fail "no commit time"; exit 1; }
export SOURCE_DATE_EPOCH
mkdir "$work/src"
tar -C "$src" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$work/src" -m -xf -
mapfile -t options < <(grep -E '^(CMAKE_BUILD_TYPE|CORVANE_WINDOWS_PREFIX|CORVANE_[A-Z_]*URL):' "$build/CMakeCache.txt" | sed 's/^/-D/')
# Only what ships is built again.
quiet cmake -S "$work/src" -B "$work/build" -G Ninja --toolchain "$work/src/cmake/mingw-w64.cmake" \
    -DCORVANE_BUILD_TESTS=OFF "${options[@]}" &&
    quiet cmake --build "$work/build" --target installer || { fail "the second build failed"; exit 1; }
diff -r "$build/$stage" "$work/build/$stage" >&2 || fail "two builds ship different files"
cmp "$build/$setup" "$work/build/$setup" >&2 || fail "two builds give different installers"

cp "$work/build/$stage/corvane.exe" "$work/unsigned.exe"
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Corvane test signature" \
    -keyout "$work/key.pem" -out "$work/cert.pem" &&
    quiet openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" -passout pass:throwaway ||
    { fail "no test certificate"; exit 1; }
CORVANE_SIGN_PKCS12=$work/cert.p12 CORVANE_SIGN_PASSWORD=throwaway quiet cmake --build "$work/build" --target installer ||
    fail "the signed build failed"
quiet wine wineboot --init && timeout 120 wineserver -w
quiet wine "$work/build/$setup" /S '/D=C:\Corvane' || fail "the signed installer failed"
timeout 60 wineserver -w
for file in "$work/build/$stage/corvane.exe" "$WINEPREFIX/drive_c/Corvane/uninstall.exe" "$work/build/$setup"; do
    quiet osslsigncode verify -CAfile "$work/cert.pem" -in "$file" || fail "$(basename "$file") carries no valid signature"
done
# Signing pads a file and sets its checksum: the unsigned program, signed here and stripped of that
# signature, must be the signed build's stripped of its own.
quiet osslsigncode sign -pkcs12 "$work/cert.p12" -pass throwaway -in "$work/unsigned.exe" -out "$work/resigned.exe" &&
    quiet osslsigncode remove-signature -in "$work/resigned.exe" -out "$work/mine.exe" &&
    quiet osslsigncode remove-signature -in "$work/build/$stage/corvane.exe" -out "$work/theirs.exe" &&
    cmp "$work/mine.exe" "$work/theirs.exe" >&2 || fail "the signed program differs from the unsigned one beyond its signature"

((failures == 0)) || { echo "$failures release file check(s) failed" >&2; exit 1; }
echo "release files: all checks passed"
