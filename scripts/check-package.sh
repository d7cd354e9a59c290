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
            share/bash-completion/completions/zrl-decoder share/doc/zrl-decoder/copyright \
            share/doc/zrl-decoder/changelog.gz; do
  [ -e "$stage/usr/$file" ] || { echo "not installed: /usr/$file"; exit 1; }
done
bash -n "$share/bash-completion/completions/zrl-decoder"

# The service of a watched folder: the installed program, and its hardening.
unit="$stage/usr/lib/systemd/system/zrl-decoder-watch@.service"
[ -e "$unit" ] || { echo "not installed: /usr/lib/systemd/system/zrl-decoder-watch@.service"; exit 1; }
grep -q '^ExecStart=/usr/bin/zrl-decoder --watch ' "$unit" || { echo "service does not start /usr/bin/zrl-decoder"; exit 1; }
for line in ProtectSystem=strict NoNewPrivileges=yes 'ReadWritePaths='; do
  grep -q "^$line" "$unit" || { echo "service lacks $line"; exit 1; }
done
if command -v systemd-analyze > /dev/null; then
  # The unit's own syntax: the program is staged, not where the unit points.
  problems=$(SYSTEMD_LOG_LEVEL=err systemd-analyze verify --man=no "$unit" 2>&1 | grep -v 'is not executable' || true)
  [ -z "$problems" ] || { echo "service unit: $problems"; exit 1; }
fi

# The menu entry's command, run as a desktop runs it: %F stands for no file
# (started from the menu) and for two (opened from a file manager). A
# program that refuses its arguments prints its usage and exits at once; a
# window keeps it running, so it must still be alive after two seconds.
exec_line=$(sed -n 's/^Exec=//p' "$share/applications/zrl-decoder.desktop")
case "$exec_line" in *%F*) ;; *) echo "menu entry without %F: $exec_line"; exit 1 ;; esac
logs="$stage/logs"
mkdir -p "$logs" "$stage/home"
"$build/zrl-gen" --preset sample --output "$logs/first.zrl" > /dev/null
cp "$logs/first.zrl" "$logs/second.zrl"
for files in "" "$logs/first.zrl $logs/second.zrl"; do
  command=$(printf '%s\n' "$exec_line" | sed "s|%F|$files|")
  # A home of its own: the check must not remember anything for the user.
  HOME="$stage/home" XDG_CONFIG_HOME="$stage/home/.config" PATH="$stage/usr/bin:$PATH" \
    QT_QPA_PLATFORM=offscreen sh -c "exec $command" > "$stage/run.log" 2>&1 &
  pid=$!
  sleep 2
  if ! kill -0 "$pid" 2> /dev/null; then
    status=0; wait "$pid" || status=$?
    echo "menu entry '$command' brought no window up (exit $status):"; cat "$stage/run.log"; exit 1
  fi
  kill "$pid"; wait "$pid" 2> /dev/null || true
  echo "menu entry runs: $command"
done

deb=$(ls -1t "$build"/zrl-decoder_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --contents "$deb"
dpkg-deb --field "$deb" Depends | grep -q 'libqt5widgets5' || { echo "Depends lacks Qt"; exit 1; }
dpkg-deb --field "$deb" Recommends | grep -q 'bash-completion' || { echo "Recommends lacks bash-completion"; exit 1; }
echo "package check passed"
