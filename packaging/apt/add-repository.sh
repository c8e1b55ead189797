#!/bin/sh
# How a Debian 12 or 13 user adds Corvane's APT repository and installs Corvane. Below the line `base=`,
# these are the lines of the README's Installing section, word for word: keep the two the same.
# tests/packaging/repository.sh runs them as they stand.
#   add-repository.sh [BASE_URL]     BASE_URL: where the repository is served (default the public one)
set -e
base=${1:-https://corvane.example/apt}
sudo apt-get update && sudo apt-get install curl
sudo curl -fsSLo /etc/apt/keyrings/corvane-archive-keyring.gpg "$base/corvane-archive-keyring.gpg"
curl -fsSL "$base/corvane.sources" | sed "s/@CODENAME@/$(. /etc/os-release && echo "$VERSION_CODENAME")/" |
    sudo tee /etc/apt/sources.list.d/corvane.sources
sudo apt-get update && sudo apt-get install corvane
