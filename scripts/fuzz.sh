#!/usr/bin/env bash
# Builds the libFuzzer targets, and the core under them, with AddressSanitizer and
# UndefinedBehaviorSanitizer; replays each target's saved findings (fuzz/regressions/<target>),
# then runs it for the given number of seconds (default 60), one target after another, and
# prints its runs, coverage, peak memory and findings. A finding's input is kept in
# build-fuzz/findings/<target>, the whole output beside it in log.
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKQ505_FUZZ=ON -DKQ505_GUI=OFF -DKQ505_TESTS=OFF -DKQ505_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(find build-fuzz/fuzz -maxdepth 1 -type f -executable -name '*_fuzz' -printf '%f\n' | sort)
fi

# Replays the saved findings in folder $2 on fuzzer $1 (output to $3); says whether all pass.
replay() {
  local bin=$1 folder=$2
  [ -d "$folder" ] || return 0
  local files=("$folder"/*)
  if "$bin" "${files[@]}" >"$3" 2>&1; then
    echo "  regressions: ${#files[@]} replayed, all pass"
  else
    echo "  regressions: FAIL (see $3)"
    grep -E 'broken:|^SUMMARY|Running: ' "$3" | tail -3 | sed 's/^/    /'
    return 1
  fi
}

found=0
for t in "${targets[@]}"; do
  bin="build-fuzz/fuzz/$t"
  corpus="fuzz/corpus-$t"
  findings="build-fuzz/findings/$t"
  log="$findings/log"
  mkdir -p "$corpus" "$findings"
  seeds=()
  [ -d "fuzz/seeds/$t" ] && seeds=("fuzz/seeds/$t")
  echo "== $t for ${seconds}s"
  replay "$bin" "fuzz/regressions/$t" "$findings/regressions.log" || found=1
  "$bin" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "${seeds[@]}" >"$log" 2>&1 || true
  runs=$(grep -oP '^stat::number_of_executed_units:\s+\K[0-9]+' "$log" || echo '?')
  rss=$(grep -oP '^stat::peak_rss_mb:\s+\K[0-9]+' "$log" || echo '?')
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
  echo "  runs: $runs, coverage: ${cov:-?}, peak RSS: $rss MB"
  if grep -qE '^==[0-9]+==.*ERROR|Test unit written to' "$log"; then
    found=1
    echo "  findings:"
    grep -E 'broken:|^SUMMARY|Test unit written to' "$log" | sed 's/^/    /'
  else
    echo "  findings: none"
  fi
done
exit "$found"
