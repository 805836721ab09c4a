#!/usr/bin/env bash
# Makes the small seed corpora of the fuzz targets: build-fuzz/seeds/{gif,jpeg,dib,zip}
# (or the folder given).
# Needs ImageMagick's convert (scripts/setup.sh installs it) and python3.
set -euo pipefail
out="${1:-$(dirname "$0")/../build-fuzz/seeds}"
mkdir -p "$out/gif" "$out/jpeg" "$out/dib" "$out/zip" "$out/unzip"

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
# ZIP directories: plain, with comments, behind a DOS stub, ZIP64 end record, empty.
python3 - "$out/zip" <<'PY'
import io, struct, sys, zipfile
def make(name, members, comment=b'', prefix=b'', zip64=False):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w', allowZip64=True) as z:
        z.comment = comment
        for n, data, kind in members:
            info = zipfile.ZipInfo(n)
            info.compress_type = kind
            if zip64:
                with z.open(info, 'w', force_zip64=True) as f:
                    f.write(data)
            else:
                z.writestr(info, data)
    open(f'{sys.argv[1]}/{name}', 'wb').write(prefix + buf.getvalue())
S, D = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED
make('plain.zip', [('a.txt', b'hello', S), ('dir/', b'', S), ('b.bin', b'x' * 300, D)])
make('names.zip', [('日本語.txt', b'1', S), ('\x83\x65.txt', b'2', S)], comment=b'c' * 40)
make('empty.zip', [])
make('zip64.zip', [('big', b'z' * 10, S)], zip64=True)
stub = bytearray(b'MZ' + bytes(62)); stub[2:6] = struct.pack('<HH', 64, 1)
make('sfx.zip', [('in.txt', b'q', S)], prefix=bytes(stub))
PY
# Whole archives for fuzz_unzip_p: a reader byte (0 ZIP, 1 LZH) and a size byte in front.
python3 - "$out/zip" "$out/unzip" <<'PY'
import glob, io, os, sys, zipfile
out = sys.argv[2]
for path in glob.glob(sys.argv[1] + '/*'):
    open(f'{out}/{os.path.basename(path)}', 'wb').write(b'\x00\x08' + open(path, 'rb').read())
buf = io.BytesIO()
with zipfile.ZipFile(buf, 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('日本語/テキスト.txt', 'テキスト' * 50)
    z.writestr('sub/', b'')
    z.writestr('a.txt', b'hello ' * 100)
open(f'{out}/deflated.zip', 'wb').write(b'\x00\x02' + buf.getvalue())
PY
if command -v lha >/dev/null; then
  work="$(mktemp -d)"
  (cd "$work" && mkdir d && printf 'lzh text %.0s' $(seq 50) > d/a.txt && printf 'x' > b.txt &&
   lha -aq0 stored.lzh b.txt && lha -aq one.lzh d/a.txt b.txt) >/dev/null
  for f in "$work"/*.lzh; do
    { printf '\x01\x04'; cat "$f"; } > "$out/unzip/$(basename "$f")"
  done
  rm -rf "$work"
fi
echo "Seeds in $out"
