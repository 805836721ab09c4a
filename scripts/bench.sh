#!/usr/bin/env bash
# Builds and runs the benchmarks (file listing, recursive scan, memory, scrolling),
# next to find(1) on the same folders, and the recursive scan next to a plain C walk
# with the same system calls (bench/scan_floor.c), printing the ratios. The test
# folders are made once under ${ZELMO_BENCH_DIR:-/tmp/zelmo32-bench} (about 300 000
# empty files) and reused.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${ZELMO_BUILD_DIR:-build}"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target bench_browser
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$build/bench/bench_browser" "${ZELMO_BENCH_DIR:-/tmp/zelmo32-bench}"
