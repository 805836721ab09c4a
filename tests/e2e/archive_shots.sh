#!/bin/bash
# The real program's archive window on a virtual X display, photographed: an LZH with
# Japanese names clicked in the list, its members listed, one member shown as text.
#   tests/e2e/archive_shots.sh build/zelmo32 build/archive-shots
# Needs xvfb-run, xdotool and ImageMagick's import. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare arc
cp "$here/tests/data/archive/japanese_l2.lzh" "$work/data/"
zelmo_start
xdotool mousemove $((X + 292)) $((Y + 125)) click 1; sleep 2
view=$(xdotool search --onlyvisible --pid "$pid" --name 'japanese_l2[.]lzh$' 2>/dev/null | grep -vx "$win" | head -1)
echo "archive window: $view"
[ -n "$view" ] || { import -window root "$shots/archive-failure.png"; cat "$work/log"; exit 1; }
import -window root "$shots/archive-desktop.png"
import -window "$view" "$shots/archive-window.png"
# The third member row of the list (names in ascending order), a text; the window's place
# comes from the frame geometry, which X reports relative to the root without a manager.
read -r vx vy < <(xwininfo -id "$view" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}')
xdotool mousemove $((vx + 40)) $((vy + 68)) click 1; sleep 2
import -window root "$shots/archive-member.png"
echo done
