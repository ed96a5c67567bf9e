#!/usr/bin/env bash
# Orca in xfce4-terminal under Xvfb on a private D-Bus session, all in this
# script's process group, which a TERM ends (Xvfb removing its lock). Once
# PROGRAM runs in the terminal, DIR/display holds the display.
# Usage: orca_desktop.sh DIR PROGRAM SPEECHD_ADDRESS=orca's SPEECHD_ADDRESS=PROGRAM's ORCA_LOG
set -u
dir=$1
trap 'trap - TERM; kill -TERM 0; wait; exit 0' TERM
exec >/dev/null 2>&1
export HOME=$dir/home XDG_RUNTIME_DIR=$dir/run PATH=/usr/bin:/bin LANG=C.UTF-8
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER SORTWELL_VOICE
Xvfb -displayfd 3 -nolisten tcp 3>"$dir/display.tmp" &
dbus-daemon --session --nofork --print-address=3 3>"$dir/bus" &
until [ -s "$dir/display.tmp" ] && [ -s "$dir/bus" ]; do sleep 0.05; done
export DISPLAY=:$(cat "$dir/display.tmp") DBUS_SESSION_BUS_ADDRESS=$(head -1 "$dir/bus")
env "$3" orca &
until [ -s "$5" ]; do sleep 0.05; done
env "$4" xfce4-terminal --disable-server --geometry=100x30 -x bash --norc --noprofile -c "read -r; : >'$dir/started'; exec '$2'" &
window=$(xdotool search --sync --onlyvisible --class xfce4-terminal | head -1)
# Orca reads what a key brings: the program is started by one, once Orca
# follows the terminal (it echoes a key typed there). An Orca still starting
# may miss the window: it is shown and focused anew every few keys.
for try in $(seq 120); do
  grep -q "^start x" "$5" && break
  [ $((try % 6)) = 0 ] && xdotool windowunmap --sync "$window" windowmap --sync "$window" windowfocus --sync "$window"
  xdotool type x && sleep 0.5
done
until [ -e "$dir/started" ]; do xdotool key Return; sleep 1; done
printf %s "$DISPLAY" >"$dir/display.new" && mv "$dir/display.new" "$dir/display"
wait
