#!/usr/bin/env bash
# Builds the Debian package of the build (argument: the build folder) and checks it as
# Debian and the desktop would: lintian without an error or a warning, the AppStream
# metadata, the desktop entry, the manual page, the bash completion and the MIME types, all
# from the package's own files.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/larkspan-deb-XXXXXX)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
deb=$(ls "$work"/*.deb)
contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/larkspan ./usr/lib/larkspan/larkspan ./usr/lib/larkspan/liblarkspan_gui.so \
         ./usr/lib/larkspan/libbrevic.so.3 ./usr/share/larkspan/autochar.txt \
         ./usr/share/larkspan/demo2/demo2.hpr ./usr/share/applications/larkspan.desktop \
         ./usr/share/mime/packages/larkspan.xml ./usr/share/icons/hicolor/scalable/apps/larkspan.svg \
         ./usr/share/man/man1/larkspan.1.gz ./usr/share/doc/larkspan/copyright \
         ./usr/share/doc/larkspan/changelog.gz ./usr/share/metainfo/org.larkspan.larkspan.metainfo.xml \
         ./usr/share/bash-completion/completions/larkspan; do
  grep -q " $f\( ->.*\)\?\$" <<<"$contents" || { echo "not in the package: $f"; echo "$contents"; exit 1; }
done
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
# Computed from the binaries (libc6 is never named by hand), with the SVG plugins.
for p in libc6 libqt6widgets6 libqt6svg6; do
  grep -qE "(^|, )$p( |,|$)" <<<"$depends" || { echo "the package does not depend on $p"; exit 1; }
done

echo "== lintian"
# Informational tags are shown, not failed on.
status=0
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian" || true
[ $status = 0 ] || { echo "lintian reports errors or warnings (status $status)"; exit 1; }

root="$work/root"
dpkg-deb --extract "$deb" "$root"
share="$root/usr/share"
echo "== copyright"
# The licence the copyright file gives is, word for word, the text setup installs as
# licence.txt.
words() { tr -s ' \r\n\t' '\n\n\n\n' | sed '/^\.\?$/d'; }
given=$(awk '/^License: Expat$/ { text = ""; next } { text = text $0 "\n" } END { printf "%s", text }' \
         "$share/doc/larkspan/copyright" | words)
shipped=$(sed -n '/^Copyright /,$p' "$share/larkspan/licence.txt" | words)
[ -n "$given" ] && [ "$given" = "$shipped" ] || { echo "the copyright file's licence is not licence.txt's"; exit 1; }
echo "== appstreamcli validate"
appstreamcli validate --no-net "$share/metainfo/org.larkspan.larkspan.metainfo.xml"
echo "== desktop-file-validate"
desktop-file-validate "$share/applications/"*.desktop
grep -qx 'Exec="larkspan" %f' "$share/applications/larkspan.desktop"
echo "== manual page, bash completion"
bash "$here/manpage_test.sh" "$root/usr/bin/larkspan" "$share/man/man1/larkspan.1.gz"
bash "$here/completion_test.sh" "$root/usr/bin/larkspan" "$share/bash-completion/completions/larkspan"

echo "== MIME types"
# The types of the MIME package, each with its icon; the desktop entry and the metadata name
# the same.
types=$(grep -o '<mime-type type="[^"]*"' "$share/mime/packages/larkspan.xml" | cut -d'"' -f2 | sort)
[ "$(wc -l <<<"$types")" = 2 ] || { echo "expected two MIME types, found: $types"; exit 1; }
for t in $types; do
  [ -f "$share/icons/hicolor/scalable/mimetypes/${t/\//-}.svg" ] || { echo "no icon for $t"; exit 1; }
done
entry_types=$(sed -n 's/^MimeType=//p' "$share/applications/larkspan.desktop" | tr ';' '\n' | sed '/^$/d' | sort)
meta_types=$(grep -o '<mediatype>[^<]*' "$share/metainfo/org.larkspan.larkspan.metainfo.xml" | cut -d'>' -f2 | sort)
[ "$entry_types" = "$types" ] || { echo "the desktop entry names $entry_types, the MIME package $types"; exit 1; }
[ "$meta_types" = "$types" ] || { echo "the metadata names $meta_types, the MIME package $types"; exit 1; }
# The desktop's database, built from the package's MIME package alone, types the files.
XDG_DATA_DIRS="$share" update-mime-database "$share/mime"
mkdir "$work/files" "$work/home"
printf '[Groups]\r\nGroupNumber=1\r\nGroup0=site.mcr\r\n' >"$work/files/site.hpr"
printf '<p>{#Hello}</p>\r\n' >"$work/files/page.tpl"
for pair in site.hpr=application/x-larkspan-project page.tpl=application/x-larkspan-template; do
  file=${pair%%=*} want=${pair#*=}
  got=$(XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$share" mimetype --brief "$work/files/$file")
  [ "$got" = "$want" ] || { echo "$file is typed $got, not $want"; exit 1; }
done
grep -qx 'application/x-larkspan-project text/plain' "$share/mime/subclasses"
grep -qx 'application/x-larkspan-template text/html' "$share/mime/subclasses"
echo "$(basename "$deb"): lintian-clean; metadata, desktop entry, manual page, completion and MIME types check"
