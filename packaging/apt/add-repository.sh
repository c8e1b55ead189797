#!/bin/sh
# How a Debian 12 or 13 user adds Corvane's APT repository and installs Corvane. Below the line
# `keyring_sha256=`, these are the lines of the README's Installing section, word for word: keep the two
# the same.
# tests/packaging/repository.sh runs them as they stand, as a user with sudo would, so no `set -e`:
# the lines themselves must stop at the first step that fails, and end with its status.
#   add-repository.sh [BASE_URL [KEYRING_SHA256]]
#     BASE_URL        where the repository is served (default the public one)
#     KEYRING_SHA256  the SHA-256 of its corvane-archive-keyring.gpg (default the README's)
base=${1:-https://corvane.example/apt}
keyring_sha256=${2:-0000000000000000000000000000000000000000000000000000000000000000}
sudo apt-get update && sudo apt-get install curl && dir=$(mktemp -d) &&
    curl -fsSLo "$dir/keyring.gpg" "$base/corvane-archive-keyring.gpg" &&
    echo "$keyring_sha256  $dir/keyring.gpg" | sha256sum --check --quiet &&
    curl -fsSLo "$dir/corvane.sources" "$base/corvane.sources" &&
    sed -i "s/@CODENAME@/$(. /etc/os-release && echo "$VERSION_CODENAME")/" "$dir/corvane.sources" &&
    sudo install -m 0644 "$dir/keyring.gpg" /usr/share/keyrings/corvane-archive-keyring.gpg &&
    sudo install -m 0644 "$dir/corvane.sources" /etc/apt/sources.list.d/ && rm -r "$dir" &&
    sudo apt-get update && sudo apt-get install corvane-archive-keyring corvane
