#!/bin/bash
# The real program while the desktop changes its scale: started at Xft/DPI 96 (scale 1)
# through an XSETTINGS daemon, as a desktop's settings daemon serves it, with a picture
# selected and the first launcher slots holding an icon file, a program, a BMP and a
# folder; then the daemon serves Xft/DPI 192 (scale 2) while the program runs, and the
# window is photographed before and after, so the pictures made again at the new scale
# can be compared with the pixel-art bitmaps around them.
#   tests/e2e/ratio_change_shots.sh build/zelmo32 build/ratio-shots
# Needs xvfb-run, openbox, xsettingsd, xdotool and ImageMagick. A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then
  INNER=1 exec xvfb-run -a -s "-screen 0 2400x1600x24" "$0" "$program" "$shots"
fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare ratio
zelmo_pictures
export XDG_CACHE_HOME="$work/cache"
# Xft/DPI in 1024ths of a dot per inch.
echo "Xft/DPI 98304" >"$work/xsettings"
xsettingsd -c "$work/xsettings" >/dev/null 2>&1 &
xs=$!
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
zelmo_start
# The picture at 200, 130 in the window: the selection image shows it.
xdotool mousemove $((X + 200)) $((Y + 130)) click 1; sleep 3
import -window root "$shots/ratio-1-before.png"
echo "Xft/DPI 196608" >"$work/xsettings"
kill -HUP "$xs"
sleep 4
import -window root "$shots/ratio-2-after.png"
grep -v "XDG_RUNTIME_DIR" "$work/log"
kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
kill "$wm" "$xs" 2>/dev/null
