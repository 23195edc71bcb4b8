#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing, packaging and running need,
# when any of them is missing. Runs apt-get as root, or through sudo.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang clang-format clang-tidy pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev qt6-svg-dev qt6-translations-l10n libgl-dev
  libsdl2-dev libsndfile1-dev nlohmann-json3-dev libeigen3-dev
  libfluidsynth-dev timgm6mb-soundfont python3-mido abcmidi
  libgtest-dev libbenchmark-dev libfann-dev
  fonts-dejavu-core xvfb xauth
  dpkg-dev lintian appstream desktop-file-utils man-db
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
