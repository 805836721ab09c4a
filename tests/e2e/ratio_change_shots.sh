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
cd "$work/data" || exit 1
convert -size 1920x1080 pattern:checkerboard -resize 400% \( -size 1920x1080 radial-gradient:white-navy \) \
  -compose multiply -composite -fill red -draw "line 0,0 1919,1079" -quality 95 photo.jpg
convert -size 800x600 plasma:fractal -seed 7 BMP3:picture.bmp
convert -size 64x64 xc:none -fill blue -draw "circle 32,32 32,4" -fill white \
  -draw "text 14,38 'ICO'" \( +clone -resize 32x32 \) icon.ico 2>/dev/null ||
  convert -size 64x64 xc:blue icon.ico
export XDG_CACHE_HOME="$work/cache"
cp "$here/tests/data/shell/app.exe" app.exe
printf '[FormStyle]\r\nViewerStyle=1\r\noldDirPath=%s\r\n[Page1]\r\nBPFileName0=%s\r\nBPFileName1=%s\r\nBPFileName2=%s\r\nBPFileName3=%s\r\n' \
  "$work/data" "$work/data/icon.ico" "$work/data/app.exe" "$work/data/picture.bmp" "$work/data" \
  >"$work/app/zelmo32.INI"
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
