#!/usr/bin/env bash
# Training to the result on real folk tunes: converts the single-line ABC
# examples that abcmidi ships into MIDI files and runs bench_tunes on them,
# which prints the table the README shows. Extra arguments go to bench_tunes
# (--optimizer lm|rprop, --seconds S, --hidden 3,8,...).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target bench_tunes formula
examples=/usr/share/doc/abcmidi/examples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The tunes of one voice; the examples of drums, tunings and temperaments are no tunes.
for abc in araber daramud dergasn demo; do
  cp "$examples/$abc.abc" "$work/"
  (cd "$work" && abc2midi "$abc.abc" >/dev/null 2>&1)
done
cd "$work"
tunes=(araber47 daramud1 dergasn145 demo1 demo2 demo3 demo5 demo6 demo7 demo8 demo9 demo10)
"$build/bin/bench_tunes" "$@" "${tunes[@]/%/.mid}"
