#!/usr/bin/env bash
# Builds everything with warnings as errors and runs all tests, then again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc 2>/dev/null || echo 2)

echo "== normal build"
cmake -S "$root" -B "$root/build-test" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMELODYNET_WERROR=ON
cmake --build "$root/build-test" -j "$jobs"
ctest --test-dir "$root/build-test" --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMELODYNET_WERROR=ON \
  -DMELODYNET_SANITIZE=ON -DMELODYNET_BUILD_BENCH=OFF
cmake --build "$root/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"

echo "== fuzz targets (clang, libFuzzer), a short bounded run each"
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DMELODYNET_FUZZ=ON \
  -DMELODYNET_BUILD_TESTS=OFF -DMELODYNET_BUILD_BENCH=OFF -DMELODYNET_BUILD_GUI=OFF
cmake --build "$root/build-fuzz" -j "$jobs" --target fuzz_formula fuzz_networkfile fuzz_commandtext fuzz_midi
ctest --test-dir "$root/build-fuzz" --output-on-failure -R '^fuzz_'
