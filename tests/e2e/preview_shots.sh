#!/bin/bash
# The real program's preview of a photo cut off halfway (as a download that stopped),
# photographed on a virtual X display with a window manager (its caption shows): the part
# the decoder could read, grey below it; then the whole photo after Right.
#   tests/e2e/preview_shots.sh build/zelmo32 build/preview-shots
# Needs xvfb-run, openbox, xdotool and ImageMagick's convert and import. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare preview
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill "$pid" "$wm" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
convert -size 1600x1200 plasma:fractal -seed 7 -blur 0x2 -quality 90 "$work/b_whole.jpg"
cp "$work/b_whole.jpg" "$work/data/b_whole.jpg"
head -c $(($(stat -c %s "$work/b_whole.jpg") * 55 / 100)) "$work/b_whole.jpg" > "$work/data/a_cut.jpg"
zelmo_start
xdotool mousemove $((X + 292)) $((Y + 125)) click 1; sleep 2 # a_cut.jpg
import -window root "$shots/list.png"
xdotool key space; sleep 3
import -window root "$shots/preview-cut.png"
preview=$(xdotool search --onlyvisible --pid "$pid" --name 'a_cut[.]jpg$' 2>/dev/null | head -1)
echo "preview window: $preview"
[ -n "$preview" ] && xdotool windowactivate --sync "$preview"
xdotool key Right; sleep 3
import -window root "$shots/preview-whole.png"
echo done
