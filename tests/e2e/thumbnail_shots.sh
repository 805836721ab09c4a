#!/bin/bash
# The real program on a virtual X display on a folder of JPEG, GIF and BMP pictures,
# photographed while their thumbnails are being decoded (names and sizes in place, the
# pictures coming) and when all are done.
#   tests/e2e/thumbnail_shots.sh build/zelmo32 build/thumbnail-shots
# Needs xvfb-run, xdotool and ImageMagick (convert, import). A look, not a test.
set -u
program=$1; shots=$2
if [ -z "${INNER:-}" ]; then INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" "$shots"; fi
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/zelmo_session.sh"
zelmo_prepare thumbnails
cd "$work/data" || exit 1
# Large photos take a while to decode; copies under other names are decoded each.
convert -size 6000x4000 gradient:orange-navy -attenuate 0.4 +noise Gaussian -quality 92 big.jpg
for i in $(seq -w 1 30); do cp big.jpg "photo$i.jpg"; done
rm big.jpg
convert -size 320x200 gradient:yellow-green anim.gif
convert -size 64x64 xc:red -fill blue -draw "circle 32,32 32,8" small.gif
convert -size 640x480 gradient:white-purple BMP3:picture.bmp
convert -size 16x16 xc:green BMP3:tiny.bmp
head -c 3000 picture.bmp > cut.bmp # its header promises rows the file does not hold
export XDG_CACHE_HOME="$work/cache" # no thumbnails of other programs
LANG=C.UTF-8 QT_QPA_PLATFORM=xcb "$work/app/zelmo32" >"$work/log" 2>&1 &
pid=$!
for _ in $(seq 400); do
  win=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelmo32$' 2>/dev/null | head -1)
  [ -n "$win" ] && break
  sleep 0.05
done
sleep 0.7 # the window's first paint
import -window root "$shots/decoding.png"
sleep 10
import -window root "$shots/done.png"
ls -la "$work/data"
