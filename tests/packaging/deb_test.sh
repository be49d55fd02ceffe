#!/usr/bin/env bash
# Builds the Debian package of the build (argument: the build folder) and checks that it
# holds the program, the desktop entry, the MIME package and the icon.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/larkspan-deb-XXXXXX)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
deb=$(ls "$work"/*.deb)
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/larkspan ./usr/lib/larkspan/larkspan ./usr/lib/larkspan/liblarkspan_gui.so \
         ./usr/lib/larkspan/libbrevic.so.3 ./usr/share/larkspan/autochar.txt \
         ./usr/share/larkspan/demo2/demo2.hpr ./usr/share/applications/larkspan.desktop \
         ./usr/share/mime/packages/larkspan.xml ./usr/share/icons/hicolor/scalable/apps/larkspan.svg; do
  grep -q " $f\( ->.*\)\?\$" <<<"$contents" || { echo "not in the package: $f"; echo "$contents"; exit 1; }
done
dpkg-deb --field "$deb" Package Depends
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/larkspan.desktop | grep -qx 'Exec="larkspan" %f'
echo "$(basename "$deb"): program, desktop entry, MIME package and icon"
