#!/usr/bin/env bash
# Drives the player on the demo disc from the desktop's side: a private session bus, the player on the
# offscreen platform with a fresh data folder holding the demo disc's record, and playerctl as the
# client. Skipped (exit 77) when playerctl or dbus-run-session is missing.
# usage: check_mpris.sh BUILD_DIR (with ORBELUNE_TESTDATA set, as the test run sets it)
set -uo pipefail
build=$(cd "$1" && pwd)
for tool in playerctl dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "$tool not installed: skipped"; exit 77; }
done

# A data folder with the demo disc's record, so the catalogue exists (no first-run question) and names
# the tracks.
seed() {
  mkdir -p "$1"
  printf '%s\n' "[29800]" "numtracks=5" "title=Demo Disc" "artist=The Orbelune Players" \
    "0=Morning Over the Harbour" "1=Copper Kettle Waltz" "2=Lanterns" "3=The Long Way Round" \
    "4=Night Train to Ostend" >"$1/demo.ini"
  "$build/orbelune-cat" --dir "$1" import --windows "$1/demo.ini" >/dev/null
}

# Without a session bus the player runs as before and says nothing of it.
if [ "${2:-}" != "--on-bus" ]; then
  alone=$(mktemp -d)
  chmod 700 "$alone"
  seed "$alone/home" || { echo "FAIL: seeding"; exit 1; }
  env -u DBUS_SESSION_BUS_ADDRESS ORBELUNE_HOME="$alone/home" XDG_RUNTIME_DIR="$alone" XDG_CACHE_HOME="$alone" \
    QT_QPA_PLATFORM=offscreen ORBELUNE_AUDIO=null "$build/orbelune" --drive "$build/demo/orbelune-demo.cue" \
    >"$alone/log" 2>&1 </dev/null &
  pid=$!
  sleep 3
  status=0
  if ! kill "$pid" 2>/dev/null; then
    echo "FAIL: without a session bus the player ended: $(cat "$alone/log")"
    status=1
  fi
  wait "$pid" 2>/dev/null
  if [ -s "$alone/log" ]; then
    echo "FAIL: without a session bus the player said: $(cat "$alone/log")"
    status=1
  fi
  rm -rf "$alone"
  [ "$status" -eq 0 ] || exit 1
  # The rest runs inside a private bus.
  exec dbus-run-session -- bash "$0" "$build" --on-bus
fi

work=$(mktemp -d)
chmod 700 "$work"
player=
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null && wait "$player" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

dest=org.mpris.MediaPlayer2.orbelune
call() { timeout 20 gdbus call --session --dest "$dest" --object-path /org/mpris/MediaPlayer2 --method "$@" 2>&1; }
get() { call org.freedesktop.DBus.Properties.Get "$1" "$2"; }
setp() { call org.freedesktop.DBus.Properties.Set org.mpris.MediaPlayer2.Player "$1" "$2"; }
# Waits up to 15 s for property $2 of interface $1 to read $3.
expect_prop() {
  local got=
  for _ in $(seq 150); do
    got=$(get "$1" "$2")
    [ "$got" = "$3" ] && return 0
    sleep 0.1
  done
  fail "$2 read '$got', not '$3'"
}

# A first start asks whether to create the data files; the player is on the bus while the question waits.
mkdir -p "$work/first"
ORBELUNE_HOME=$work/first XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen ORBELUNE_AUDIO=null \
  "$build/orbelune" --drive "$build/demo/orbelune-demo.cue" >"$work/first.log" 2>&1 &
asking=$!
expect_prop org.mpris.MediaPlayer2 Identity "(<'Orbelune'>,)"
expect_prop org.mpris.MediaPlayer2.Player PlaybackStatus "(<'Stopped'>,)"
kill -KILL "$asking" 2>/dev/null
wait "$asking" 2>/dev/null
for _ in $(seq 50); do get org.mpris.MediaPlayer2 Identity | grep -q ServiceUnknown && break; sleep 0.1; done

home=$work/home
seed "$home" || { echo "FAIL: seeding"; exit 1; }

export ORBELUNE_HOME=$home XDG_RUNTIME_DIR=$work XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config
export QT_QPA_PLATFORM=offscreen ORBELUNE_AUDIO=null
"$build/orbelune" --drive "$build/demo/orbelune-demo.cue" >"$work/player.log" 2>&1 &
player=$!

ctl() { timeout 20 playerctl -p orbelune "$@" 2>&1; }
# Waits up to 15 s (the sanitizers make the player slow) for `playerctl ARGS` to print WANTED.
expect() {
  local wanted=$1 got=
  shift
  for _ in $(seq 150); do
    got=$(ctl "$@")
    [ "$got" = "$wanted" ] && return 0
    sleep 0.1
  done
  fail "playerctl $* gave '$got', not '$wanted'"
  return 1
}

