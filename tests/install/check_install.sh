#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR and a /usr prefix) and checks the installed tree
# with the tools a distribution uses: desktop-file-validate, appstreamcli and groff.
# usage: check_install.sh BUILD_DIR
set -uo pipefail
build=$1
stage=$build/install-stage
rm -rf "$stage"
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! DESTDIR=$stage cmake --install "$build" --prefix /usr >"$build/install-stage.log" 2>&1; then
  cat "$build/install-stage.log"
  fail "cmake --install"
  exit 1
fi
usr=$stage/usr
for f in bin/orbelune bin/orbelune-cat libexec/orbelune/orbelune-cat-full libexec/orbelune/orbelune-cat-print \
         share/applications/org.orbelune.orbelune.desktop share/solid/actions/orbelune-audiocd.desktop \
         share/metainfo/org.orbelune.orbelune.metainfo.xml share/icons/hicolor/scalable/apps/orbelune.svg \
         share/man/man1/orbelune.1 share/man/man1/orbelune-cat.1 share/man/man1/orbelune-copy.1 share/orbelune/demo/orbelune-demo.cue; do
  [ -e "$usr/$f" ] || fail "not installed: $f"
done
# Only the programs a user runs are commands; the helpers of orbelune-cat are not.
[ "$(ls "$usr/bin" | tr '\n' ' ')" = "orbelune orbelune-cat orbelune-copy " ] || fail "bin/ holds $(ls "$usr/bin" | tr '\n' ' ')"
for size in 16 22 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/orbelune.png
  # The PNG header's width and height (big-endian, bytes 16-23) must be the folder's size.
  dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "icon $png is ${dims:-missing}"
done

# The installed orbelune-cat finds its helpers, also when the whole tree has moved.
empty=$stage/empty && mkdir -p "$empty"
mv "$usr" "$stage/moved"
out=$("$stage/moved/bin/orbelune-cat" --dir "$empty" print --pdf "$empty/x.pdf" 2>&1)
mv "$stage/moved" "$usr"
grep -q "cannot start" <<<"$out" && fail "installed orbelune-cat cannot start its helpers: $out"

desktop=$usr/share/applications/org.orbelune.orbelune.desktop
metainfo=$usr/share/metainfo/org.orbelune.orbelune.metainfo.xml
# Every Exec names an installed program and the icon is installed under its name.
while read -r exe; do
  [ -x "$usr/bin/$exe" ] || fail "desktop entry runs $exe, which is not installed"
done < <(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -e "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon named '$icon'"
# The component's ID is the desktop entry's name; it names the player's bus name and describes its release.
grep -q '<id>org.orbelune.orbelune</id>' "$metainfo" || fail "metainfo's ID is not the desktop entry's name"
grep -q '<launchable type="desktop-id">org.orbelune.orbelune.desktop</launchable>' "$metainfo" ||
  fail "metainfo does not launch org.orbelune.orbelune.desktop"
grep -q '<dbus type="user">org.mpris.MediaPlayer2.orbelune</dbus>' "$metainfo" || fail "metainfo lacks the MPRIS name"
sed -n '/<release /,/<\/release>/p' "$metainfo" | grep -q '<description>' || fail "the release has no description"

# KDE's device notifier offers the player for an audio CD, with the drive's address as the desktop gives it.
solid=$usr/share/solid/actions/orbelune-audiocd.desktop
grep -qx "X-KDE-Solid-Predicate=OpticalDisc.availableContent & 'Audio'" "$solid" || fail "Solid action: no audio CD predicate"
[ "$(sed -n 's/^Exec=//p' "$solid")" = "orbelune cdda://%d" ] || fail "Solid action does not hand the drive over"

# The desktop starts the handler for an inserted audio CD with the disc's address, which the player takes
# for automatic play on that drive.
if command -v gio >/dev/null; then
  stub=$stage/stub && mkdir -p "$stub"
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/args"\n' "$stub" >"$stub/orbelune"
  chmod +x "$stub/orbelune"
  PATH=$stub:$PATH timeout 10 gio launch "$desktop" cdda://sr0/ >/dev/null 2>&1
  for _ in $(seq 50); do [ -s "$stub/args" ] && break; sleep 0.1; done
  [ "$(cat "$stub/args" 2>/dev/null)" = "cdda://sr0/" ] || fail "gio launch passed '$(cat "$stub/args" 2>/dev/null)'"
else
  echo "gio not installed: launch not checked"
fi

if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
else
  echo "desktop-file-validate not installed: skipped"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" ||
    fail "appstreamcli validate"
else
  echo "appstreamcli not installed: skipped"
fi

# The manual pages render without a warning and name every option the programs' --help lists.
for prog in orbelune orbelune-cat; do
  page=$usr/share/man/man1/$prog.1
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "$prog.1: $warnings"
  text=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
  help=$("$usr/bin/$prog" --help 2>/dev/null) || fail "installed $prog --help failed"
  # Options, and the commands that follow the usage lines' "[--dir FOLDER]".
  for word in $( (grep -oE -- '--[a-z-]+' <<<"$help"; grep -oE '\] [a-z]+( \| [a-z]+)*' <<<"$help" |
                 tr -c 'a-z\n' '\n') | sort -u); do
    grep -qF -- "$word" <<<"$text" || fail "$prog.1 does not mention $word"
  done
done

[ "$failures" -eq 0 ] && echo "installed tree is sound"
exit $((failures > 0))
