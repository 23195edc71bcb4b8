#!/usr/bin/env bash
# Builds melodynet and writes a PNG of the window as it looks after start-up.
# Usage: scripts/screenshot.sh [output.png] (default: melodynet.png); the build
# folder is $MELODYNET_BUILD_DIR, else build-screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-melodynet.png}")
build="${MELODYNET_BUILD_DIR:-$root/build-screenshot}"
# A folder that is already configured keeps its own settings.
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMELODYNET_BUILD_TESTS=OFF -DMELODYNET_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target melodynet formula
QT_QPA_PLATFORM=offscreen "$build/bin/melodynet" --screenshot "$out"
echo "$out"
