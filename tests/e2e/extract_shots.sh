#!/bin/bash
# The real program on a virtual X display: a ZIP dragged from the list onto a folder of
# the tree, the confirmation answered, the files extracted; photographed at each step.
#   tests/e2e/extract_shots.sh build/zelmo32 build/extract-shots
# Needs xvfb-run, xdotool and ImageMagick's import. A look, not a test.
set -u
TX=372 TY=497 # the folder "into" in the tree on a 1024 x 768 screen
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare drag
mkdir -p "$work/data/into"
cp "$here/tests/data/archive/japanese_utf8.zip" "$work/data/"
zelmo_start
import -window root "$shots/0.png"
# the zip is the first list entry at about (500,253) absolute; the "into" folder in the tree
xdotool mousemove 500 253 click 1; sleep 1
xdotool mousemove 500 253 mousedown 1; sleep 0.3
for i in 1 2 3 4 5 6 7 8; do xdotool mousemove $((500 - i*20)) $((253 + i*2)); sleep 0.1; done
import -window root "$shots/1.png"
for i in $(seq 0 20); do xdotool mousemove $((340 + (TX - 340) * i / 20)) $((269 + (TY - 269) * i / 20)); sleep 0.1; done
for i in 1 2 3 4; do xdotool mousemove $((TX + i)) $TY; sleep 0.2; done
import -window root "$shots/1b.png"
xdotool mouseup 1; sleep 2
import -window root "$shots/2.png"
xdotool key Return; sleep 3
import -window root "$shots/3.png"
ls -la "$work/data/into" "$work/data"
