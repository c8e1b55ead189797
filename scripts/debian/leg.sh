#!/usr/bin/env bash
# The Debian leg: Corvane's source package built the way Debian builds it, for Debian 12 (bookworm) and
# 13 (trixie), by sbuild, as the user and without network, each in a clean root of its release that
# holds build-essential, fakeroot and the package's Build-Depends and nothing else (scripts/roots.sh).
# For each release: the package builds and passes its unit tests; a second build in another folder, at
# another time, in another time zone gives the same bytes; lintian --pedantic has nothing to say; the
# installed layout and fields are right; autopkgtest, through its unshare backend, passes in a bare
# root that holds only what the test's Depends bring. Then both releases' packages are published into
# an APT repository signed with a throwaway key, and in a bare root of each release Corvane is installed
# from it as the README says and upgraded to a 1.0.1 built from the same tree, with the presets kept;
# the Debian 12 root is then upgraded to Debian 13 as the README says.
#   leg.sh [RELEASE...]     default: bookworm trixie
#   leg.sh --keep DIR ...   leave the source packages, packages and repository in DIR
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/scripts/preflight.sh"
require_tools
source "$repo/scripts/progress.sh"
source "$repo/scripts/roots.sh"

keep=''
[[ ${1:-} != --keep ]] || { keep=$(realpath -m "$2"); shift 2; }
releases=("$@")
((${#releases[@]})) || releases=(bookworm trixie)
out=${keep:-$(mktemp -d "${TMPDIR:-/tmp}/corvane-debian.XXXXXX")}
[[ -n $keep ]] || trap 'rm -rf "$out"' EXIT
mkdir -p "$out"
upstream=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
next=$(awk -F. '{ print $1 "." $2 "." $3 + 1 }' <<<"$upstream")

# build RELEASE NAME [VERSION]: the source package of HEAD for RELEASE, built by sbuild as this user,
# without network, in a fresh copy of the release's build root, into $out/RELEASE/NAME. The first build
# runs the unit tests; the others, made for comparison and for the upgrade, vary what a build must not
# depend on (the build path, the time zone, the time, the tests) and skip them.
build() {
    local release=$1 name=$2 version=${3:-} dir=$out/$1/$2 tar
    rm -rf "$dir"
    mkdir -p "$dir/src"
    "$repo/scripts/debian/source.sh" "$dir/src" "$release" $version >"$dir/source.log" 2>&1 ||
        { cat "$dir/source.log" >&2; roots_die "the $release source package could not be made"; }
    tar=$(root_tar build)
    # sbuild's own settings alone, not the user's ~/.sbuildrc.
    case $name in
        one) printf '$build_environment = { TZ => "UTC" };\n1;\n' >"$dir/sbuild.conf"
             export DEB_BUILD_OPTIONS=parallel=2 ;;
        *) printf '$build_path = "/build/a/much/longer/path/%s";\n$build_environment = { TZ => "Etc/GMT-14" };\n1;\n' \
               "$name" >"$dir/sbuild.conf"
           export DEB_BUILD_OPTIONS='parallel=2 nocheck' ;;
    esac
    # The build root holds the Build-Depends already: apt is asked nothing new, so a run offline builds.
    # lintian runs on this machine after it (sbuild would install it into the root first).
    run_step "building the $release package ($name${version:+, $version})" "$dir/build.log" \
        env SBUILD_CONFIG="$dir/sbuild.conf" sbuild --nolog --chroot-mode=unshare --chroot="$tar" --dist="$release" \
            --build-dir="$dir" --no-apt-update --no-apt-upgrade --no-apt-distupgrade --no-run-lintian \
            --no-run-piuparts --no-run-autopkgtest --no-source-only-changes "$dir"/src/*.dsc ||
        roots_die "the $release package did not build (log: $dir/build.log)"
}

# same RELEASE: the two builds' packages are the same bytes, or diffoscope shows how they differ.
same() {
    local deb other status=0
    for deb in "$out/$1/one"/*.deb; do
        other=$out/$1/two/${deb##*/}
        cmp -s "$deb" "$other" ||
            { status=1 && roots_log "two builds give different ${deb##*/}:" && diffoscope --text - "$deb" "$other" >&2; } || true
    done
    ((status == 0)) || roots_die "the $1 package is not reproducible"
    roots_log "two builds of the $1 package gave the same bytes"
}