# The disc is shown once the first tick has read it.
expect "Morning Over the Harbour" metadata xesam:title || { cat "$work/player.log"; exit 1; }
expect Stopped status
expect "Demo Disc" metadata xesam:album
expect "The Orbelune Players" metadata xesam:artist
expect 1 metadata xesam:trackNumber
expect 24000000 metadata mpris:length

# The client follows the status from the player's change signals, without asking again.
timeout 60 playerctl -p orbelune --follow status >"$work/follow.log" 2>&1 &
follow=$!
sleep 0.5
ctl play >/dev/null
expect Playing status
ctl next >/dev/null
expect 2 metadata xesam:trackNumber
expect "Copper Kettle Waltz" metadata xesam:title
position=$(ctl position)
awk -v p="$position" 'BEGIN { exit !(p >= 0 && p < 31) }' || fail "position '$position' is not within track 2"
# A jump is announced with the new position.
dbus-monitor --session "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'" \
  >"$work/seeked.log" 2>&1 &
monitor=$!
sleep 0.3
ctl position 20 >/dev/null
position=$(ctl position)
awk -v p="$position" 'BEGIN { exit !(p >= 20 && p < 31) }' || fail "position '$position' after a jump to 20 s"
for _ in $(seq 50); do grep -q "int64 20000000" "$work/seeked.log" && break; sleep 0.1; done
grep -q "int64 20000000" "$work/seeked.log" || fail "no Seeked signal after the jump: $(cat "$work/seeked.log")"
kill "$monitor" 2>/dev/null
wait "$monitor" 2>/dev/null
ctl pause >/dev/null
expect Paused status
ctl play >/dev/null
expect Playing status
sleep 0.5
kill "$follow" 2>/dev/null
wait "$follow" 2>/dev/null
follow_seen=$(tr '\n' ' ' <"$work/follow.log")
case "$follow_seen" in
  *"Playing Paused Playing"*) ;;
  *) fail "playerctl --follow saw '$follow_seen'" ;;
esac

ctl stop >/dev/null
expect Stopped status
# Pause and seek stay offered while the disc is in.
expect_prop org.mpris.MediaPlayer2.Player CanPause "(<true>,)"
expect_prop org.mpris.MediaPlayer2.Player CanSeek "(<true>,)"

# Loop and rate: each value as the interface means it; a wrong value or type is refused.
for loop in Track Playlist None Track None; do
  ctl loop "$loop" >/dev/null
  expect "$loop" loop
done
# Track taken back leaves the track mode it chose: the disc plays on past track 1 again.
expect_prop org.mpris.MediaPlayer2.Player CanGoNext "(<true>,)"
for bad in "<'Bogus'>" "<int32 3>"; do
  case "$(setp LoopStatus "$bad")" in *InvalidArgs*) ;; *) fail "LoopStatus $bad was not refused" ;; esac
done
for bad in "<'fast'>" "<2.0>"; do
  case "$(setp Rate "$bad")" in *InvalidArgs*) ;; *) fail "Rate $bad was not refused" ;; esac
done
case "$(setp Shuffle "<'yes'>")" in *InvalidArgs*) ;; *) fail "Shuffle 'yes' was not refused" ;; esac
expect None loop

# Shuffle switched while the disc plays is taken, and the play goes on.
ctl play >/dev/null
expect Playing status
ctl shuffle On >/dev/null
expect On shuffle
expect Playing status
ctl shuffle Off >/dev/null
expect Off shuffle
# At track 1 there is no previous track: Previous ends the play.
for _ in 1 2 3 4 5; do
  [ "$(ctl metadata xesam:trackNumber)" = 1 ] && break
  call org.mpris.MediaPlayer2.Player.Previous >/dev/null
  sleep 0.5
done
expect 1 metadata xesam:trackNumber
expect_prop org.mpris.MediaPlayer2.Player CanGoPrevious "(<false>,)"
call org.mpris.MediaPlayer2.Player.Previous >/dev/null
expect Stopped status

# Next and a seek past a track's end name the new track at once, from its start, without Seeked.
ctl play >/dev/null
expect Playing status
dbus-monitor --session "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'" \
  >"$work/seeked2.log" 2>&1 &
