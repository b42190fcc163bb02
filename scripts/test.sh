#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; then builds the core
# again with AddressSanitizer and UndefinedBehaviorSanitizer and runs its tests once more.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKQ505_SANITIZE=ON \
  -DKQ505_GUI=OFF -DKQ505_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs" -L core)
