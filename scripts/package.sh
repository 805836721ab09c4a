#!/usr/bin/env bash
# Builds the Debian package <build-dir>/zelmo32_<version>_<arch>.deb (build-dir: build):
# the program configured for the prefix /usr, installed by cpack, with its dependencies
# computed by dpkg-shlibdeps. Install it with: sudo apt install ./build/zelmo32_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/setup.sh "$build" -DCMAKE_INSTALL_PREFIX=/usr
cd "$build"
rm -f zelmo32_*.deb
cpack -G DEB >/dev/null
ls "$PWD"/zelmo32_*.deb
