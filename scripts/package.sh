#!/usr/bin/env bash
# Builds the Debian package melodynet_<version>_<arch>.deb and checks it with
# lintian (which fails on errors, and lists warnings). The build folder is
# $MELODYNET_PACKAGE_BUILD_DIR, else build-deb; the package's path is printed
# on the last line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="${MELODYNET_PACKAGE_BUILD_DIR:-$root/build-deb}"

# Debian's hardening flags; CMake takes them from the environment when it
# first configures the folder.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DMELODYNET_WERROR=ON -DMELODYNET_BUILD_TESTS=OFF -DMELODYNET_BUILD_BENCH=OFF >/dev/null
cmake --build "$build"
rm -f "$build"/melodynet_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/melodynet_*.deb)
[ -f "${debs[0]}" ] || { echo "package.sh: cpack wrote no package into $build" >&2; exit 1; }
lintian --fail-on error "${debs[0]}" >&2
echo "${debs[0]}"
