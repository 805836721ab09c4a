#!/bin/bash
# The real program on a virtual X display under openbox at the screen resolutions a HiDPI
# desktop sets (Xft.dpi 192: scale 2; 144: scale 1.5; 120: scale 1.25; 96: scale 1), on a
# folder of a photo, a GIF, a BMP, an icon file and a program, a picture selected, so its
# thumbnail, the selection image and the icons can be compared with the pixel-art bitmaps
# around them. The first launcher slots hold the icon file, the program, the BMP and the
# folder.
#   tests/e2e/hidpi_shots.sh build/zelmo32 build/hidpi-shots [dpi...]
# Needs xvfb-run, openbox, xrdb, xdotool and ImageMagick. A look, not a test.
set -u
program=$1; shots=$2; shift 2
dpis=${*:-192 144 120 96}
if [ -z "${INNER:-}" ]; then
  INNER=1 exec xvfb-run -a -s "-screen 0 2400x1600x24" "$0" "$program" "$shots" $dpis
fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare hidpi
zelmo_pictures
export XDG_CACHE_HOME="$work/cache"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
for dpi in $dpis; do
  echo "Xft.dpi: $dpi" | xrdb -override -
  zelmo_start
  sleep 2
  # The main window (the first one found may have been the splash screen).
  win=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelmo32$' 2>/dev/null | tail -1)
  eval "$(xdotool getwindowgeometry --shell "$win")"
  # The first picture clicked (at 200, 130 logical pixels into the window): the selection
  # image shows it.
  xdotool mousemove $((X + 200 * dpi / 96)) $((Y + 130 * dpi / 96)) click 1; sleep 3
  import -window root "$shots/dpi-$dpi.png"
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
done
kill "$wm" 2>/dev/null
ls -la "$work/data"
