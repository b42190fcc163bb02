#!/usr/bin/env bash
# Starts the real program on a virtual X screen and saves a picture of its main window.
# Usage: scripts/screenshot.sh [output.png]   (default res/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-res/screenshot.png}")

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j 2 --target kq505

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/shoot.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
program=$1 out=$2
"$program" &
pid=$!
window=""
for _ in $(seq 100); do
  window=$(xwininfo -root -tree | awk '/"KQ505 - /{print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then kill "$pid"; echo "the main window did not appear" >&2; exit 1; fi
sleep 1  # let the first paint settle
import -window "$window" "$out"
kill "$pid"
wait "$pid" 2>/dev/null || true
INNER
chmod +x "$work/shoot.sh"
# The settings file and the instrument list are looked for beside the program and in the
# working folder: an empty folder gives the defaults.
(cd "$work" && xvfb-run -a -s "-screen 0 1024x768x24" ./shoot.sh "$OLDPWD/build/app/kq505" "$out")
echo "saved $out"
