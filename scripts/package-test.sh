#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, runs the installed
# programs from /usr/bin as an ordinary user, removes the package again and
# checks that nothing of it is left under /usr or /etc. Needs root (CI).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "package-test.sh: must run as root (it installs the package)" >&2; exit 1; }
if dpkg-query -W -f='${Status}' melodynet 2>/dev/null | grep -q "install ok installed"; then
  echo "package-test.sh: melodynet is already installed; remove it first" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive

deb=$("$root/scripts/package.sh" | tail -n 1)
echo "== package $deb"
dpkg-deb --field "$deb" Depends Recommends

# No "." in the folder's path: "--save song" adds ".qvl" only to a path without one.
work=$(mktemp -d /tmp/melodynet-package-XXXXXX)
chmod 755 "$work"
cleanup() {
  if dpkg-query -W -f='${Status}' melodynet 2>/dev/null | grep -q "install ok installed"; then
    apt-get purge -y -qq melodynet >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "package-test.sh: $*" >&2
  exit 1
}

# What the package pulls in stays after its removal, so it is installed
# first and the file list is taken afterwards.
echo "== dependencies"
apt-get satisfy -y -qq "$(dpkg-deb --field "$deb" Depends), $(dpkg-deb --field "$deb" Recommends)" >/dev/null
snapshot() { find /usr /etc -xdev 2>/dev/null | LC_ALL=C sort; }
snapshot >"$work/before"

echo "== install"
apt-get install -y -qq "$deb" >/dev/null
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for file in /usr/bin/melodynet /usr/bin/melodynet-cli /usr/bin/Play "/usr/lib/$multiarch/melodynet/libformula.so" \
  /usr/share/applications/melodynet.desktop /usr/share/metainfo/melodynet.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/melodynet.svg /usr/share/man/man1/melodynet-cli.1.gz; do
  [ -f "$file" ] || fail "the package did not install $file"
done
[ ! -e /usr/bin/libformula.so ] || fail "the formula library is in /usr/bin"
desktop-file-validate /usr/share/applications/melodynet.desktop
# The metainfo's id is the program's plain name, which draws a warning; errors fail.
if appstreamcli validate --no-net /usr/share/metainfo/melodynet.metainfo.xml | tee "$work/appstream" | grep -q '^E:'; then
  cat "$work/appstream" >&2
  fail "the AppStream metainfo has errors"
fi
for page in melodynet melodynet-cli Play; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done

echo "== the installed programs, run by an ordinary user"
home="$work/home"
mkdir -p "$home" "$work/out" "$work/runtime"
chown 65534:65534 "$home" "$work/out" "$work/runtime"
chmod 700 "$work/runtime"
# A user's plain environment: own HOME, no XDG folder overrides, no display.
as_user() {
  setpriv --reuid=65534 --regid=65534 --clear-groups \
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8 "$@"
}
out="$work/out"
for program in melodynet melodynet-cli Play; do
  version=$(as_user "/usr/bin/$program" --version)
  [[ "$version" =~ ^$program\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "$program --version printed «$version»"
done
as_user /usr/bin/melodynet-cli train --seed 1 --clicks 2 --save "$out/song" >"$work/train"
[ -s "$out/song.qvl" ] || fail "train wrote no network file"
note=$(as_user /usr/bin/melodynet-cli predict --load "$out/song.qvl")
[[ "$note" =~ ^[0-9]+$ ]] || fail "predict printed «$note»"
as_user /usr/bin/melodynet-cli continue --load "$out/song.qvl" >"$work/continue"
[ "$(wc -l <"$work/continue")" -eq 2 ] || fail "continue did not print codes and a command text"

# The program's folder /usr/bin is not the user's to write, so History goes
# to the user's data folder; the dummy audio driver lets Play run without sound.
as_user env SDL_AUDIODRIVER=dummy /usr/bin/melodynet-cli play --melody "3, 8, 11" >/dev/null
history="$home/.local/share/melodynet/History"
[ -s "$history/000.cmd" ] || fail "play wrote no command file into $history"
[ ! -e /usr/bin/History ] || fail "a History folder appeared in /usr/bin"
as_user /usr/bin/Play --wav "$out/history.wav" "$history/000.cmd"
[ "$(head -c 4 "$out/history.wav")" = RIFF ] || fail "Play wrote no WAV file"
as_user /usr/bin/melodynet-cli play --wav "$out/cli.wav" >/dev/null
[ "$(head -c 4 "$out/cli.wav")" = RIFF ] || fail "melodynet-cli play --wav wrote no WAV file"

# Without its library the window would show a message box and wait, hence the time limit.
as_user env QT_QPA_PLATFORM=offscreen timeout 60 /usr/bin/melodynet --screenshot "$out/window.png"
[ "$(head -c 4 "$out/window.png" | tail -c 3)" = PNG ] || fail "the window wrote no screenshot"

echo "== a tree installed elsewhere finds its library"
build="${MELODYNET_PACKAGE_BUILD_DIR:-$root/build-deb}"
cmake --install "$build" --prefix "$work/tree" >/dev/null
chmod -R a+rX "$work/tree"
note=$(as_user "$work/tree/bin/melodynet-cli" predict --load "$out/song.qvl")
[[ "$note" =~ ^[0-9]+$ ]] || fail "the relocated melodynet-cli predicted «$note»"

echo "== remove"
apt-get purge -y -qq melodynet >/dev/null
snapshot >"$work/after"
if ! LC_ALL=C diff "$work/before" "$work/after" >"$work/difference"; then
  cat "$work/difference" >&2
  fail "installing and removing the package changed the files under /usr and /etc"
fi
[ -s "$history/000.cmd" ] || fail "removing the package took the user's History"
echo "package test passed"
