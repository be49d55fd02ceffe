#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need; only what is missing.
set -euo pipefail

# dpkg (dpkg-deb) checks the Debian package that cpack makes; it is on every Debian system.
packages=(build-essential cmake ninja-build dpkg googletest libgtest-dev libbenchmark-dev clang
          qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl1-mesa-dev libx11-dev xvfb xauth desktop-file-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
