#!/usr/bin/env bash
# Builds melodynet and writes a PNG of the window as it looks after start-up.
# Usage: scripts/screenshot.sh [output.png] [clicks] (default: melodynet.png);
# with a click count the training view stands beside the window after that
# many clicks of "Научить" (fixed seed). The build folder is
# $MELODYNET_BUILD_DIR, else build-screenshot.
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
if [ $# -ge 2 ]; then
  QT_QPA_PLATFORM=offscreen "$build/bin/melodynet" --screenshot-view "$out" --clicks "$2"
else
  QT_QPA_PLATFORM=offscreen "$build/bin/melodynet" --screenshot "$out"
fi
echo "$out"
