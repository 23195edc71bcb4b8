#!/usr/bin/env bash
# Writes pictures of the window with the training view beside it after 1, 10
# and 50 clicks of "Научить" on the default melody, as view-1.png, view-10.png
# and view-50.png in the given folder (default: the current one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-.}")
mkdir -p "$out"
for clicks in 1 10 50; do
  "$root/scripts/screenshot.sh" "$out/view-$clicks.png" "$clicks"
done
