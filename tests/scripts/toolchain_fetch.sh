#!/usr/bin/env bash
# The Windows toolchain's fetch step against a stand-in apt-get that downloads nothing: a missing tool
# stops it before any fetch, a failed fetch stops it with apt's message and leaves nothing marked
# fetched, an older revision in the cache is never reused, and the exact version's folder is.
#   toolchain_fetch.sh SOURCE_DIR
source "$(dirname "$0")/../lib.sh"
toolchain="${1:?usage: toolchain_fetch.sh SOURCE_DIR}/scripts/windows/toolchain.sh"

# The stand-in notes every call; `source` unpacks a one-file folder, or fails as apt does when STUB_FAIL is set.
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/bash
echo "$*" >>"$STUB_LOG"
[[ " $* " == *" source "* ]] || exit 0
if [[ -n "${STUB_FAIL:-}" ]]; then echo "E: Unable to find a source package for ${*: -1}" >&2; exit 100; fi
mkdir -p unpacked-source && echo "${*: -1}" >unpacked-source/wanted
EOF
chmod +x "$work/bin/apt-get"
export STUB_LOG="$work/apt.log" XDG_CACHE_HOME="$work/cache"
version=$(dpkg-query -W -f='${source:Version}' libsodium-dev)
src="$XDG_CACHE_HOME/corvane-windows/work/src"
run() { PATH="$work/bin:$PATH" "$toolchain" --fetch-only libsodium >"$work/out" 2>"$work/err"; }

# Only the stand-in and bash's built-ins: the preflight names the missing packages and nothing is fetched.
PATH="$work/bin" /bin/bash "$toolchain" --fetch-only libsodium 2>"$work/err" && fail "ran without its tools"
grep -q "x86_64-w64-mingw32-g++-posix (Debian package g++-mingw-w64-x86-64-posix)" "$work/err" ||
    fail "the missing compiler's package is not named: $(cat "$work/err")"
[[ ! -e "$STUB_LOG" ]] || fail "apt-get was called before the tools were checked"

STUB_FAIL=1 run && fail "a failed apt-get source went unnoticed"
grep -q "E: Unable to find a source package for libsodium=$version" "$work/err" ||
    fail "apt's message is not shown: $(cat "$work/err")"
[[ -z $(find "$XDG_CACHE_HOME" -name .fetched) ]] || fail "a failed fetch left a .fetched stamp"

# An older revision, complete and stamped, and an unversioned folder as older runs left them.
mkdir -p "$src/libsodium_0.9-1" "$XDG_CACHE_HOME/corvane-windows/work/libsodium-0.9"
touch "$src/libsodium_0.9-1/.fetched" "$XDG_CACHE_HOME/corvane-windows/work/libsodium-0.9/.fetched"
: >"$STUB_LOG"
run || fail "the fetch failed: $(cat "$work/err")"
[[ $(<"$work/out") == "$src/libsodium_$version" ]] || fail "fetched into $(<"$work/out")"
[[ $(<"$src/libsodium_$version/wanted") == "libsodium=$version" && -f "$src/libsodium_$version/.fetched" ]] ||
    fail "the folder does not hold the version asked for"
grep -q "source -qq libsodium=$version\$" "$STUB_LOG" || fail "apt-get was not asked for $version: $(cat "$STUB_LOG")"
[[ ! -e "$src/libsodium_0.9-1" && ! -e "$XDG_CACHE_HOME/corvane-windows/work/libsodium-0.9" ]] ||
    fail "the older revision's folders were kept"

# The exact version's complete folder is reused without asking apt again.
: >"$STUB_LOG"
STUB_FAIL=1 run || fail "the fetched folder was not reused: $(cat "$work/err")"
[[ ! -s "$STUB_LOG" && $(<"$work/out") == "$src/libsodium_$version" ]] || fail "fetched again: $(cat "$STUB_LOG")"
passed "toolchain fetch"
