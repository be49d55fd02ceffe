#!/usr/bin/env bash
# Installs the build (argument: the build folder) with cmake --install into a temporary
# prefix and builds the installed demo project with the installed program, from an
# unrelated folder, with a fresh home.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/larkspan-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with blank"

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/larkspan lib/larkspan/larkspan lib/larkspan/liblarkspan_gui.so lib/larkspan/libbrevic.so.3 \
         share/larkspan/autochar.txt share/larkspan/styles.dat share/larkspan/help/index.html \
         share/larkspan/new-htm/default.htm share/larkspan/larkspan.svg share/larkspan/licence.txt \
         share/larkspan/demo1/Demo1/index1.htm share/larkspan/demo2/Demo2/deutsch/index2.htm \
         share/applications/larkspan.desktop \
         share/mime/packages/larkspan.xml share/icons/hicolor/scalable/apps/larkspan.svg \
         share/icons/hicolor/scalable/mimetypes/application-x-larkspan-project.svg \
         share/man/man1/larkspan.1.gz share/metainfo/org.larkspan.larkspan.metainfo.xml \
         share/bash-completion/completions/larkspan share/doc/larkspan/copyright; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
[ -L "$prefix/bin/larkspan" ] || { echo "bin/larkspan is not a link"; exit 1; }

mkdir -p "$work/home" "$work/elsewhere"
cd "$work/elsewhere"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
"$prefix/bin/larkspan" --version
"$prefix/bin/larkspan" "$prefix/share/larkspan/demo2/demo2.hpr" /build
for page in english/index2.htm english/about2.htm deutsch/index2.htm deutsch/about2.htm; do
  [ -s "$prefix/share/larkspan/demo2/Demo2/$page" ] || { echo "not built: $page"; exit 1; }
done
echo "installed and built"
