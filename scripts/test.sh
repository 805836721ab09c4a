#!/usr/bin/env bash
# Installs what is missing, builds Zelmo32 with its tests and runs them all, then builds
# the Debian package and checks it (validators, lintian, contents).
# ZELMO_SANITIZE=1 builds into build-asan with AddressSanitizer and UBSan (no package).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${ZELMO_SANITIZE:-0}" = 1 ]; then
  scripts/setup.sh build-asan -DZELMO_SANITIZE=ON
  cd build-asan
  exec ctest --output-on-failure -j"$(nproc)"
fi
# The package is built in a folder of its own without tests (scripts/package.sh); with the
# same prefix its build reuses this one's objects from the compiler cache.
scripts/setup.sh build -DCMAKE_INSTALL_PREFIX=/usr
deb=$(scripts/package.sh | tail -n 1)
packaging/check_package.sh "$deb"
cd build
ctest --output-on-failure -j"$(nproc)"
