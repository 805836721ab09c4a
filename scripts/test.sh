#!/usr/bin/env bash
# Installs what is missing, builds Zelmo32 with its tests and runs them all.
# ZELMO_SANITIZE=1 builds into build-asan with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${ZELMO_SANITIZE:-0}" = 1 ]; then
  scripts/setup.sh build-asan -DZELMO_SANITIZE=ON
  cd build-asan
else
  scripts/setup.sh build
  cd build
fi
ctest --output-on-failure -j"$(nproc)"
