#!/usr/bin/env bash
# Checks a built Corvane.chm: it must start with the ITSF signature of a compiled
# HTML help file, and its directory must hold an entry for every page in the help
# source folder, for the stylesheet and for the contents and index files.
#
# Usage: check_chm.sh PATH/TO/Corvane.chm [HELP_SOURCE_DIR]
# HELP_SOURCE_DIR defaults to the folder this script is in.

set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 PATH/TO/Corvane.chm [HELP_SOURCE_DIR]" >&2
    exit 2
fi
chm=$1
src=${2:-$(dirname "${BASH_SOURCE[0]}")}

fail() {
    echo "check_chm: $*" >&2
    exit 1
}

[[ -f $chm ]] || fail "$chm does not exist"

# Bytes as " xx xx xx ...", so that a match always starts on a byte boundary.
hex_of_file() { od -An -v -tx1 "$1" | tr -d '\n'; }
hex_of_text() { printf '%s' "$1" | od -An -v -tx1 | tr -d '\n'; }

[[ $(head -c 4 "$chm") == ITSF ]] || fail "$chm does not start with the ITSF signature"

shopt -s nullglob
pages=("$src"/*.html)
shopt -u nullglob
((${#pages[@]} > 0)) || fail "no .html pages found in $src"

names=()
for page in "${pages[@]}"; do
    names+=("${page##*/}")
done
names+=(corvane.css Corvane.hhc Corvane.hhk)

contents=$(hex_of_file "$chm")
missing=0
for name in "${names[@]}"; do
    # A directory entry is the name's length as one byte (for names under 128
    # bytes), then the name with a leading slash. Matching the length byte too
    # keeps copies of the name in other places, such as the default topic in
    # the #SYSTEM block, from counting as the page.
    entry="/$name"
    needle=$(printf ' %02x' "${#entry}")$(hex_of_text "$entry")
    if [[ $contents != *"$needle"* ]]; then
        echo "check_chm: $name is not in $chm" >&2
        missing=$((missing + 1))
    fi
done
((missing == 0)) || fail "$missing of ${#names[@]} files missing from $chm"

echo "check_chm: $chm has the ITSF signature and all ${#names[@]} help files"
