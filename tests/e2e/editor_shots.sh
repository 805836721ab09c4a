#!/bin/bash
# The real program's editor on a virtual X display, photographed: a Japanese text file
# selected in the list and opened with F2, then Ctrl+T, Ctrl+F and a find run with F3.
#   tests/e2e/editor_shots.sh build/zelmo32 build/editor-shots
# Needs xvfb-run, xdotool and ImageMagick's import. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare ed
mkdir -p "$work/data/docs"
printf '今日の予定\n・午前１０時　会議（第二会議室）\n・午後　　　　資料の作成\n・夕方　　　　ｶﾀｶﾅ の確認と English text\n\n以上です。\n' >"$work/data/docs/memo.txt"
zelmo_start
xdotool key Down; sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 292)) $((Y + 125)) click 1; sleep 1
import -window "$win" "$shots/real-main.png"
xdotool key F2; sleep 2
ed=$(xdotool search --onlyvisible --pid "$pid" --name 'ゼル君' 2>/dev/null | tail -1)
echo "editor window: $ed"
[ -n "$ed" ] || { import -window root "$shots/real-failure.png"; cat "$work/log"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$ed")"
xdotool mousemove $((X + 200)) $((Y + 130)) click 1; sleep 1
xdotool windowfocus --sync "$ed"; sleep 1
import -window "$ed" "$shots/real-editor.png"
xdotool key ctrl+t; sleep 0.5 # back to the first line
xdotool key ctrl+f; sleep 1.5
xdotool type --delay 50 "Eng"; sleep 0.5
import -window root "$shots/real-find.png"
xdotool key Return; sleep 1
import -window "$ed" "$shots/real-editor-found.png"
xdotool key F3; sleep 1
import -window "$ed" "$shots/real-editor-total.png"
echo done
