#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need; only what is missing.
set -euo pipefail

# clang-format and clang-tidy keep the style (scripts/check-style.sh, run by the tests).
# The Debian package that cpack makes: dpkg-dev (dpkg-shlibdeps) and file find its
# dependencies; lintian, appstream (appstreamcli), desktop-file-utils, man-db,
# bash-completion and shared-mime-info with libfile-mimeinfo-perl (mimetype) check it.
# cpp-httplib is the live server of /serve and Live Preview; Chromium, Node.js and npm run
# the live-reload test in a real browser (tests/browser). libgettextpo reads and writes PO
# files; gettext (msgfmt) checks them in the tests.
packages=(build-essential cmake ninja-build dpkg dpkg-dev file googletest libgtest-dev libbenchmark-dev clang
          clang-format clang-tidy
          qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl1-mesa-dev libx11-dev xvfb xauth desktop-file-utils
          lintian appstream man-db bash-completion shared-mime-info libfile-mimeinfo-perl
          pkg-config libcpp-httplib-dev chromium libgettextpo-dev gettext)
# Node.js and npm may come from elsewhere (NodeSource): only when there is no such program.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)
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
