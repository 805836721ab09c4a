#!/usr/bin/env bash
# Builds and runs the benchmarks (file listing, recursive scan, memory, scrolling, the
# program's start on a large remembered folder, the LZH member walk, picture thumbnails),
# next to find(1), a plain listing of the same folders, lhasa or PCManFM-Qt, and the
# recursive scan next to a plain C walk with the same system calls (bench/scan_floor.c),
# printing the ratios. The test
# folders are made once under ${ZELMO_BENCH_DIR:-/tmp/zelmo32-bench} (about 300 000 empty
# files) and reused.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${ZELMO_BUILD_DIR:-build}"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The archive listings compare with lhasa (LZH), which the set-up installs for the tests.
command -v lhasa >/dev/null || { [ "$(id -u)" = 0 ] && apt-get install -y lhasa >/dev/null || sudo apt-get install -y lhasa >/dev/null; }
# The thumbnails compare with PCManFM-Qt on an X display (Xvfb when there is none).
command -v pcmanfm-qt >/dev/null || { [ "$(id -u)" = 0 ] && apt-get -o DPkg::Lock::Timeout=600 install -y pcmanfm-qt >/dev/null || sudo apt-get -o DPkg::Lock::Timeout=600 install -y pcmanfm-qt >/dev/null; }
cmake --build "$build" -j2 --target bench_browser bench_startup bench_pictures scan_floor bench_lzh_list \
  bench_zip_list
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
work="${ZELMO_BENCH_DIR:-/tmp/zelmo32-bench}"
status=0
"$build/bench/bench_browser" "$work" || status=1
"$build/bench/bench_startup" "$work" || status=1
if [ -n "${DISPLAY:-}" ]; then
  dbus-run-session -- "$build/bench_pictures" "$work" || status=1
else
  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- "$build/bench_pictures" "$work" || status=1
fi
"$build/bench/bench_lzh_list" "$work" || status=1
"$build/bench/bench_zip_list" "$work" || status=1
exit $status
