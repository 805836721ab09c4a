#!/usr/bin/env python3
"""Writes the test archives of the archive libraries into the folder given: names in UTF-8
and in CP932 (raw, without the UTF-8 flag), and a hostile set (paths leaving the folder,
links, devices, bombs, odd names)."""
import io
import os
import struct
import sys
import zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


class Raw(zipfile.ZipInfo):
    """A member whose name is stored as the given bytes, with no UTF-8 flag."""

    def __init__(self, raw, **kw):
        super().__init__(raw.decode('latin-1'), **kw)
        self.raw = raw

    def _encodeFilenameFlags(self):
        return self.raw, self.flag_bits


def member(z, name, data=b'', mode=0o100644, kind=zipfile.ZIP_DEFLATED, when=(2001, 2, 3, 4, 5, 6)):
    info = Raw(name, date_time=when) if isinstance(name, bytes) else zipfile.ZipInfo(name, when)
    info.create_system = 3
    info.external_attr = mode << 16
    info.compress_type = kind
    z.writestr(info, data)


def archive(name, members):
    with zipfile.ZipFile(os.path.join(out, name), 'w') as z:
        for m in members:
            member(z, *m)


# Names: UTF-8 (flagged) and CP932 (not flagged; 0x5C is the second byte of ソ and 表).
archive('names.zip', [
    ('日本語/ユニコード.txt', b'utf-8 name'),
    ('ソフト\\表.txt'.encode('cp932'), b'cp932 name'),
    ('ascii.txt', b'plain'),
])

# Paths that leave the folder, and members that are not plain files or folders.
archive('slip.zip', [
    ('ok.txt', b'ok'),
    ('../evil.txt', b'evil'),
    ('a/../../evil2.txt', b'evil'),
    ('/tmp/zelmo-absolute-evil.txt', b'evil'),
    ('..\\evil3.txt', b'evil'),
    ('C:\\evil4.txt', b'evil'),
    ('sub\\inner.txt', b'inner'),
])
archive('links.zip', [
    ('link', b'/etc', 0o120777),      # a link to outside
    ('link/passwd', b'written through'),  # then a file through it
    ('dev', b'', 0o020644),           # a character device
    ('fifo', b'', 0o010644),
    ('after.txt', b'after'),
])
archive('oddnames.zip', [
    (b'line\nbreak.txt', b'newline'),
    (b'quote"and\\back.txt', b'quote'),
    (b'bad\xffbyte.txt', b'not cp932'),
])

# A bomb: one member of 20 MB of zeros.
archive('bomb.zip', [('zeros.bin', bytes(20 << 20))])


def liar(name, size, claimed):
    """A member whose recorded size (local and directory) is far below its real one."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w') as z:
        member(z, 'liar.bin', bytes(size))
    data = bytearray(buf.getvalue())
    struct.pack_into('<I', data, 22, claimed)
    cd_at = data.rfind(b'PK\x01\x02')
    struct.pack_into('<I', data, cd_at + 24, claimed)
    open(os.path.join(out, name), 'wb').write(data)


liar('liar.zip', 3 << 20, 100)
archive('many.zip', [(f'f{i}.txt', b'x') for i in range(50)])


def overlapping(name, copies):
    """Many directory entries pointing at one deflated local member: each one expands the
    same bytes again."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w') as z:
        member(z, 'zeros0.bin', bytes(5 << 20))
    data = buf.getvalue()
    end = data.rfind(b'PK\x05\x06')
    cd_at = struct.unpack_from('<I', data, end + 16)[0]
    entry = data[cd_at:end]
    entries = b''
    for i in range(copies):
        e = bytearray(entry)
        n = struct.unpack_from('<H', e, 28)[0]
        e[46:46 + n] = f'zeros{i}.bin'.encode()[:n].ljust(n, b'_')
        entries += bytes(e)
    tail = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, copies, copies, len(entries), cd_at, 0)
    open(os.path.join(out, name), 'wb').write(data[:cd_at] + entries + tail)


overlapping('overlap.zip', 40)
open(os.path.join(out, 'notzip.zip'), 'wb').write(b'this is not an archive at all')


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def lzh_member(name, data):
    """A stored member with a level-0 header; the name's bytes as given."""
    body = (b'-lh0-' + struct.pack('<IIIBBB', len(data), len(data), 0x2B210000, 0x20, 0, len(name))
            + name + struct.pack('<H', crc16(data)))
    return bytes([len(body), sum(body) & 0xFF]) + body + data


# LZH names in CP932, "\" as the separator, and one that climbs out.
with open(os.path.join(out, 'names.lzh'), 'wb') as f:
    f.write(lzh_member(b'ascii.txt', b'plain') +
            lzh_member('ソフト\\表.txt'.encode('cp932'), b'cp932 name') +
            lzh_member(b'..\\evil.txt', b'evil') + b'\0')
