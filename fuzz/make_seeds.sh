#!/usr/bin/env bash
# Makes the small seed corpora of the fuzz targets: build-fuzz/seeds/{gif,jpeg,dib}
# (or the folder given).
# Needs ImageMagick's convert (scripts/setup.sh installs it) and python3.
set -euo pipefail
out="${1:-$(dirname "$0")/../build-fuzz/seeds}"
mkdir -p "$out/gif" "$out/jpeg" "$out/dib"

convert -size 7x5 xc:red -fill blue -draw 'point 2,2' -colors 4 "$out/gif/palette.gif"
convert -size 9x17 gradient:white-black -interlace GIF "$out/gif/interlaced.gif"
convert -size 4x4 xc:none -fill green -draw 'point 1,1' "$out/gif/transparent.gif"
convert -delay 10 -size 3x3 xc:red xc:blue -loop 0 "$out/gif/animated.gif"
convert -size 1x1 xc:white "$out/gif/one.gif"

convert -size 16x8 gradient:red-blue -quality 80 "$out/jpeg/baseline.jpg"
convert -size 16x8 gradient:red-blue -interlace JPEG "$out/jpeg/progressive.jpg"
convert -size 9x3 gradient:white-black -colorspace Gray "$out/jpeg/grey.jpg"
convert -size 8x8 xc:orange -colorspace CMYK "$out/jpeg/cmyk.jpg"
convert -size 1x1 xc:white "$out/jpeg/one.jpg"

# Bitmap inputs of the BitmapFromDib target: 2 bytes of info length, the info block
# (header and colour table), then the rows.
python3 - "$out/dib" <<'PY'
import struct, sys
def dib(name, w, h, bits, used, table, rows):
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 0, 0, 0, 0, used, 0) + table
    open(f'{sys.argv[1]}/{name}', 'wb').write(struct.pack('<H', len(info)) + info + rows)
dib('4bit', 3, 2, 4, 0, bytes(64), bytes(8))
dib('8bit', 5, 3, 8, 3, bytes(12), bytes(24))
dib('24bit', 2, -2, 24, 0, b'', bytes(16))
dib('1bit', 9, 1, 1, 0, bytes(8), bytes(4))
dib('32bit', 1, 1, 32, 0, b'', bytes(4))
PY
echo "Seeds in $out"
