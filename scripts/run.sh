#!/usr/bin/env bash
# Builds the programs and starts the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" --target melodynet Play melodynet-cli formula
exec "$root/build/bin/melodynet" "$@"
