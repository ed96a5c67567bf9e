#!/usr/bin/env bash
# A desktop for a screen reader's test, every part of it in this script's
# process group: Xvfb, a private D-Bus session with AT-SPI, Orca, two
# speech-dispatcher servers whose module records what it is given (Orca's,
# and Sortwell's own, which must stay silent), and xfce4-terminal, whose
# shell starts PROGRAM at the first Enter (and makes DIR/started). Writes DIR/display once Orca
# speaks and the terminal shows. TERM ends the whole group; so does the end
# of the test that started it, which has this script told by a TERM.
# Usage: orca_desktop.sh DIR PROGRAM [NAME=value]...
set -u
dir=$1 program=$2
shift 2
trap 'trap - TERM; kill -TERM 0; exit 0' TERM
mkdir -p "$dir/home" "$dir/run"
chmod 700 "$dir/run"
export HOME=$dir/home XDG_RUNTIME_DIR=$dir/run PATH=/usr/bin:/bin LANG=C.UTF-8
unset SPEECHD_ADDRESS DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER SORTWELL_VOICE
# A speech server NAME whose module logs "start TEXT" for each piece to NAME.log.
speech_server() {
  local name=$1 conf=$dir/$1
  mkdir -p "$conf/modules"
  printf '%s\n' 'AddModule "recorder" "sd_generic" "recorder.conf"' 'DefaultModule recorder' \
    'AudioOutputMethod "libao"' >"$conf/speechd.conf"
  printf '%s\n' "GenericExecuteSynth \"printf 'start %s\\\\n' \\\"\$DATA\\\" >> $dir/$name.log\"" \
    'GenericLanguage "en" "en" "utf-8"' 'AddVoice "en" "MALE1" "recorder"' >"$conf/modules/recorder.conf"
  printf 'default_driver=null\n' >"$conf/.libao"
  HOME=$conf XDG_RUNTIME_DIR=$conf speech-dispatcher -s -t 0 -C "$conf" -c unix_socket -S "$conf/speechd.sock" -L "$conf" \
    >/dev/null 2>&1 &
}
speech_server orca
speech_server sortwell
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$dir/display.tmp" >"$dir/xvfb.log" 2>&1 &
for _ in $(seq 200); do [ -s "$dir/display.tmp" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$dir/display.tmp")
dbus-daemon --session --nofork --print-address=3 3>"$dir/bus" >/dev/null 2>&1 &
for _ in $(seq 200); do [ -s "$dir/bus" ] && break; sleep 0.05; done
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$dir/bus")
for name in orca sortwell; do
  for _ in $(seq 200); do [ -S "$dir/$name/speechd.sock" ] && break; sleep 0.05; done
done
SPEECHD_ADDRESS=unix_socket:$dir/orca/speechd.sock orca >"$dir/orca.out" 2>&1 &
for _ in $(seq 600); do [ -s "$dir/orca.log" ] && break; sleep 0.05; done
env "SPEECHD_ADDRESS=unix_socket:$dir/sortwell/speechd.sock" "$@" xfce4-terminal --disable-server \
  --geometry=100x30 -x bash --norc --noprofile -c "read -r; : >'$dir/started'; exec '$program'" >"$dir/terminal.out" 2>&1 &
# Ready once the terminal shows, its shell waiting for the Enter.
xdotool search --sync --onlyvisible --class xfce4-terminal >/dev/null 2>&1
echo "$DISPLAY" >"$dir/display"
wait
