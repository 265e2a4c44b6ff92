#!/usr/bin/env bash
# Installs what building and testing Palisor needs, when it is missing (Debian; run as root).
# Further package names given as arguments are installed too.
set -euo pipefail

packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev libtinygltf-dev libeigen3-dev
  nlohmann-json3-dev "$@")
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
