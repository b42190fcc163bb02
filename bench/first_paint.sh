#!/usr/bin/env bash
# Time from process start to the first painted main window, for the program, for a main
# window furnished as the program's but without its form, and for the smallest Qt main
# window, each started N times (default 10) in turn on one virtual X screen; then the time
# until the program has opened both MIDI ports. Prints every run, the medians and their
# ratios to the smallest window.
# Usage: bench/first_paint.sh [runs]; KQ505_BENCH_SERVER names the private JACK server.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j 2 --target kq505 furnished_window minimal_window >/dev/null

work=$(mktemp -d)
pids=()
# Waits for the server to be gone, so that a run right after this one can start its own.
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT

# A private JACK server with two MIDI inputs, so that the program opens devices 0 and 1 as
# a musician's would and no failure message waits for an answer.
export JACK_DEFAULT_SERVER=${KQ505_BENCH_SERVER:-kq505-first-paint} KQ505_MIDI_API=jack
jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 -p 256 -C 0 -P 0 \
  >"$work/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
if ! jack_lsp >/dev/null 2>&1; then
  echo "the JACK server $JACK_DEFAULT_SERVER did not start:" >&2
  cat "$work/jackd.log" >&2
  exit 1
fi
for _ in 1 2; do jack_midi_dump >/dev/null 2>&1 & pids+=($!); done
sleep 0.5
cp res/xg.ins "$work/"
cat >"$work/measure.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
runs=$1; shift
# once <switch> <line start> <program>: the milliseconds that one start reports.
once() {
  env "$1=1" KQ505_LAUNCH_TIME_NS=$(date +%s%N) "$3" 2>/dev/null | awk -v what="^$2" '$0 ~ what {print $3}'
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
# One start of each beforehand, so all are measured with warm file caches.
for program in "$@"; do KQ505_EXIT_AFTER_FIRST_PAINT=1 "$program" >/dev/null 2>&1; done
# The programs take turns, so that a change in the machine's load falls on all of them.
declare -A times
for _ in $(seq "$runs"); do
  for program in "$@"; do
    times[$program]+="$(once KQ505_EXIT_AFTER_FIRST_PAINT "first paint" "$program") "
  done
done
declare -A medians
for program in "$@"; do
  medians[$program]=$(printf '%s\n' ${times[$program]} | median)
  echo "$(basename "$program") first paint: ${times[$program]}ms; median ${medians[$program]} ms"
done
bare=${medians[${@: -1}]}
for program in "$@"; do
  echo "$(basename "$program") / $(basename "${@: -1}"): $(echo "${medians[$program]} $bare" | awk '{printf "%.2f", $1 / $2}')"
done
ports=()
for _ in $(seq "$runs"); do ports+=("$(once KQ505_EXIT_AFTER_PORTS_OPEN "ports open" "$1")"); done
echo "$(basename "$1") ports open: ${ports[*]} ms; median $(printf '%s\n' "${ports[@]}" | median) ms"
INNER
chmod +x "$work/measure.sh"
(cd "$work" && xvfb-run -a -s "-screen 0 1024x768x24" ./measure.sh "$runs" \
  "$OLDPWD/build/app/kq505" "$OLDPWD/build/bench/furnished_window" \
  "$OLDPWD/build/bench/minimal_window")
