#!/bin/bash
# The real program on a virtual X display: a file copied from the list onto a folder of the
# tree that holds a read-only file of the same name, through the tree's Ctrl-right-click
# menu; the overwrite question (which says the file there is read-only) and the list after
# "スキップ" are photographed, and the folder's files listed (no temporary file left).
#   tests/e2e/copy_shots.sh build/zelmo32 build/copy-shots
# Needs xvfb-run, xdotool and ImageMagick's import. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare copy
printf 'the new text\n' > "$work/data/a.txt"
mkdir "$work/data/sub"
printf 'old\n' > "$work/data/sub/a.txt"
chmod 0444 "$work/data/sub/a.txt"
zelmo_start
import -window root "$shots/start.png"
xdotool mousemove 480 253 click 1; sleep 1 # a.txt in the list
# The tree's folder "sub" (the menu acts only when the tree shows another folder).
xdotool mousemove "${TREE_X:-370}" "${TREE_Y:-497}" click 1; sleep 1
xdotool keydown ctrl click 3 keyup ctrl; sleep 1
import -window root "$shots/menu.png"
xdotool key Down Return; sleep 2 # "複 写"
import -window root "$shots/question.png"
xdotool key Escape; sleep 2
import -window root "$shots/after.png"
ls -la "$work/data/sub"; cat "$work/data/sub/a.txt"
# Again, answered "上書き": the copy arrives with the source's mode.
xdotool mousemove "${TREE_X:-370}" "${TREE_Y:-497}"
xdotool keydown ctrl click 3 keyup ctrl; sleep 1
xdotool key Down Return; sleep 2
xdotool key Return; sleep 2
import -window root "$shots/overwritten.png"
ls -la "$work/data/sub"; cat "$work/data/sub/a.txt"
