#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; then builds the core and
# the windows again with AddressSanitizer and UndefinedBehaviorSanitizer and runs their tests
# once more, the windows on the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKQ505_SANITIZE=ON \
  -DKQ505_GUI=ON -DKQ505_BENCH=OFF
cmake --build build-asan -j "$jobs"
# Leaks are still checked; only those of the system's libraries named in the file are not ours.
(cd build-asan && QT_QPA_PLATFORM=offscreen \
  LSAN_OPTIONS="suppressions=$PWD/../tests/sanitizer/lsan.supp:print_suppressions=0" \
  ctest --output-on-failure -j "$jobs" -L 'core|gui')
