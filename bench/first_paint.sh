#!/usr/bin/env bash
# Time from process start to the first painted main window, for the program and for the
# smallest Qt main window, each started N times (default 10) on one virtual X screen; then
# the time until the program has opened both MIDI ports. Prints every run and the medians.
# Usage: bench/first_paint.sh [runs]; KQ505_BENCH_SERVER names the private JACK server.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j 2 --target kq505 minimal_window >/dev/null

work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT

# A private JACK server with two MIDI inputs, so that the program opens devices 0 and 1 as
# a musician's would and no failure message waits for an answer.
export JACK_DEFAULT_SERVER=${KQ505_BENCH_SERVER:-kq505-first-paint} KQ505_MIDI_API=jack
jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 -p 256 -C 0 -P 0 \
  >"$work/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
for _ in 1 2; do jack_midi_dump >/dev/null 2>&1 & pids+=($!); done
sleep 0.5
cp res/xg.ins "$work/"
cat >"$work/measure.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
runs=$1; shift
# measure <switch> <line start> <program>: the runs and their median.
measure() {
  local times=() ms median
  for _ in $(seq "$runs"); do
    ms=$(env "$1=1" KQ505_LAUNCH_TIME_NS=$(date +%s%N) "$3" 2>/dev/null | awk -v what="^$2" '$0 ~ what {print $3}')
    times+=("$ms")
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}')
  echo "$(basename "$3") $2: ${times[*]} ms; median $median ms"
}
for program in "$@"; do
  # One start beforehand, so both are measured with warm file caches.
  KQ505_EXIT_AFTER_FIRST_PAINT=1 "$program" >/dev/null 2>&1
  measure KQ505_EXIT_AFTER_FIRST_PAINT "first paint" "$program"
done
measure KQ505_EXIT_AFTER_PORTS_OPEN "ports open" "$1"
INNER
chmod +x "$work/measure.sh"
(cd "$work" && xvfb-run -a -s "-screen 0 1024x768x24" ./measure.sh "$runs" \
  "$OLDPWD/build/app/kq505" "$OLDPWD/build/bench/minimal_window")
