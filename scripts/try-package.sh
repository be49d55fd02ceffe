#!/usr/bin/env bash
# Installs, uses and removes the Debian package as a user would, on a machine without the
# build tree: apt install ./larkspan_*.deb, larkspan --version, the demo copied and built
# with /build, the file types the desktop now knows, apt remove larkspan, and then no file
# of the package left.
#
#   bash scripts/try-package.sh [--here] [PACKAGE.deb]     (default: build/larkspan_*.deb)
#
# By default it runs in a throw-away Debian chroot of this machine's release, made by
# mmdebstrap (as root, from the Debian mirror; installed when missing) and discarded at the
# end. With --here it runs on this machine itself (as root; the package must not be
# installed yet).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
here=0
if [ "${1:-}" = --here ]; then here=1; shift; fi
deb=${1:-}
if [ -z "$deb" ]; then
  deb=$(ls "$root"/build/larkspan_*.deb 2>/dev/null | head -n1 || true)
  [ -n "$deb" ] || { echo "no package: make one with (cd build && cpack -G DEB), or name it" >&2; exit 2; }
fi
deb=$(realpath "$deb")
[ "$(id -u)" = 0 ] || { echo "run as root (the package is installed with apt)" >&2; exit 2; }

# What a user does, and the checks; run as root on the machine that gets the package.
user_session() {
  local deb=$1 user=larkspan-user
  export DEBIAN_FRONTEND=noninteractive
  unset APT_CONFIG # mmdebstrap's own, which leaves out recommended packages
  echo "== apt install ./$(basename "$deb")"
  cp "$deb" /tmp/ && cd /tmp
  apt-get install -y -q -o APT::Install-Recommends=true "./$(basename "$deb")" >/tmp/apt.log 2>&1 ||
    { cat /tmp/apt.log; return 1; }
  echo "$(grep -c '^Setting up' /tmp/apt.log) packages set up, among them:"
  grep -E '^(Setting up (larkspan|xdg-utils|shared-mime-info|qt6-wayland)|Processing triggers for (shared-mime-info|desktop-file-utils|hicolor)|E:)' /tmp/apt.log || true
  dpkg -s larkspan | grep -E '^(Status|Version|Depends|Recommends):'
  dpkg -L larkspan >/tmp/larkspan.files

  id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
  echo "== as $user: larkspan --version; the demo copied and built"
  runuser -u "$user" -- bash -euc '
    cd ~
    command -v larkspan
    larkspan --version
    rm -rf demo2 && cp -r /usr/share/larkspan/demo2 ~/
    larkspan demo2/demo2.hpr /build
    ls demo2/Demo2/english demo2/Demo2/deutsch
    echo "xdg-mime query filetype demo2/demo2.hpr: $(xdg-mime query filetype demo2/demo2.hpr)"
    echo "xdg-mime query filetype demo2/Demo2/index2.tpl: $(xdg-mime query filetype demo2/Demo2/index2.tpl)"
    [ "$(xdg-mime query filetype demo2/demo2.hpr)" = application/x-larkspan-project ]
    [ "$(xdg-mime query filetype demo2/Demo2/index2.tpl)" = application/x-larkspan-template ]
    [ -s demo2/Demo2/deutsch/about2.htm ]
    # The window, on the toolkit'"'"'s screen-less platform, closed at its first idle moment:
    # it starts with the libraries and plugins the package brought, and registers the file
    # types in the home folder, which /unregister undoes.
    export QT_QPA_PLATFORM=offscreen LARKSPAN_EXIT_AT_IDLE=1 XDG_RUNTIME_DIR=$(mktemp -d)
    quiet() { # the offscreen platform'"'"'s remarks left out
      local out; out=$("$@" 2>&1) || { echo "$out"; return 1; }
      grep -v propagateSizeHints <<<"$out" || true
    }
    quiet larkspan demo2/Demo2/index2.tpl
    echo "the window opened and closed; it registered:"
    ls ~/.local/share/applications/larkspan.desktop ~/.local/share/mime/packages/larkspan.xml
    quiet larkspan /unregister
    [ ! -e ~/.local/share/applications/larkspan.desktop ]'

  echo "== apt remove larkspan"
  apt-get remove -y -q larkspan >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; return 1; }
  grep -E '^(Removing|Processing triggers for shared-mime-info|E:)' /tmp/apt.log || true
  dpkg -s larkspan >/dev/null 2>&1 && { echo "dpkg still lists larkspan: $(dpkg -s larkspan | grep ^Status)"; return 1; }
  local left=0 f
  while read -r f; do
    # Folders the package shares with others (/usr/share/man/man1) may stay; its files and
    # its own folders may not.
    if [ -d "$f" ] && [ ! -L "$f" ]; then
      case "$f" in */larkspan | */larkspan/*) echo "left behind: $f/"; left=1 ;; esac
    elif [ -e "$f" ] || [ -L "$f" ]; then
      echo "left behind: $f"; left=1
    fi
  done </tmp/larkspan.files
  [ $left = 0 ] || return 1
  echo "no file of the package is left ($(wc -l </tmp/larkspan.files) paths checked)"
  runuser -u "$user" -- bash -c 'echo "xdg-mime query filetype ~/demo2/demo2.hpr: $(xdg-mime query filetype ~/demo2/demo2.hpr)"'
  userdel --remove "$user" 2>/dev/null || true
  rm -f "/tmp/$(basename "$deb")" /tmp/larkspan.files /tmp/apt.log
}

if [ $here = 1 ]; then
  dpkg -s larkspan >/dev/null 2>&1 && { echo "larkspan is installed here already: remove it first" >&2; exit 2; }
  user_session "$deb"
  echo "installed, used and removed on this machine"
  exit 0
fi

command -v mmdebstrap >/dev/null || apt-get install -y -q mmdebstrap >/dev/null
. /etc/os-release
work=$(mktemp -d /tmp/larkspan-try-XXXXXX)
trap 'rm -rf "$work"' EXIT
{
  echo 'set -euo pipefail'
  declare -f user_session
  echo 'user_session "$1"'
} >"$work/session.sh"
cp "$deb" "$work/"
echo "== a throw-away $PRETTY_NAME chroot (mmdebstrap)"
# xdg-utils is what a desktop user has; the package recommends it, and it brings mimetype.
mmdebstrap --quiet --variant=apt --include=passwd \
  --aptopt='Acquire::Check-Valid-Until "false"' \
  --customize-hook="copy-in $work/session.sh $work/$(basename "$deb") /root" \
  --customize-hook="chroot \"\$1\" bash /root/session.sh /root/$(basename "$deb")" \
  "$VERSION_CODENAME" /dev/null
echo "installed, used and removed in a throw-away chroot"
