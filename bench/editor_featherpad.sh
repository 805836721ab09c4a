#!/usr/bin/env bash
# Opening big texts: the editor window (build/bench/bench_editor_open, the load F2 runs)
# next to FeatherPad from Debian at its default settings (a fresh configuration), on the
# same files, on one X display: CPU time (user + system) until the program has settled
# (no CPU used for 2 s) and peak RSS (VmHWM), read from /proc for both alike. Files: 20 MB
# and 100 MB UTF-8 and 20 MB CP932, made once under ${ZELMO_BENCH_DIR:-/tmp/zelmo32-bench}.
# The floor is reading the file (cat to /dev/null). FeatherPad opens no file of 100 MiB
# or more, hence the decimal sizes. Runs: ${RUNS:-2} in turns,
# the lowest of each printed. Usage: bench/editor_featherpad.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
# Both programs on one X display: Xvfb when there is none.
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
build="${1:-${ZELMO_BUILD_DIR:-build}}"
command -v featherpad >/dev/null || { [ "$(id -u)" = 0 ] && apt-get -o DPkg::Lock::Timeout=600 install -y featherpad >/dev/null || sudo apt-get -o DPkg::Lock::Timeout=600 install -y featherpad >/dev/null; }
cmake --build "$build" -j2 --target bench_editor_open >/dev/null
work="${ZELMO_BENCH_DIR:-/tmp/zelmo32-bench}/texts"
mkdir -p "$work"
python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
def make(name, size, enc):
    path = os.path.join(work, name)
    if os.path.exists(path):
        return
    lines, n, i = [], 0, 0
    while n < size:
        line = "吾輩は猫である。名前はまだ無い。 The quick brown fox %d jumps over\r\n" % i
        b = line.encode(enc)
        lines.append(b); n += len(b); i += 1
    with open(path, "wb") as f:
        f.write(b"".join(lines))
make("utf8-20MB.txt", 20 * 10**6, "utf-8")
make("utf8-100MB.txt", 100 * 10**6, "utf-8")
make("cp932-20MB.txt", 20 * 10**6, "cp932")
PY
cfg=$(mktemp -d)
trap 'rm -rf "$cfg"' EXIT
# One measurement: starts the command, waits until its CPU time stays still for 2 s,
# prints "cpu_seconds peak_MiB", ends it.
measure() {
  XDG_CONFIG_HOME="$cfg/config" HOME="$cfg" "$@" >/dev/null 2>&1 &
  local pid=$! last=-1 still=0 now
  while :; do
    sleep 0.25
    [ -r /proc/$pid/stat ] || { echo "failed"; return; }
    now=$(awk '{print $14 + $15}' /proc/$pid/stat)
    if [ "$now" = "$last" ]; then still=$((still + 1)); else still=0; fi
    last=$now
    [ $still -ge 8 ] && break
  done
  local hwm
  hwm=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
  kill $pid; wait $pid 2>/dev/null || true
  awk -v t="$now" -v h="$hwm" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f %.0f\n", t / hz, h / 1024 }'
}
run_all() {
  for f in utf8-20MB.txt utf8-100MB.txt cp932-20MB.txt; do
    local size=$(($(stat -c %s "$work/$f") / 1000000)) best_z="" best_f="" r z fp
    for r in $(seq "${RUNS:-2}"); do
      z=$(measure "$build/bench/bench_editor_open" "$work/$f")
      fp=$(measure featherpad --standalone "$work/$f")
      best_z=$(printf '%s\n%s\n' "$best_z" "$z" | awk 'NF' | sort -n | head -1)
      best_f=$(printf '%s\n%s\n' "$best_f" "$fp" | awk 'NF' | sort -n | head -1)
    done
    local t0=$(date +%s%N); cat "$work/$f" >/dev/null; local t1=$(date +%s%N)
    echo "$f (${size} MB): zelmo $best_z  featherpad $best_f  cat $(( (t1 - t0) / 1000000 )) ms" |
      awk '{ printf "%s zelmo %.2f s %d MiB | featherpad %.2f s %d MiB | CPU %.2fx, memory %+d MiB (file %d MB) | %s %s %s\n",
               $1 " " $2 " " $3, $5, $6, $8, $9, $5 / $8, $6 - $9, substr($2, 2) + 0, $10, $11, $12 }'
  done
}
run_all
