#!/usr/bin/env bash
# Builds melodynet and writes a PNG of the window as it looks after start-up.
# Usage: scripts/screenshot.sh [output.png] (default: melodynet.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-melodynet.png}")
build="$root/build-screenshot"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMELODYNET_BUILD_TESTS=OFF -DMELODYNET_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target melodynet formula
QT_QPA_PLATFORM=offscreen "$build/bin/melodynet" --screenshot "$out"
echo "$out"
