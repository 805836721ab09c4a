#!/bin/bash
# The real program on a virtual X display: a file sent to the trash from the list's
# Shift-right-click menu, photographed (menu, confirmation, list after); the trash is
# the run's own ($XDG_DATA_HOME in the scratch folder), whose files are listed.
#   tests/e2e/trash_shots.sh build/zelmo32 build/trash-shots
# Needs xvfb-run, xdotool and ImageMagick's import. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare trash
printf 'memo\n' > "$work/data/a.txt"
export XDG_DATA_HOME="$work/xdg"
zelmo_start
xdotool mousemove 480 253 click 1; sleep 1
xdotool keydown shift; xdotool mousemove 480 253 click 3; xdotool keyup shift; sleep 1
import -window root "$shots/menu.png"
xdotool key Down Return; sleep 1 # "ごみ箱"
import -window root "$shots/confirm.png"
xdotool key Return; sleep 2
import -window root "$shots/after.png"
find "$work/xdg" -type f | sed "s|$work||"; cat "$work"/xdg/Trash/info/*.trashinfo 2>/dev/null
ls "$work/data"
