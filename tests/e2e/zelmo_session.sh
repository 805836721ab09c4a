# Sourced by the screenshot scripts. zelmo_prepare NAME makes a scratch folder $work with
# app/ (the program, its archive libraries and picture plug-ins) and data/ (where it starts)
# and removes it at the end; zelmo_start starts the program in data/ and waits for its main
# window: pid and win are set, the window focused, its geometry in X, Y. zelmo_pictures
# fills data/ with the pictures the HiDPI photographs look at (a photo, a GIF, a BMP, an icon
# file, a program) and puts four of them on the first launcher page.
zelmo_prepare() {
  work=$(mktemp -d "/var/tmp/zelmo-$1.XXXXXX")
  trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
  mkdir -p "$work/app" "$work/data" "$shots"
  cp "$program" "$work/app/zelmo32"
  cp "$(dirname "$program")"/lib*.so "$(dirname "$program")"/*.spi "$work/app/" 2>/dev/null
}
zelmo_start() {
  cd "$work/data" || exit 1
  LANG=C.UTF-8 QT_QPA_PLATFORM=xcb "$work/app/zelmo32" >"$work/log" 2>&1 &
  pid=$!
  for _ in $(seq 60); do
    win=$(xdotool search --onlyvisible --pid "$pid" --name '^Zelmo32$' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.5
  done
  sleep 2
  xdotool windowfocus --sync "$win"; sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$win")"
}
zelmo_pictures() {
  cd "$work/data" || exit 1
  # Fine detail, so a picture made at half the resolution and doubled shows its blocks.
  convert -size 1920x1080 pattern:checkerboard \( -size 1920x1080 radial-gradient:white-navy \) \
    -compose multiply -composite -fill red -draw "line 0,0 1919,1079" -fill yellow \
    -draw "circle 960,540 960,300" -quality 95 photo.jpg
  convert -size 640x400 gradient:yellow-green -fill black -draw "text 40,200 'GIF 640x400 fine text'" \
    -pointsize 24 anim.gif
  convert -size 800x600 plasma:fractal -seed 7 BMP3:picture.bmp
  convert -size 64x64 xc:none -fill blue -draw "circle 32,32 32,4" -fill white \
    -draw "text 14,38 'ICO'" \( +clone -resize 32x32 \) icon.ico 2>/dev/null ||
    convert -size 64x64 xc:blue icon.ico
  cp "$here/tests/data/shell/app.exe" app.exe
  printf '[FormStyle]\r\nViewerStyle=1\r\noldDirPath=%s\r\n[Page1]\r\nBPFileName0=%s\r\nBPFileName1=%s\r\nBPFileName2=%s\r\nBPFileName3=%s\r\n' \
    "$work/data" "$work/data/icon.ico" "$work/data/app.exe" "$work/data/picture.bmp" "$work/data" \
    >"$work/app/zelmo32.INI"
}
