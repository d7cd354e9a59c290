#!/bin/sh
# Installs the build into a staging directory and checks what a desktop
# installation gets: a valid menu entry, a MIME package, a man page that
# renders without warnings, and a Debian package with its dependencies.
set -eu
build=${1:-build}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr > /dev/null
share="$stage/usr/share"

desktop-file-validate "$share/applications/zrl-decoder.desktop"
xml=$share/mime/packages/zrl-decoder.xml
update-mime-database "$share/mime" > /dev/null
grep -q 'application/x-zrl-log' "$share/mime/globs2" || { echo "MIME type not registered from $xml"; exit 1; }

man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
  man --warnings -E UTF-8 -l -Tutf8 -Z "$share/man/man1/zrl-decoder.1.gz" 2>&1 > /dev/null)
if [ -n "$man_warnings" ]; then
  echo "man page warnings:"; echo "$man_warnings"; exit 1
fi

for file in bin/zrl-decoder share/icons/hicolor/scalable/apps/zrl-decoder.svg \
            share/icons/hicolor/48x48/apps/zrl-decoder.png \
            share/bash-completion/completions/zrl-decoder; do
  [ -e "$stage/usr/$file" ] || { echo "not installed: /usr/$file"; exit 1; }
done
bash -n "$share/bash-completion/completions/zrl-decoder"

deb=$(ls -1t "$build"/zrl-decoder_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --contents "$deb"
dpkg-deb --field "$deb" Depends | grep -q 'libqt5widgets5' || { echo "Depends lacks Qt"; exit 1; }
echo "package check passed"