lint() {
    local dir=$out/$1/one
    # One Standards-Version serves both releases: the one Debian 12's lintian knows, which Debian 13's
    # calls out of date.
    # The note on a first upload fits the committed change log; the rebuild's entry on top leaves it unused.
    # lintian leaves files of its own in TMPDIR: they go with the build's folder.
    mkdir -p "$dir/tmp"
    TMPDIR=$dir/tmp lintian --pedantic -I --suppress-tags out-of-date-standards-version "$dir"/src/*.dsc "$dir"/*.changes >"$dir/lintian.log" 2>&1 &&
        ! grep -Eqv '^I: corvane: unused-override initial-upload-closes-no-bugs |^N: 0 hints overridden; 1 unused override$' "$dir/lintian.log" ||
        { cat "$dir/lintian.log" >&2; roots_die "lintian has something to say of the $1 packages"; }
    roots_log "lintian --pedantic: nothing to say of the $1 .dsc, .changes and .debs"
}

for release in "${releases[@]}"; do
    roots_init "$release"
    root_tar build >/dev/null
    root_tar bare >/dev/null
    build "$release" one
    build "$release" two
    same "$release"
    lint "$release"
    bash "$repo/tests/packaging/check_install.sh" deb "$out/$release/one"/*.deb ||
        roots_die "the $release package's fields or layout are wrong"
    # In a bare root, which holds only what the test's Depends bring. Its downloads go to the shared
    # folder, as the roots' own do, and stay the user's.
    run_step "autopkgtest of the $release package" "$out/$release/autopkgtest.log" \
        autopkgtest -q "$out/$release/one"/*.deb "$out/$release/one"/src/*.dsc \
            --setup-commands="echo 'APT::Sandbox::User \"root\";' >/etc/apt/apt.conf.d/00corvane-sandbox" \
            -- unshare --release "$release" --tarball "$(root_tar bare)" --bind "$roots_cache/archives" /var/cache/apt/archives ||
        roots_die "autopkgtest failed for the $release package (log: $out/$release/autopkgtest.log)"
    build "$release" next "$next-1"
done

# The repository, with throwaway keys: 1.0.0 signed by the first; the same with the next key announced in
# the keyring package; the same with 1.0.1 added and signed by the next key alone. (How apt takes it
# signed by another key, or too old, tests/scripts/apt_publish.sh shows.)
export GNUPGHOME=$out/gnupg
mkdir -p -m 700 "$GNUPGHOME"
trap 'gpgconf --kill all 2>/dev/null; [[ -n $keep ]] || rm -rf "$out"' EXIT
for name in first next; do
    gpg --batch --quiet --passphrase '' --quick-gen-key "Corvane test archive <$name@corvane.example>" ed25519 sign never
done
fpr() { gpg --batch --with-colons --list-keys "$1@corvane.example" | awk -F: '/^fpr/ { print $10; exit }'; }
# publish NAME BUILD ARGS...: each release's packages of the build BUILD (none for -) into the
# repository $out/repos/NAME, served at file:///repo, with publish.sh's ARGS.
publish() {
    local release name=$1 build=$2
    local -a files=()
    shift 2
    [[ $build == - ]] || for release in "${releases[@]}"; do files+=("$out/$release/$build"/*.changes "$out/$release/$build"/src/*.dsc); done
    "$repo/scripts/debian/publish.sh" "$out/repos/$name" --url file:///repo "$@" "${files[@]}" \
        >>"$out/repos/publish.log" 2>&1 || { cat "$out/repos/publish.log" >&2; roots_die "publishing the $name repository failed"; }
}
mkdir -p "$out/repos"
publish one one --key "$(fpr first)"
cp -a "$out/repos/one" "$out/repos/keys"
publish keys - --key "$(fpr first)" --trust "$(fpr first)" --trust "$(fpr next)"
cp -a "$out/repos/keys" "$out/repos/next"
publish next next --key "$(fpr next)"
roots_log "the repository holds $(du -sh --exclude=.reprepro "$out/repos/one" | cut -f1) for ${releases[*]}"

# In one bare root of each release, in turn: installed as the README says, the next key taken, then
# upgraded from the repository that only the next key signs; Debian 12's
# then upgraded to Debian 13 as the README says, with Debian 13's downloads in its own shared folder.
for release in "${releases[@]}"; do
    phases='one:install keys:keyring next:upgrade' binds=()
    if [[ $release == bookworm && " ${releases[*]} " == *' trixie '* ]]; then
        phases+=' next:release' binds=(--bind "$(dirname "$roots_cache")/trixie/archives:/var/cache/apt/trixie")
    fi
    roots_init "$release"
    run_step "installing and upgrading from the repository in a bare $release root" "$out/$release/repository.log" \
        in_root bare --bind "$out/repos:/repos:ro" --bind "$repo:/src/corvane:ro" "${binds[@]}" -- bash -c '
            set -e
            for phase in '"$phases"'; do
                ln -sfn "/repos/${phase%:*}" /repo
                bash /src/corvane/tests/packaging/repository.sh "${phase#*:}"
            done' || roots_die "the repository test failed in the $release root (log: $out/$release/repository.log)"
done
for release in "${releases[@]}"; do roots_init "$release"; roots_check_cache; done
roots_log "the Debian leg passed for ${releases[*]}"