monitor=$!
sleep 0.3
soon() {
  local got=
  for _ in $(seq 8); do
    got=$(ctl metadata xesam:trackNumber)
    [ "$got" = "$1" ] && return 0
    sleep 0.1
  done
  fail "track $1 was not announced at once after $2 (track '$got')"
}
ctl next >/dev/null
soon 2 Next
position=$(ctl position)
awk -v p="$position" 'BEGIN { exit !(p >= 0 && p < 2) }' || fail "position '$position' after Next"
ctl position 40+ >/dev/null
soon 3 "a seek past the end"
ctl next >/dev/null
soon 4 Next
ctl next >/dev/null
soon 5 Next
sleep 0.5
kill "$monitor" 2>/dev/null
wait "$monitor" 2>/dev/null
grep -q "int64" "$work/seeked2.log" && fail "Seeked was sent for a change of track: $(cat "$work/seeked2.log")"
# At the last track without repeat there is no next track: Next ends the play.
expect_prop org.mpris.MediaPlayer2.Player CanGoNext "(<false>,)"
ctl loop Playlist >/dev/null
expect_prop org.mpris.MediaPlayer2.Player CanGoNext "(<true>,)"
ctl loop None >/dev/null
expect None loop
call org.mpris.MediaPlayer2.Player.Next >/dev/null
expect Stopped status
# A rate of 0 pauses.
ctl play >/dev/null
expect Playing status
setp Rate "<0.0>" >/dev/null
expect Paused status

# Disc images and drives are opened by address; a new disc is named by its CD-TEXT.
expect_prop org.mpris.MediaPlayer2 SupportedUriSchemes "(<['cdda', 'file']>,)"
for part in cdtext.cue cdtext.bin cdtext.cdt; do
  cp "$ORBELUNE_TESTDATA/cd-images/cdtext-3track/$part" "$work/"
done
case "$(get org.mpris.MediaPlayer2 SupportedMimeTypes)" in
  *application/x-cue*application/x-cdrdao-toc*application/x-nrg*) ;;
  *) fail "SupportedMimeTypes lacks an image type: $(get org.mpris.MediaPlayer2 SupportedMimeTypes)" ;;
esac
for missing in "file://$work/none.cue" "cdda://orbelune-no-such-drive/"; do
  case "$(call org.mpris.MediaPlayer2.Player.OpenUri "$missing")" in
    *DBus.Error.Failed*) ;; *) fail "$missing was not refused" ;;
  esac
done
case "$(call org.mpris.MediaPlayer2.Player.OpenUri "http://localhost/disc.cue")" in
  *InvalidArgs*) ;; *) fail "an http address was not refused" ;;
esac
ctl open "file://$work/cdtext.cue" >/dev/null
expect Playing status
expect "The Voice of the Gnu" metadata xesam:album
expect "Gnu2" metadata xesam:artist
ctl stop >/dev/null
ctl open "file://$build/demo/orbelune-demo.cue" >/dev/null
expect "Demo Disc" metadata xesam:album
ctl stop >/dev/null
expect Stopped status
# The desktop's handler for an inserted CD, started while the player runs, hands the play over to it.
timeout 30 "$build/orbelune" cdda://sr0/ >>"$work/player.log" 2>&1 || fail "the second copy did not end cleanly"
expect Playing status
# Quit ends the player as File, Exit does.
timeout 10 dbus-send --session --dest=org.mpris.MediaPlayer2.orbelune --type=method_call /org/mpris/MediaPlayer2 \
  org.mpris.MediaPlayer2.Quit
for _ in $(seq 100); do
  kill -0 "$player" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$player" 2>/dev/null; then
  fail "the player did not end on Quit"
else
  wait "$player" || fail "the player ended with an error: $(cat "$work/player.log")"
  player=
fi

# The sound stream as mixers show it, on a private sound server: named Orbelune, with its icon, as music.
if command -v pulseaudio >/dev/null && command -v pactl >/dev/null; then
  mkdir -p "$work/sound"
  chmod 700 "$work/sound"
  XDG_RUNTIME_DIR=$work/sound pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
    --load=module-native-protocol-unix --load="module-null-sink sink_name=check_null" 2>"$work/pulse.log" &
  pulse=$!
  export PULSE_SERVER=unix:$work/sound/pulse/native
  for _ in $(seq 50); do [ -S "$work/sound/pulse/native" ] && break; sleep 0.1; done
  env -u ORBELUNE_AUDIO "$build/orbelune" --drive "$build/demo/orbelune-demo.cue" >>"$work/player.log" 2>&1 &
  player=$!
  expect "Morning Over the Harbour" metadata xesam:title
  ctl play >/dev/null
  expect Playing status
  for _ in $(seq 100); do
    pactl list sink-inputs >"$work/inputs" 2>&1
    grep -q 'media.role' "$work/inputs" && break
    sleep 0.1
  done
  for property in 'application.name = "Orbelune"' 'application.icon_name = "orbelune"' 'media.role = "music"'; do
    grep -qF "$property" "$work/inputs" || fail "the sound stream lacks $property: $(cat "$work/inputs")"
  done
  call org.mpris.MediaPlayer2.Quit >/dev/null
  wait "$player" 2>/dev/null
  player=
  kill "$pulse" 2>/dev/null
  wait "$pulse" 2>/dev/null
else
  echo "pulseaudio or pactl not installed: the sound stream was not checked"
fi

[ "$failures" -eq 0 ] && echo "the desktop drives the player"
exit $((failures > 0))
