#!/usr/bin/env bash
# The program's start on a remembered folder of 100 000 files (CPU time of the process),
# and opening that folder (wall time), with the accessibility bus active and a screen
# reader's listener answering its events, next to the same without the bus, in turns in
# one run (bench/bench_a11y_open.cpp, bench/a11y_reader.py). Targets: with the bus, each
# costs no more than 1.2 times the other (medians), and Qt prints no warning.
# Needs xvfb-run, dbus-run-session, at-spi2-core and gir1.2-atspi-2.0 (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${ZELMO_BUILD_DIR:-build}"
if [ -z "${ZELMO_A11Y_BENCH_INNER:-}" ]; then
  [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j2 --target bench_a11y_open >/dev/null
  ZELMO_A11Y_BENCH_INNER=1 exec dbus-run-session -- \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
work="${ZELMO_BENCH_DIR:-/tmp/zelmo32-bench}"
mkdir -p "$work"
out=$(mktemp -d)
# A desktop session has its runtime folder; without one Qt says so on every start, which
# would count as a warning here.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$out/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
bus="" reader=""
trap '[ -n "$reader" ] && kill "$reader"; [ -n "$bus" ] && kill "$bus"; rm -rf "$out"' EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
bus=$!
for _ in $(seq 50); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true && break
  sleep 0.2
done
py=/usr/bin/python3 # Debian's, with the GObject bindings
[ -x "$py" ] || py=python3
"$py" bench/a11y_reader.py &
reader=$!
sleep 1
opens=3
for round in 1 2 3 4 5; do
  QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    "$build/bench/bench_a11y_open" "$work" start >>"$out/start-on" 2>>"$out/warnings"
  env -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_QPA_PLATFORM=xcb \
    "$build/bench/bench_a11y_open" "$work" start >>"$out/start-off"
done
for round in 1 2 3 4 5; do
  QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    "$build/bench/bench_a11y_open" "$work" $opens >>"$out/on" 2>>"$out/warnings"
  env -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_QPA_PLATFORM=xcb \
    "$build/bench/bench_a11y_open" "$work" $opens >>"$out/off"
done
grep -q '^accessible 1' "$out/on" && ! grep -q '^accessible 1' "$out/off" ||
  { echo "the accessibility bus was not active in the one run only"; exit 1; }
median() { grep "^$2 " "$1" | awk '{print $2}' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
on=$(median "$out/on" open)
off=$(median "$out/off" open)
son=$(median "$out/start-on" start)
soff=$(median "$out/start-off" start)
files=$(grep '^open ' "$out/on" | head -1 | awk '{print $3}')
ratio=$(awk -v a="$on" -v b="$off" 'BEGIN {printf "%.2f", a / b}')
sratio=$(awk -v a="$son" -v b="$soff" 'BEGIN {printf "%.2f", a / b}')
echo
echo "Start on a folder of $files files, CPU time of the process (median of 5 starts each)"
printf '  with the accessibility bus and a reader    %8.1f ms\n' "$son"
printf '  without the accessibility bus              %8.1f ms\n' "$soff"
printf '  ratio                                      %8s   (target <= 1.2)\n' "$sratio"
echo "Opening it from the tree, wall time (median of $((5 * opens)) openings each, warm cache)"
printf '  with the accessibility bus and a reader    %8.1f ms\n' "$on"
printf '  without the accessibility bus              %8.1f ms\n' "$off"
printf '  ratio                                      %8s   (target <= 1.2)\n' "$ratio"
warned=$(grep -c . "$out/warnings" || true)
echo "Qt's messages with the bus: $warned"
[ "$warned" = 0 ] || sed 's/^/  /' "$out/warnings" | sort | uniq -c | head
if awk -v r="$ratio" -v s="$sratio" 'BEGIN {exit !(r <= 1.2 && s <= 1.2)}' && [ "$warned" = 0 ]; then
  echo; echo "targets met"
else
  echo; echo "TARGET MISSED"; exit 1
fi
