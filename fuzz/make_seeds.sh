#!/usr/bin/env bash
# Makes the small seed corpora of the fuzz targets: build-fuzz/seeds/{gif,jpeg,dib,zip,lzh}
# (or the folder given).
# Needs ImageMagick's convert (scripts/setup.sh installs it) and python3; cjpeg
# (libjpeg-turbo-progs), when installed, for two seeds with restart markers.
set -euo pipefail
out="${1:-$(dirname "$0")/../build-fuzz/seeds}"
mkdir -p "$out/gif" "$out/jpeg" "$out/dib" "$out/zip" "$out/unzip" "$out/lzh"

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
# Pictures a thumbnail decodes at 1/8 (the plug-in's DC-only decoder): every sampling,
# restart intervals (cjpeg, from libjpeg-turbo-progs, when installed).
for s in 2x2 2x1 1x2 1x1; do
  convert -seed 1 -size 96x64 plasma:fractal -attenuate 0.3 +noise Gaussian \
      -sampling-factor $s -quality 85 "$out/jpeg/thumb-$s.jpg"
done
convert -seed 2 -size 57x41 plasma:fractal -colorspace Gray -quality 95 "$out/jpeg/thumb-grey.jpg"
if command -v cjpeg > /dev/null; then
  convert -seed 3 -size 80x48 plasma:fractal ppm:- | cjpeg -restart 1 -sample 2x1 \
      > "$out/jpeg/thumb-restart.jpg"
  convert -seed 4 -size 80x48 plasma:fractal ppm:- | cjpeg -restart 3B -optimize \
      > "$out/jpeg/thumb-restart-optimized.jpg"
fi

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
if command -v jlha >/dev/null; then
  work="$(mktemp -d)"
  (cd "$work" && mkdir d && printf 'lzh text %.0s' $(seq 50) > d/a.txt && printf 'x' > b.txt &&
   jlha -aq0 stored.lzh b.txt && jlha -aq one.lzh d/a.txt b.txt) >/dev/null
  for f in "$work"/*.lzh; do
    { printf '\x01\x04'; cat "$f"; } > "$out/unzip/$(basename "$f")"
  done
  rm -rf "$work"
fi
# LZH: the committed archive fixtures (every method lhasa's decoders know, the header kinds
# of the old archivers, damaged and odd members), compressed members of each method and
# header level when jLHA's tool is there, and stored members with CP932 names and folders
# written by hand.
data="$(dirname "$0")/../tests/data/archive"
for f in "$data"/*.lzh "$data"/lzh-old/*.lzh "$data"/lzh-old/*.lzs "$data"/lzh-old/*.pma; do
  cp "$f" "$out/lzh/fixture-$(basename "$f")"
done
if command -v jlha >/dev/null; then
  work=$(mktemp -d)
  mkdir -p "$work/d"
  seq 1 400 > "$work/d/n.txt"
  printf 'hi\n' > "$work/a.txt"
  for m in 5 6 7; do
    for l in 0 1 2; do
      (cd "$work" && jlha -a${l}o${m} "lh$m-$l.lzh" a.txt d/n.txt >/dev/null 2>&1) &&
        mv "$work/lh$m-$l.lzh" "$out/lzh/"
    done
  done
  rm -rf "$work"
fi
python3 - "$out/lzh" <<'PY'
import struct, sys
def crc16(b):
    c = 0
    for x in b:
        c ^= x
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
    return c
def level0(name, data):
    h = b'-lh0-' + struct.pack('<IIHHBBB', len(data), len(data), 0x5083, 0x24c5, 0x20, 0, len(name)) + name + struct.pack('<H', crc16(data))
    return bytes([len(h), sum(h) & 0xFF]) + h + data
def level1(name, folder, data):
    ext = bytes([2]) + folder + b'\xff'
    h = b'-lh0-' + struct.pack('<IIHHBBB', len(data) + len(ext) + 2, len(data), 0x5083, 0x24c5, 0x20, 1, len(name)) + name + struct.pack('<H', crc16(data)) + b'M' + struct.pack('<H', len(ext) + 2)
    return bytes([len(h), sum(h) & 0xFF]) + h + ext + b'\0\0' + data
name, folder = b'\x95\x5c\x8e\xa6.txt', b'\x83\x74\x83\x48'
open(f'{sys.argv[1]}/stored0.lzh', 'wb').write(level0(name, b'hello') + level0(b'b', b'') + b'\0')
open(f'{sys.argv[1]}/stored1.lzh', 'wb').write(level1(name, folder, b'x' * 40) + b'\0')
open(f'{sys.argv[1]}/sfx.lzh', 'wb').write(b'MZ' + bytes(100) + level0(b'in.txt', b'q') + b'\0')
PY
echo "Seeds in $out"
