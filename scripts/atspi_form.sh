#!/usr/bin/env bash
# Starts the program on a virtual X screen with its own accessibility bus and prints what a
# screen reader finds in its main window (tests/tools/atspi_form.py), before and after a key
# step on the knob panel. Usage: scripts/atspi_form.sh [program] (default build/app/kq505).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
program=$(realpath "${1:-build/app/kq505}")

work=$(mktemp -d)
server=kq505-atspi-$$
jack_pid=""
cleanup() {
  if [ -n "$jack_pid" ]; then kill "$jack_pid" 2>/dev/null || true; wait "$jack_pid" 2>/dev/null || true; fi
  rm -f /dev/shm/*"$server"*
  rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program with an INI file of its own and virtual ports on a JACK server of
# this script's own, so that no "failed" message box stands in front of the form.
mkdir "$work/program"
cp "$program" "$(dirname "$program")/xg.ins" "$work/program/"
printf '[MIDI]\r\nOutA=-1\r\nOutB=-1\r\nIn=-1\r\n' >"$work/program/kq505.ini"
jackd -n "$server" --no-realtime -d dummy -r 48000 -p 256 -C 0 -P 0 >"$work/jackd.log" 2>&1 &
jack_pid=$!
export JACK_DEFAULT_SERVER=$server KQ505_MIDI_API=jack
# The program's own folders in the work folder: the recovery file its end leaves goes there.
export XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
jack_wait -w -t 10 >/dev/null 2>&1 || { cat "$work/jackd.log" >&2; echo "JACK did not start" >&2; exit 1; }

cat >"$work/session.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
program=$1 reader=$2
/usr/libexec/at-spi-bus-launcher --launch-immediately &
bus=$!
sleep 1
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" &
pid=$!
status=0
/usr/bin/python3 "$reader" || status=$?
kill "$pid" "$bus" 2>/dev/null || true
exit "$status"
INNER
chmod +x "$work/session.sh"
xvfb-run -a -s "-screen 0 1024x768x24" \
  dbus-run-session -- "$work/session.sh" "$work/program/kq505" "$PWD/tests/tools/atspi_form.py"
