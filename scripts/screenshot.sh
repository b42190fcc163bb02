#!/usr/bin/env bash
# Starts the real program on a virtual X screen and saves a picture of its main window.
# Usage: scripts/screenshot.sh [output.png [display size in percent [set-up [key [title]]]]]
#        (default res/screenshot.png at 100, the program's setting Zoom). With a set-up file,
#        the program opens it; with a key, that key is pressed in the main window and the
#        window whose title is `title` is saved instead, e.g.
#        scripts/screenshot.sh res/drum-setup.png 100 res/drum-setup.kqset r 'ﾄﾞﾗﾑ ｾｯﾄｱｯﾌﾟ'

set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-res/screenshot.png}")
zoom=${2:-100}
setup=${3:+$(realpath "$3")}
key=${4:-}
title=${5:-}

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j 2 --target kq505

work=$(mktemp -d)
server=kq505-shot-$$
jack_pid=""
cleanup() {
  if [ -n "$jack_pid" ]; then
    kill "$jack_pid" 2>/dev/null || true
    wait "$jack_pid" 2>/dev/null || true
  fi
  # A client killed while connected leaves its server's shared memory and semaphores.
  rm -f /dev/shm/*"$server"*
  rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program with an INI file of its own, so that a developer's settings in
# build/app stay out of the picture. Its ports are virtual ports on a JACK server of this
# script's own, so that they open and no "failed" message hides the window or fills the bar.
mkdir "$work/program"
cp build/app/kq505 build/app/xg.ins "$work/program/"
cp -r build/app/help "$work/program/"
printf '[MIDI]\r\nOutA=-1\r\nOutB=-1\r\nIn=-1\r\n[Others]\r\nZoom=%s\r\n' "$zoom" >"$work/program/kq505.ini"
jackd -n "$server" --no-realtime -d dummy -r 48000 -p 256 -C 0 -P 0 >"$work/jackd.log" 2>&1 &
jack_pid=$!
export JACK_DEFAULT_SERVER=$server KQ505_MIDI_API=jack
jack_wait -w -t 10 >/dev/null 2>&1 || { cat "$work/jackd.log" >&2; echo "JACK did not start" >&2; exit 1; }

cat >"$work/shoot.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
program=$1 out=$2 setup=$3 key=$4 title=$5
"$program" ${setup:+"$setup"} &
pid=$!
window=""
for _ in $(seq 100); do
  window=$(xwininfo -root -tree | awk '/"KQ505 - /{print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then kill "$pid"; echo "the main window did not appear" >&2; exit 1; fi
sleep 1  # let the first paint settle
if [ -n "$key" ]; then
  xdotool windowfocus --sync "$window" key "$key"
  shown=""
  for _ in $(seq 50); do
    shown=$(xdotool search --name "^$title\$" | head -n 1)
    [ -n "$shown" ] && break
    sleep 0.1
  done
  if [ -z "$shown" ]; then kill "$pid"; echo "the window $title did not appear" >&2; exit 1; fi
  window=$shown
  sleep 1
fi
import -window "$window" "$out"
kill "$pid"
wait "$pid" 2>/dev/null || true
INNER
chmod +x "$work/shoot.sh"
# Run from an empty folder, as from a desktop menu: the list is the one beside the program.
mkdir "$work/cwd"
(cd "$work/cwd" && xvfb-run -a -s "-screen 0 2048x1536x24" ../shoot.sh "$work/program/kq505" "$out" "$setup" "$key" "$title")
echo "saved $out"
