#!/usr/bin/env bash
# Drives the player on the demo disc from the desktop's side: a private session bus, the player on the
# offscreen platform with a fresh data folder holding the demo disc's record, and playerctl as the
# client. Skipped (exit 77) when playerctl or dbus-run-session is missing.
# usage: check_mpris.sh BUILD_DIR
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

[ "$failures" -eq 0 ] && echo "the desktop drives the player"
exit $((failures > 0))
