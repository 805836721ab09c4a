#!/usr/bin/env bash
# Builds the Debian package <build-dir>/zelmo32_<version>_<arch>.deb (build-dir:
# build-package): the program alone, configured in a folder of its own for the prefix
# /usr without tests and benchmarks, installed by cpack, with its dependencies computed by
# dpkg-shlibdeps. Install it with: sudo apt install ./build-package/zelmo32_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-package}"
scripts/setup.sh "$build" -DCMAKE_INSTALL_PREFIX=/usr -DZELMO_BUILD_TESTS=OFF \
    -DZELMO_BUILD_BENCH=OFF
cd "$build"
rm -f zelmo32_*.deb
cpack -G DEB >/dev/null
ls "$PWD"/zelmo32_*.deb
