#!/bin/bash
# The real program's page-name dialog, information window and help on a virtual X
# display, photographed, each opened through the context menu or F1.
#   tests/e2e/dialog_shots.sh build/zelmo32 build/dialog-shots
# Needs xvfb-run, xdotool and ImageMagick's import. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare dlg
zelmo_start
menu() { xdotool mousemove $((X + 560)) $((Y + 20)) click 3; sleep 1; xdotool key "$1"; sleep 2; }
menu k
import -window root "$shots/tabset.png"
dlg=$(xdotool search --onlyvisible --pid "$pid" --name 'タブ名' 2>/dev/null | head -1)
# キャンセル drops it (the dialog is centred on the 1024 x 768 screen).
[ -n "$dlg" ] && xdotool mousemove 585 499 click 1; sleep 1
xdotool windowfocus --sync "$win"; sleep 0.5
menu r
import -window root "$shots/about.png"
xdotool windowfocus --sync "$win"; sleep 0.5
xdotool key F1; sleep 2
import -window root "$shots/help.png"
echo done
