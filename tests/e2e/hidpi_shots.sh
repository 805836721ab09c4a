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
cd "$work/data" || exit 1
# Fine detail, so a picture made at half the resolution and doubled shows its blocks.
convert -size 1920x1080 pattern:checkerboard -resize 400% \( -size 1920x1080 radial-gradient:white-navy \) \
  -compose multiply -composite -fill red -draw "line 0,0 1919,1079" -fill yellow \
  -draw "circle 960,540 960,300" -quality 95 photo.jpg
convert -size 640x400 gradient:yellow-green -fill black -draw "text 40,200 'GIF 640x400 fine text'" \
  -pointsize 24 anim.gif
convert -size 800x600 plasma:fractal -seed 7 BMP3:picture.bmp
convert -size 64x64 xc:none -fill blue -draw "circle 32,32 32,4" -fill white \
  -draw "text 14,38 'ICO'" \( +clone -resize 32x32 \) icon.ico 2>/dev/null ||
  convert -size 64x64 xc:blue icon.ico
export XDG_CACHE_HOME="$work/cache"
cp "$here/tests/data/shell/app.exe" app.exe
printf '[FormStyle]\r\nViewerStyle=1\r\noldDirPath=%s\r\n[Page1]\r\nBPFileName0=%s\r\nBPFileName1=%s\r\nBPFileName2=%s\r\nBPFileName3=%s\r\n' \
  "$work/data" "$work/data/icon.ico" "$work/data/app.exe" "$work/data/picture.bmp" "$work/data" \
  >"$work/app/zelmo32.INI"
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
