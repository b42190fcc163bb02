#!/usr/bin/env bash
# Installs what is missing, builds the program alone and starts it with the given arguments
# (for example a .kqs file to open).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target kq505
exec "$root/build/app/kq505" "$@"
