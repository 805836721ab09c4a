#!/usr/bin/env bash
# Installs the Debian 12 packages Zelmo32 needs (only those missing) and builds it.
# Usage: scripts/setup.sh [build-dir] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
          libarchive-dev liblhasa-dev lhasa zlib1g-dev libjpeg62-turbo-dev libgif-dev
          libgtest-dev libbenchmark-dev
          fonts-noto-cjk xdg-utils xvfb xauth xdotool imagemagick x11-utils zip unzip
          dpkg-dev file desktop-file-utils appstream lintian weston xwayland qt6-wayland
          at-spi2-core gir1.2-atspi-2.0 python3-gi dbus-daemon dbus-bin
          qt6-translations-l10n openbox trayer ccache x11-xserver-utils xsettingsd)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  # Another apt run may hold the locks: install waits for dpkg's, update is tried again.
  for try in 1 2 3 4 5 6 7 8 9 10; do
    $SUDO apt-get update -qq && break
    [ $try -lt 10 ] || exit 1
    echo "apt-get update failed; trying again in 30 s"
    sleep 30
  done
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi

build="${1:-build}"
shift || true
# Build folders of one checkout share the compiler cache's objects (the package's folder
# reuses the test build's): ccache keys them on paths relative to the checkout.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
