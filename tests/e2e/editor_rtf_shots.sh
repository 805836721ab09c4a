#!/bin/bash
# The real program's editor with an RTF document in a non-Latin code page (Simplified
# Chinese, \ansicpg936 with \'hh bytes), opened with F2, and its Save-as dialog (Ctrl+S),
# which starts on the RTF filter for such a document; photographed on a virtual display.
#   tests/e2e/editor_rtf_shots.sh build/zelmo32 build/editor-shots [display number]
# Needs xvfb-run, xdotool and ImageMagick's import. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then
  INNER=1 exec xvfb-run -n "${3:-92}" -s "-screen 0 1024x768x24" "$0" "$program" "$shots"
fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare rtf
# Two documents, so the list holds them both; the first one is opened.
cp "$here/tests/data/rtf/text-cp936.rtf" "$work/data/a-chinese.rtf"
cp "$here/tests/data/rtf/text-cp1251.rtf" "$work/data/b-cyrillic.rtf"
zelmo_start
sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 292)) $((Y + 125)) click 1; sleep 1
import -window "$win" "$shots/rtf-main.png"
xdotool key F2; sleep 2
ed=$(xdotool search --onlyvisible --pid "$pid" --name 'ゼル君' 2>/dev/null | tail -1)
echo "editor window: $ed"
[ -n "$ed" ] || { import -window root "$shots/rtf-failure.png"; cat "$work/log"; exit 1; }
xdotool windowfocus --sync "$ed"; sleep 1
import -window "$ed" "$shots/rtf-editor-cp936.png"
xdotool key ctrl+s; sleep 2.5
import -window root "$shots/rtf-save-as.png"
xdotool key Escape; sleep 1
echo done
