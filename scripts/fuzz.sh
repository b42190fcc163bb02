#!/usr/bin/env bash
# Builds the libFuzzer targets with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# each for the given number of seconds (default 60). Usage: scripts/fuzz.sh [seconds] [target...]
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
for t in "${targets[@]}"; do
  corpus="fuzz/corpus-$t"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/$t"
  [ -d "$seeds" ] || seeds=""
  echo "== $t for ${seconds}s"
  "build-fuzz/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 "$corpus" $seeds 2>&1 |
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)|^Done' || true
done
