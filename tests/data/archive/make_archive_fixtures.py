#!/usr/bin/env python3
"""Builds the LZH and ZIP fixtures of the archive tests into tests/data/archive.

Run through scripts/make_archive_fixtures.sh (it sets TZ=UTC and checks the tools).
LZH archives either come whole from `lha` (level0/1/2.lzh), or have headers written
here with member data that `lha` compressed (lh5/lh6/lh7) or stored as is (lh0).
ZIP archives are written here byte by byte (zlib for deflate, our own traditional
encryption with a fixed header), so every offset and flag is under control. The
output is the same on every run: fixed dates, seeded random data.
"""
import calendar
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
HOSTILE = os.path.join(HERE, "hostile")

# 1998-06-05 10:04:06, the date the tests look for.
DATE_1998 = (1998, 6, 5, 10, 4, 6)
DATE_2024 = (2024, 12, 31, 23, 59, 58)

TEXT_JA = ("日本語のテキストです。\r\n"
           "ゼルモ３２の書庫ビューアで表示されるはずの文章。\r\n"
           "ソフト、表示、能力：二バイト目が 5C の文字を含む。\r\n")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def sjis(text):
    return text.encode("cp932")


def dos_datetime(dt):
    y, mo, d, h, mi, s = dt
    return (h << 11 | mi << 5 | s // 2), ((y - 1980) << 9 | mo << 5 | d)


def unix_time(dt):
    return calendar.timegm(dt + (0, 0, 0))


# --- LZH -----------------------------------------------------------------------------

def crc16(data, crc=0):
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


class LzhMember:
    def __init__(self, name, data, method="lh0", date=DATE_2024, packed=None,
                 unix_mode=None, os_id=b"M"):
        self.name = name          # bytes; "/" separates folders (our convention)
        self.data = data
        self.method = method
        self.date = date
        self.packed = data if packed is None else packed
        self.unix_mode = unix_mode
        self.os_id = os_id


_lha_cache = {}


def lha_compress(data, method):
    """The member data as `lha` packs it with lh5, lh6 or lh7 (read back from a level-2
    header, whose layout is fixed)."""
    key = (data, method)
    if key in _lha_cache:
        return _lha_cache[key]
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, "m"), "wb") as f:
            f.write(data)
        subprocess.run(["jlha", "-a2o" + method[-1], "x.lzh", "m"], cwd=tmp, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(tmp, "x.lzh"), "rb") as f:
            raw = f.read()
    size = struct.unpack_from("<H", raw, 0)[0]
    got = raw[2:7].decode()
    packed_len = struct.unpack_from("<I", raw, 7)[0]
    if got != "-" + method + "-":
        sys.exit(f"lha wrote {got} instead of {method}: give it more compressible data")
    _lha_cache[key] = raw[size:size + packed_len]
    return _lha_cache[key]


def lzh_header(m, level):
    method = ("-" + m.method + "-").encode()
    crc = crc16(m.data)
    folder, _, base = m.name.rpartition(b"/")
    if level in (0, 1):
        t, d = dos_datetime(m.date)
        if level == 0:
            name = m.name.replace(b"/", b"\\")
            body = (method + struct.pack("<IIHHBBB", len(m.packed), len(m.data), t, d,
                                         0x20, 0, len(name)) + name + struct.pack("<H", crc))
        else:
            # The folder goes into an extended header (separated and ended by 0xFF); each extended
            # header ends with the size of the next one, the last with 0. The skip size
            # counts them with the data.
            items = [b"\x02" + folder.replace(b"/", b"\xff") + b"\xff"] if folder else []
            sizes = [len(item) + 2 for item in items] + [0]
            chain = b"".join(item + struct.pack("<H", sizes[i + 1])
                             for i, item in enumerate(items))
            body = (method + struct.pack("<IIHHBBB", len(m.packed) + len(chain), len(m.data),
                                         t, d, 0x20, 1, len(base)) + base +
                    struct.pack("<H", crc) + m.os_id + struct.pack("<H", sizes[0]))
            return bytes([len(body), sum(body) & 0xFF]) + body + chain
        return bytes([len(body), sum(body) & 0xFF]) + body
    # Level 2: the whole header's size first, extended headers after the base part.
    items = [b"\x00" + b"\x00\x00", b"\x01" + base]
    if folder:
        items.append(b"\x02" + folder.replace(b"/", b"\xff") + b"\xff")
    if m.unix_mode is not None:
        items.append(b"\x50" + struct.pack("<H", m.unix_mode))
        items.append(b"\x51" + struct.pack("<HH", 0, 0))
    ext = b""
    for item in items:
        ext += struct.pack("<H", len(item) + 2) + item
    ext += b"\x00\x00"
    first_ext_size = ext[:2]
    ext = ext[2:]
    total = 26 + len(ext)
    pad = b""
    if total & 0xFF == 0:  # a size byte of 0 reads as the archive's end mark
        pad = b"\x00"
        total += 1
    head = (struct.pack("<H", total) + method +
            struct.pack("<IIIBBH", len(m.packed), len(m.data), unix_time(m.date), 0x20, 2, crc) +
            m.os_id + first_ext_size + ext + pad)
    hcrc = crc16(head)
    at = 27  # the common header's data (after its type byte): the header CRC
    head = head[:at] + struct.pack("<H", hcrc) + head[at + 2:]
    return head


def lzh(members, level):
    out = b""
    for m in members:
        out += lzh_header(m, level) + m.packed
    return out + b"\x00"


def lha_archive(path, level, files, tmp):
    """An archive written wholly by `lha`: files is a list of (name, data, method)."""
    work = os.path.join(tmp, "lha%d" % level)
    os.makedirs(work)
    stamp = unix_time(DATE_1998)
    for name, data, method in files:
        p = os.path.join(work, name)
        with open(p, "wb") as f:
            f.write(data)
        os.utime(p, (stamp, stamp))
    for name, data, method in files:
        opt = "-a%dz" % level if method == "lh0" else "-a%do%s" % (level, method[-1])
        subprocess.run(["jlha", opt, "out.lzh", name], cwd=work, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shutil.copyfile(os.path.join(work, "out.lzh"), path)


# --- ZIP -----------------------------------------------------------------------------

CRC_TABLE = [0] * 256
for _i in range(256):
    _c = _i
    for _ in range(8):
        _c = (_c >> 1) ^ 0xEDB88320 if _c & 1 else _c >> 1
    CRC_TABLE[_i] = _c


def zip_encrypt(data, password, crc):
    """Traditional ZIP encryption; the 12-byte header's filler is fixed, its last byte
    checks the password against the CRC."""
    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(b):
        keys[0] = (keys[0] >> 8) ^ CRC_TABLE[(keys[0] ^ b) & 0xFF]
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = (keys[2] >> 8) ^ CRC_TABLE[(keys[2] ^ (keys[1] >> 24)) & 0xFF]

    for b in password:
        update(b)
    out = bytearray()
    for p in bytes(range(11, 22)) + bytes([crc >> 24]):
        t = (keys[2] | 2) & 0xFFFF
        out.append(p ^ ((t * (t ^ 1)) >> 8 & 0xFF))
        update(p)
    for p in data:
        t = (keys[2] | 2) & 0xFFFF
        out.append(p ^ ((t * (t ^ 1)) >> 8 & 0xFF))
        update(p)
    return bytes(out)


class ZipMember:
    def __init__(self, name, data=b"", method=8, date=DATE_2024, utf8=None, mode=None,
                 password=None, packed=None):
        self.name = name
        self.data = data
        self.method = method
        self.date = date
        self.crc = zlib.crc32(data)
        self.flags = 0
        if utf8 or (utf8 is None and any(b >= 0x80 for b in name)):
            self.flags |= 0x0800
        if packed is None:
            if method == 8:
                c = zlib.compressobj(9, zlib.DEFLATED, -15)
                packed = c.compress(data) + c.flush()
            else:
                packed = data
        if password is not None:
            packed = zip_encrypt(packed, password, self.crc)
            self.flags |= 0x0001
        self.packed = packed
        self.mode = mode  # unix mode in the external attributes (made on Unix)


def zip_archive(members, comment=b"", zip64=False, base=0, local_at=None):
    """A ZIP file. base is added to every recorded offset (an archive appended to a
    program, offsets counted from the file's start). local_at: for each member, the
    offset of the local header its directory entry points at (default: its own)."""
    out = b""
    own = []
    for m in members:
        own.append(len(out))
        if local_at is not None and local_at[len(own) - 1] != own[-1]:
            continue  # shares another member's data
        t, d = dos_datetime(m.date)
        extra = getattr(m, "extra", b"")
        sizes = (len(m.packed), len(m.data))
        if zip64:
            extra = struct.pack("<HHQQ", 1, 16, len(m.data), len(m.packed))
            sizes = (0xFFFFFFFF, 0xFFFFFFFF)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 45 if zip64 else 20, m.flags, m.method,
                           t, d, m.crc, sizes[0], sizes[1], len(m.name), len(extra))
        out += m.name + extra + m.packed
    where = local_at if local_at is not None else own
    dir_at = len(out)
    for m, at in zip(members, where):
        t, d = dos_datetime(m.date)
        extra = getattr(m, "extra", b"")
        sizes = (len(m.packed), len(m.data))
        if zip64:
            extra = struct.pack("<HHQQ", 1, 16, len(m.data), len(m.packed))
            sizes = (0xFFFFFFFF, 0xFFFFFFFF)
        made_by, attrs = 20, 0x20
        if m.mode is not None:
            made_by, attrs = 3 << 8 | 20, m.mode << 16
        out += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, made_by, 45 if zip64 else 20,
                           m.flags, m.method, t, d, m.crc, sizes[0], sizes[1], len(m.name),
                           len(extra), 0, 0, 0, attrs, at + base)
        out += m.name + extra
    dir_size = len(out) - dir_at
    count = len(members)
    if zip64:
        end64 = len(out)
        out += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count, dir_size,
                           dir_at + base)
        out += struct.pack("<IIQI", 0x07064B50, 0, end64 + base, 1)
        out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF,
                           0xFFFFFFFF, len(comment))
    else:
        out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, dir_size,
                           dir_at + base, len(comment))
    return out + comment


def dos_stub(pages, last, reloc):
    """An MZ program image of (pages - 1) * 512 + last bytes whose code ends at once."""
    size = (pages - 1) * 512 + last
    head = struct.pack("<2sHHHHHHHHHHHH", b"MZ", last, pages, 0, 4, 0, 0xFFFF, 0, 0xB8, 0,
                       0, 0, reloc)
    code = b"\xb8\x00\x4c\xcd\x21"  # mov ax,4C00h; int 21h
    image = head + bytes(64 - len(head)) + code
    return image + b"\x90" * (size - len(image))


def windows_stub():
    """An MZ header whose relocation offset is 0x40 and which points at a PE header."""
    stub = bytearray(dos_stub(4, 200, 0x40))  # 1736 bytes, sizes as a DOS image would say
    struct.pack_into("<I", stub, 0x3C, 0x80)
    stub[0x80:0x84] = b"PE\x00\x00"
    struct.pack_into("<HH", stub, 0x84, 0x14C, 0)
    return bytes(stub)


# --- the fixtures --------------------------------------------------------------------

README = []


def note(path, text):
    README.append("- `%s` (%d bytes): %s" % (os.path.relpath(path, HERE), os.path.getsize(path),
                                             text))


def describe(members, zipped=True):
    parts = []
    for m in members:
        try:
            shown = "`%s`" % m.name.decode("utf-8").replace("\n", "\\n")
        except UnicodeDecodeError:
            shown = "`%s` (CP932 `%s`)" % (m.name.decode("cp932"), m.name.hex(" "))
        size = "%d/%d" % (len(m.data), len(m.packed))
        how = {0: "stored", 8: "deflated"}[m.method] if zipped else "-%s-" % m.method
        parts.append("%s %s %s %04d-%02d-%02d %02d:%02d:%02d" % (shown, how, size, *m.date))
    return "; ".join(parts)


def repeat_to(text, size):
    return (text * (size // len(text) + 1))[:size]


def words(seed, count):
    r = random.Random(seed)
    return " ".join(r.choice(["alpha", "beta", "gamma", "delta", "epsilon"])
                    for _ in range(count)).encode() + b"\n"


def japanese_members(name_bytes):
    """The same five members for the LZH and ZIP Japanese archives; name_bytes turns
    a name into its stored bytes."""
    cp932_text = sjis(TEXT_JA) * 20
    utf8_text = TEXT_JA.encode() * 20
    exe = dos_stub(8, 300, 0x1C)
    dll = windows_stub()
    return [
        ("フォルダ/日本語テキスト.txt", cp932_text, "lh5", DATE_1998),
        ("フォルダ/utf8テキスト.txt", utf8_text, "lh6", DATE_2024),
        ("ソフト/表.txt", sjis("表の中身\r\n"), "lh0", DATE_2024),
        ("SETUP.EXE", exe, "lh7", DATE_2024),
        ("Plugin.DLL", dll, "lh0", DATE_2024),
    ]


def lzh_member(name, data, method, date=DATE_2024, **kw):
    packed = lha_compress(data, method) if method != "lh0" else data
    return LzhMember(name, data, method, date, packed, **kw)


def make_lzh(tmp):
    plain = [("stored.txt", b"a member kept as it is\n", "lh0"),
             ("lh5.txt", words(5, 1500), "lh5"),
             ("lh6.txt", words(6, 1700), "lh6"),
             ("lh7.txt", words(7, 1900), "lh7")]
    for level in (0, 1, 2):
        path = os.path.join(HERE, "level%d.lzh" % level)
        lha_archive(path, level, plain, tmp)
        note(path, "made by lha (jLHA), header level %d, 4 members all dated 1998-06-05 "
             "10:04:06 UTC: %s" % (level, "; ".join(
                 "`%s` %s %d bytes" % (n, m, len(d)) for n, d, m in plain)))

    for level in (0, 1, 2):
        ms = [lzh_member(sjis(n), d, m, dt) for n, d, m, dt in japanese_members(sjis)]
        path = os.path.join(HERE, "japanese_l%d.lzh" % level)
        write(path, lzh(ms, level))
        where = {0: "in the name, separated by \"\\\" (0x5C)",
                 1: "in a folder extended header (0x02), separated and ended by 0xFF",
                 2: "in a folder extended header (0x02), separated and ended by 0xFF"}[level]
        note(path, "our headers (level %d, OS 'M'), data packed by lha; names in CP932, "
             "folder %s; `ソフト/表.txt` has 0x5C trail bytes (83 5C, 95 5C); the first "
             "text is CP932, the second UTF-8 (each the same 3 lines 20 times); members "
             "(name, method, original/packed, date): %s"
             % (level, where, describe(ms, zipped=False)))
    dst = os.path.join(HERE, "japanese.Lzh5")
    shutil.copyfile(os.path.join(HERE, "japanese_l2.lzh"), dst)
    note(dst, "a byte copy of japanese_l2.lzh (extension .Lzh5)")

    ms = [LzhMember(b"file%03d.txt" % i, b"member %d\n" % i) for i in range(1, 302)]
    path = os.path.join(HERE, "many301.lzh")
    write(path, lzh(ms, 1))
    note(path, "our headers (level 1), 301 lh0 members `file001.txt` .. `file301.txt` in "
         "that order, each holding \"member N\\n\", dated 2024-12-31 23:59:58")

    # 1000 bytes that lh5 packs into exactly 253: 196 seeded random bytes, then zeros.
    r = random.Random(253)
    ratio = bytes(r.getrandbits(8) for _ in range(196)) + bytes(804)
    ms = [lzh_member(b"ratio253.bin", ratio, "lh5"),
          lzh_member(b"lh7.txt", words(8, 800), "lh7")]
    assert len(ms[0].packed) == 253
    path = os.path.join(HERE, "ratio.lzh")
    write(path, lzh(ms, 2))
    note(path, "our headers (level 2), data packed by lha; `ratio253.bin` 1000 bytes "
         "packed into exactly 253 (ratio field 253, shown 25%%); %s" % describe(ms, False))

    ms = [LzhMember(b"readme.txt", b"the next member's name is absolute\n", date=DATE_1998),
          LzhMember(b"/zelmo_absolute/evil.txt", b"absolute\n")]
    path = os.path.join(HERE, "absolute.lzh")
    write(path, lzh(ms, 0))
    note(path, "our headers (level 0), 2 lh0 members; the LAST one's name begins with "
             "\"/\": " + describe(ms, zipped=False))


def make_zip():
    def zm(name, data, method, date, names):
        return ZipMember(names(name), data, 8 if method != "lh0" else 0, date,
                         utf8=names is not sjis)

    for kind, names in (("utf8", lambda n: n.encode()), ("cp932", sjis)):
        ms = [zm(n, d, m, dt, names) for n, d, m, dt in japanese_members(names)]
        path = os.path.join(HERE, "japanese_%s.zip" % kind)
        write(path, zip_archive(ms))
        flag = ("names in UTF-8 with the UTF-8 flag (0x0800)" if kind == "utf8" else
                "names in CP932, no UTF-8 flag; `ソフト/表.txt` has 0x5C trail bytes")
        note(path, "%s; texts as in japanese_l*.lzh; members (name, method, "
             "original/compressed, date): %s" % (flag, describe(ms)))

    comment = repeat_to(b"Zelmo32 archive comment. ", 65535)
    ms = [ZipMember(b"a.txt", b"first\n", 0), ZipMember(b"b.txt", b"second\n", 0)]
    path = os.path.join(HERE, "comment65535.zip")
    write(path, zip_archive(ms, comment))
    note(path, "an archive comment of 65535 bytes (\"Zelmo32 archive comment. \" repeated); "
         + describe(ms))

    secret = repeat_to(b"secret text. ", 100)
    ms = [ZipMember(b"secret.txt", secret, 0, DATE_1998, password=b"zelmo"),
          ZipMember(b"plain.txt", words(1, 50), 8)]
    path = os.path.join(HERE, "encrypted.zip")
    write(path, zip_archive(ms))
    note(path, "`secret.txt` stored and encrypted (password \"zelmo\", flag bit 0): 100 "
         "bytes, compressed size 112 recorded; then " + describe(ms[1:]))

    sfx = [ZipMember(b"sfx_one.txt", words(2, 40)), ZipMember(b"sfx_two.txt", b"two\n", 0)]
    dos = dos_stub(3, 100, 0x1C)
    path = os.path.join(HERE, "sfx_dos.exe")
    write(path, dos + zip_archive(sfx))
    note(path, "a DOS program image (MZ, 3 pages, 100 bytes in the last: 1124 bytes, "
         "relocation offset 0x1C) followed by a ZIP whose recorded offsets count from the "
         "ZIP's own start (not adjusted); " + describe(sfx))
    win = windows_stub()
    path = os.path.join(HERE, "sfx_win.exe")
    write(path, win + zip_archive(sfx, base=len(win)))
    note(path, "a Windows-style program (MZ, relocation offset 0x40, PE header at 0x80; "
         "%d bytes, its page fields say the same) followed by a ZIP whose recorded offsets "
         "count from the file's start (adjusted); %s" % (len(win), describe(sfx)))
    path = os.path.join(HERE, "sfx_win_unadjusted.exe")
    write(path, win + zip_archive(sfx))
    note(path, "the same program with the ZIP's offsets NOT adjusted: no DOS image, so its "
         "size is not added; the directory is found where the end record shows it ends")

    junk = bytes((i * 7 + 3) & 0xFF for i in range(1000))
    ms = [ZipMember(b"padded_a.txt", words(5, 30)), ZipMember(sjis("余白/後ろ.txt"), b"after\n", 0, utf8=False)]
    path = os.path.join(HERE, "padded.zip")
    write(path, junk + zip_archive(ms))
    note(path, "1000 bytes that are no program (`03 0A 11 ...`) in front of a ZIP whose "
         "recorded offsets count from the ZIP's own start; " + describe(ms))

    ms = [ZipMember(b"file%03d.txt" % i, b"member %d\n" % i, 0) for i in range(1, 302)]
    path = os.path.join(HERE, "many301.zip")
    write(path, zip_archive(ms))
    note(path, "301 stored members `file001.txt` .. `file301.txt` in that order, each "
         "holding \"member N\\n\", dated 2024-12-31 23:59:58")

    path = os.path.join(HERE, "tiny21.zip")
    write(path, b"PK\x05\x06" + bytes(17))
    note(path, "21 bytes: an end-record signature and 17 zero bytes (one short of a record)")

    ms = [ZipMember(b"zip64_a.txt", words(3, 300)), ZipMember(b"zip64_b.bin", b"b" * 64, 0)]
    path = os.path.join(HERE, "zip64.zip")
    write(path, zip_archive(ms, zip64=True))
    note(path, "ZIP64: directory sizes 0xFFFFFFFF with the real ones in the 0x0001 extra "
         "field, a ZIP64 end record and locator, the end record's offset 0xFFFFFFFF; "
         + describe(ms))

    # 1000 bytes that deflate to exactly 250: 228 seeded random bytes, then zeros.
    r = random.Random(100)
    quarter = bytes(r.getrandbits(8) for _ in range(228)) + bytes(772)
    ms = [ZipMember(b"size999.bin", words(4, 200)[:999]),
          ZipMember(b"size1000.bin", quarter),
          ZipMember(b"zeros30m.bin", bytes(30000000)),
          ZipMember(b"stored.txt", b"kept as it is\n", 0, DATE_1998)]
    assert len(ms[1].packed) == 250 and len(ms[0].data) == 999
    path = os.path.join(HERE, "sizes.zip")
    write(path, zip_archive(ms))
    note(path, "sizes for the list's columns (`size1000.bin`: 1000 bytes deflated to "
         "exactly 250, ratio 25%); " + describe(ms))


def make_hostile():
    U = dict(os_id=b"U")
    files = {
        "slip": ([(b"../evil.txt", b"slip\n", None), (b"sub/../../evil2.txt", b"slip2\n", None)],
                 "names climbing out of the destination"),
        "absolute": ([(b"/tmp/zelmo_hostile_absolute.txt", b"absolute\n", None)],
                     "an absolute name"),
        "backslash": ([(b"..\\..\\evil.txt", b"backslash\n", None)],
                      "a name with backslashes (one name, no folder to a Unix reader)"),
        "device": ([(b"null_char", b"", 0o020666)],
                   "a character device (unix mode 020666)"),
        "newline": ([(b"line1\nline2.txt", b"newline\n", None)], "a name holding a newline"),
    }
    for stem, (entries, what) in files.items():
        zms = [ZipMember(n, d, 0, mode=mode) for n, d, mode in entries]
        path = os.path.join(HOSTILE, stem + ".zip")
        write(path, zip_archive(zms))
        note(path, what + "; " + describe(zms))
        lms = [LzhMember(n, d, unix_mode=0o100644 if mode is None else mode, **U)
               for n, d, mode in entries]
        path = os.path.join(HOSTILE, stem + ".lzh")
        write(path, lzh(lms, 2))
        note(path, what + ", level 2, OS 'U', unix mode header; " + describe(lms, False))

    # A symbolic link out of the destination, then a file written through it.
    zms = [ZipMember(b"link", b"../outside", 0, mode=0o120777),
           ZipMember(b"link/evil.txt", b"through the link\n", 0, mode=0o100644)]
    path = os.path.join(HOSTILE, "symlink.zip")
    write(path, zip_archive(zms))
    note(path, "`link`: a symbolic link (mode 0120777) to `../outside`, then `link/evil.txt` "
         "(17 bytes); " + describe(zms))
    lms = [LzhMember(b"link|../outside", b"", "lhd", unix_mode=0o120777, **U),
           LzhMember(b"link/evil.txt", b"through the link\n", unix_mode=0o100644, **U)]
    path = os.path.join(HOSTILE, "symlink.lzh")
    write(path, lzh(lms, 2))
    note(path, "level 2, OS 'U': `link` a symbolic link to `../outside` (stored the Unix "
         "archivers' way: method -lhd-, name `link|../outside`, mode 0120777), then `link/evil.txt`")

    # Thirty directory entries sharing one local member of 10 000 000 zeros.
    kernel = ZipMember(b"bomb00.bin", bytes(10000000))
    ms = [kernel] + [ZipMember(b"bomb%02d.bin" % i, packed=kernel.packed) for i in range(1, 30)]
    for m in ms:
        m.data, m.crc = kernel.data, kernel.crc
    path = os.path.join(HOSTILE, "bomb.zip")
    write(path, zip_archive(ms, local_at=[0] * len(ms)))
    note(path, "overlapping entries: 30 directory entries `bomb00.bin` .. `bomb29.bin`, each "
         "10000000 bytes deflated to %d, all pointing at the one local member at offset 0 "
         "(300 000 000 bytes in total)" % len(kernel.packed))


# --- odd names, damaged members, other header levels ---------------------------------

def lzh_wide_header(m, folder16, name16):
    """A level-2 header whose names stand in the UTF-16 extensions (0x45 folder with
    U+FFFF after each part, 0x44 file name), as Windows archivers write them."""
    items = [b"\x00" + b"\x00\x00", b"\x44" + name16]
    if folder16:
        items.append(b"\x45" + folder16)
    ext = b""
    for item in items:
        ext += struct.pack("<H", len(item) + 2) + item
    ext += b"\x00\x00"
    first, ext = ext[:2], ext[2:]
    total = 26 + len(ext)
    head = (struct.pack("<H", total) + b"-lh0-" +
            struct.pack("<IIIBBH", len(m.packed), len(m.data), unix_time(m.date), 0x20, 2,
                        crc16(m.data)) + b"W" + first + ext)
    return head[:27] + struct.pack("<H", crc16(head)) + head[29:]


def lzh_level3_header(m, unix=None):
    """A level-3 header: four-byte sizes, names in extensions 0x01 and 0x02."""
    folder, _, base = m.name.rpartition(b"/")
    items = [b"\x00" + b"\x00\x00", b"\x01" + base]
    if folder:
        items.append(b"\x02" + folder.replace(b"/", b"\xff") + b"\xff")
    ext = b"".join(struct.pack("<I", len(item) + 4) + item for item in items) + bytes(4)
    total = 28 + len(ext)
    stamp = unix_time(m.date) if unix is None else unix
    head = (struct.pack("<H", 4) + ("-%s-" % m.method).encode() +
            struct.pack("<IIIBBHBI", len(m.packed), len(m.data), stamp, 0x20, 3,
                        crc16(m.data), ord("U"), total) + ext)
    at = 28 + 4 + 1  # the CRC extension's data
    return head[:at] + struct.pack("<H", crc16(head)) + head[at + 2:]


def lzh_unix_time_header(m, stamp):
    """A level-1 header with a Unix time extension (0x54) beside its DOS stamp."""
    ext = b"\x54" + struct.pack("<I", stamp)
    t, d = dos_datetime(m.date)
    chain = ext + struct.pack("<H", 0)
    body = (b"-lh0-" + struct.pack("<IIHHBBB", len(m.packed) + len(chain), len(m.data), t, d,
                                   0x20, 1, len(m.name)) + m.name +
            struct.pack("<H", crc16(m.data)) + b"U" + struct.pack("<H", len(chain)))
    return bytes([len(body), sum(body) & 0xFF]) + body + chain


def make_odd():
    before = LzhMember(b"before.txt", b"the member before\n")
    after = LzhMember(b"after.txt", b"the member after\n")
    odd = {
        "names_latin1.lzh": (0, [LzhMember(b"caf\xe9.txt", b"Latin-1 name\n"),
                                 LzhMember(b"\x80\x81\xfd\xa0random.bin", b"random bytes\n")],
                             "names in Latin-1 (`caf\\xE9.txt`) and random bytes "
                             "(`80 81 FD A0 random.bin`), level 0"),
        "names_eucjp.lzh": (1, [LzhMember("日本語/テキスト.txt".encode("euc-jp"),
                                          b"EUC-JP name\n")],
                            "a name in EUC-JP (`日本語/テキスト.txt`), level 1, folder in 0x02"),
        "names_utf8.lzh": (2, [LzhMember("フォルダ/テキスト.txt".encode(), b"UTF-8 name\n"),
                               LzhMember("café.txt".encode(), b"UTF-8 name 2\n")],
                           "names in UTF-8 as Linux and macOS archivers write them "
                           "(`フォルダ/テキスト.txt`, `café.txt`), level 2"),
    }
    for stem, (level, ms, what) in odd.items():
        path = os.path.join(HERE, stem)
        members = [before] + ms + [after]
        write(path, lzh(members, level))
        note(path, what + "; between `before.txt` and `after.txt`; every member -lh0-")

    wide = LzhMember(b"", "UTF-16 name\n".encode())
    path = os.path.join(HERE, "names_utf16.lzh")
    write(path, lzh_header(before, 2) + before.packed +
          lzh_wide_header(wide, "ÜÖÄüöä\uffff".encode("utf-16-le"),
                          "äöüÄÖÜ.txt".encode("utf-16-le")) + wide.packed +
          lzh([after], 2))
    note(path, "level 2, OS 'W': `ÜÖÄüöä/äöüÄÖÜ.txt` in the UTF-16 extensions (folder 0x45 "
         "ended by U+FFFF, name 0x44), between `before.txt` and `after.txt`")

    # lh5 data that is no lh5 stream: libarchive gives up on it.
    bad = LzhMember(b"bad.bin", bytes(range(64)) * 4, "lh5", packed=bytes(200 * [0xFF]))
    path = os.path.join(HERE, "bad_member.lzh")
    write(path, lzh([before, bad, after], 2))
    note(path, "level 2: `bad.bin` (-lh5-, 256 bytes, its 200 bytes of data no lh5 stream) "
         "between `before.txt` and `after.txt`")

    # Bytes after the last member that are no header: the walk ends there, libarchive
    # calls them damage.
    path = os.path.join(HERE, "junk_tail.lzh")
    write(path, lzh([before, after], 2)[:-1] + b"JUNK" * 8)
    note(path, "level 2: `before.txt` and `after.txt`, then 32 bytes `JUNK...` where the end "
         "mark would stand")

    ms = [LzhMember(b"level3.txt", b"a level-3 member\n"),
          LzhMember(b"folder/inner.txt", b"in a folder\n")]
    old = LzhMember(b"old.txt", b"from 1970\n", date=(1980, 1, 1, 0, 0, 0))
    path = os.path.join(HERE, "level3.lzh")
    write(path, b"".join(lzh_level3_header(m) + m.packed for m in ms) +
          lzh_level3_header(old, 86400) + old.packed + b"\x00")
    note(path, "header level 3 (four-byte sizes): `level3.txt`, `folder/inner.txt` "
         "(folder in 0x02), `old.txt` with Unix time 86400 (1970-01-02, shown 1980/01/01 "
         "00:00:00); all -lh0-")

    old = LzhMember(b"old1970.txt", b"from 1970\n", date=(2098, 1, 2, 0, 0, 0))
    path = os.path.join(HERE, "time1970.lzh")
    write(path, lzh_unix_time_header(old, 86400) + old.packed + lzh([after], 1))
    note(path, "level 1: `old1970.txt` whose DOS stamp says 2098-01-02 and whose Unix time "
         "extension (0x54) says 86400 (1970-01-02); then `after.txt`")

    # ZIP: a link entry of an unknown method between two good members.
    ms = [ZipMember(b"first", b"the first member\n", 0),
          ZipMember(b"link", b"target", 0, mode=0o120777),
          ZipMember(b"second", words(9, 40))]
    ms[1].method = 99
    path = os.path.join(HERE, "bad_member.zip")
    write(path, zip_archive(ms))
    note(path, "`link`: a symbolic link (mode 0120777) stored with method 99, which no "
         "reader knows, between `first` (stored) and `second` (deflated)")

    # ZIP: a member whose local header is gone, behind 1000 bytes of padding, so each
    # reader started at a member's recorded place must add them.
    ms = [ZipMember(b"before.txt", b"the member before\n", 0),
          ZipMember(b"lost.txt", words(7, 40)),
          ZipMember(b"after.txt", b"the member after\n")]
    body = bytearray(zip_archive(ms))
    lost = len(ms[0].name) + len(ms[0].packed) + 30
    body[lost:lost + 4] = b"XXXX"
    path = os.path.join(HERE, "bad_local.zip")
    write(path, bytes(1000) + bytes(body))
    note(path, "1000 zero bytes, then a ZIP (offsets not adjusted) whose second member "
         "`lost.txt` has its local header signature overwritten with `XXXX`: "
         "`before.txt` and `after.txt` (stored, deflated) are whole")

    # ZIP: a member whose local header signature reads "PK\7\8" (a spanned archive's
    # mark): a streaming reader started there takes it for a ZIP and looks on for the next
    # local header, past the member.
    ms = [ZipMember(b"before.txt", b"the member before\n", 0),
          ZipMember(b"skipped.txt", words(5, 40), 0),
          ZipMember(b"after.txt", b"the member after\n")]
    body = bytearray(zip_archive(ms))
    skipped = len(ms[0].name) + len(ms[0].packed) + 30
    body[skipped:skipped + 4] = b"PK\x07\x08"
    path = os.path.join(HERE, "skipped_local.zip")
    write(path, bytes(body))
    note(path, "`before.txt` (stored), `skipped.txt` (stored, its local header signature "
         "overwritten with `PK\\x07\\x08`), `after.txt` (deflated)")

    # ZIP: cut off where its central directory begins: no directory, no end record, only
    # the members' local headers.
    ms = [ZipMember(b"first.txt", b"the first member\n", 0),
          ZipMember(sjis("\u8868.txt"), words(3, 40), utf8=False)]
    whole = zip_archive(ms)
    path = os.path.join(HERE, "cut_directory.zip")
    write(path, whole[:whole.index(b"PK\x01\x02")])
    note(path, "`first.txt` (stored) and `表.txt` (CP932, deflated), cut off where the "
         "central directory would begin")

    # ZIP: cut inside its central directory: the first member's directory header whole,
    # the second's cut short, the third's and the end record gone.
    ms = [ZipMember(b"first.txt", b"the first member\n", 0),
          ZipMember(sjis("\u8868.txt"), words(4, 40), utf8=False),
          ZipMember(b"last.txt", b"the last member\n")]
    whole = zip_archive(ms)
    directory = whole.index(b"PK\x01\x02")
    second = whole.index(b"PK\x01\x02", directory + 4)
    path = os.path.join(HERE, "cut_in_directory.zip")
    write(path, whole[:second + 20])
    note(path, "`first.txt` (stored), `表.txt` (CP932, deflated) and `last.txt` (deflated), "
         "cut off 20 bytes into the second central directory header: no end record")

    path = os.path.join(HERE, "not_a_zip.zip")
    write(path, b"This is a plain text file, no archive at all.\n")
    note(path, "a line of text under a ZIP's name: no reader can open it")

    ms = [ZipMember(b"real.txt", b"the only real member\n")]
    fake = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0, 0, 0, 0, 0)
    path = os.path.join(HERE, "fake_end.zip")
    write(path, zip_archive(ms, comment=b"comment: " + fake))
    note(path, "`real.txt` deflated; the archive comment holds a second, empty end record "
         "(0 entries, directory at 0)")

    # A CP437 name with its UTF-8 form in the Unicode path extra field, a KOI8-R name.
    upath = "café.txt".encode()
    stored = b"caf\x82.txt"
    unicode_member = ZipMember(stored, b"Unicode path extra field\n", 0, utf8=False)
    unicode_member.extra = struct.pack("<HHB", 0x7075, 5 + len(upath), 1) + \
        struct.pack("<I", zlib.crc32(stored)) + upath
    koi = ZipMember("привет.txt".encode("koi8-r"), b"KOI8-R name\n", 0, utf8=False)
    path = os.path.join(HERE, "names_zip.zip")
    write(path, zip_archive([unicode_member, koi, ZipMember(b"plain.txt", b"plain\n", 0)]))
    note(path, "`caf\\x82.txt` (CP437) with `café.txt` in a Unicode path extra field "
         "(0x7075); `привет.txt` in KOI8-R (`%s`); `plain.txt`" % koi.name.hex(" "))


def lzh_level0_unix(m, stamp, mode):
    """A level-0 header with the Unix area after its CRC: 'U', 0, time, mode, user, group."""
    t, d = dos_datetime(m.date)
    area = b"U\x00" + struct.pack("<IHHH", stamp, mode, 1000, 1000)
    body = (("-" + m.method + "-").encode() +
            struct.pack("<IIHHBBB", len(m.packed), len(m.data), t, d, 0x20, 0, len(m.name)) +
            m.name + struct.pack("<H", crc16(m.data)) + area)
    return bytes([len(body), sum(body) & 0xFF]) + body


def make_recovery():
    """Members the walk must pass on its way to the good ones, and odd but honest ones."""
    before = LzhMember(b"before.txt", b"the member before\n")
    after = LzhMember(b"after.txt", b"the member after\n")

    link = LzhMember(b"link", b"", "lhd")
    second = LzhMember(b"second", b"the second member\n")
    path = os.path.join(HERE, "symlink_no_target.lzh")
    write(path, lzh_level0_unix(link, unix_time(DATE_2024), 0o120777) +
          lzh_level0_unix(second, unix_time(DATE_2024), 0o100644) + second.packed + b"\x00")
    note(path, "level 0 with Unix areas: `link`, a symbolic link (-lhd-, mode 0120777) whose "
         "name holds no \"|target\", then `second` (-lh0-, \"the second member\")")

    old = LzhMember(b"old1970.txt", b"from 1970\n", date=(2098, 1, 2, 0, 0, 0))
    path = os.path.join(HERE, "time1970_l0.lzh")
    write(path, lzh_level0_unix(old, 86400, 0o100644) + old.packed + lzh([after], 0))
    note(path, "level 0: `old1970.txt` whose DOS stamp says 2098-01-02 and whose Unix area "
         "says 86400 (1970-01-02); then `after.txt`")

    middle = LzhMember(b"middle.txt", b"a member whose header is damaged\n")
    head = bytearray(lzh_header(middle, 1))
    head[1] ^= 0x55  # its checksum no longer matches
    path = os.path.join(HERE, "damaged_header.lzh")
    write(path, lzh_header(before, 1) + before.packed + bytes(head) + middle.packed +
          lzh([after], 1))
    note(path, "level 1: `middle.txt` with a wrong header checksum between `before.txt` and "
         "`after.txt`")

    lh2 = LzhMember(b"old.bin", b"x" * 64, "lh2", packed=bytes(range(40)))
    path = os.path.join(HERE, "unsupported_lh2.lzh")
    write(path, lzh([before, lh2, after], 1))
    note(path, "level 1: `old.bin` of method -lh2- (which no reader in Debian knows) between "
         "`before.txt` and `after.txt`")

    rooted = LzhMember(b"root/in_root.txt", b"stored below a leading separator\n")
    head = bytearray(lzh_header(rooted, 2))
    at = head.index(b"\x02root\xff")
    head[at:at + 6] = b"\x02\xffroot"  # the folder field now reads 0xFF "root" (same size)
    head = bytes(head)
    hcrc = crc16(head[:27] + b"\x00\x00" + head[29:])
    head = head[:27] + struct.pack("<H", hcrc) + head[29:]
    path = os.path.join(HERE, "rooted_l2.lzh")
    write(path, head + rooted.packed + b"\x00")
    note(path, "level 2: `/root/in_root.txt`, its folder field beginning with the 0xFF "
         "separator (`ff 72 6f 6f 74`)")

    # ZIP: a CP437 name with its UTF-8 form in the Unicode path field; a field whose CRC is
    # not that of the stored name (renamed since): the stored name stands; a CP866 name.
    def unicode_field(stored, name):
        return struct.pack("<HHB", 0x7075, 5 + len(name), 1) + \
            struct.pack("<I", zlib.crc32(stored)) + name
    ms = [ZipMember(b"File 2 - \x94.txt", b"o umlaut\n", 0, utf8=False),
          ZipMember(b"stale.txt", b"stale field\n", 0, utf8=False),
          ZipMember("привет.txt".encode("cp866"), b"CP866 name\n", 0, utf8=False)]
    ms[0].extra = unicode_field(ms[0].name, "File 2 - ö.txt".encode())
    ms[1].extra = unicode_field(b"other.txt", "renamed.txt".encode())
    path = os.path.join(HERE, "names_unicode_field.zip")
    write(path, zip_archive(ms))
    note(path, "`File 2 - \\x94.txt` (CP437) with `File 2 - ö.txt` in a Unicode path field "
         "(0x7075); `stale.txt` whose field (`renamed.txt`) has the CRC of another name; "
         "`привет.txt` in CP866 (`%s`)" % ms[2].name.hex(" "))


def main():
    if os.path.isdir(HOSTILE):
        shutil.rmtree(HOSTILE)
    for f in os.listdir(HERE):
        if f.endswith((".lzh", ".zip", ".exe", ".Lzh5")):
            os.remove(os.path.join(HERE, f))
    with tempfile.TemporaryDirectory() as tmp:
        make_lzh(tmp)
    make_zip()
    make_odd()
    make_recovery()
    make_hostile()
    with open(os.path.join(HERE, "README.md"), "w", encoding="utf-8") as f:
        f.write("# Archive fixtures\n\n"
                "Written by `scripts/make_archive_fixtures.sh` (make_archive_fixtures.py); "
                "do not edit by hand. Sizes are original/packed bytes. LZH level 0/1 and ZIP "
                "dates are MS-DOS local stamps as listed; LZH level 2 stores Unix time "
                "(UTC). LZH names are listed with \"/\" between folders; the README line of each "
                "archive says how its header level stores them. Hostile archives expect a destination in which nothing is written "
                "outside.\n\n")
        f.write("\n".join(README) + "\n")


if __name__ == "__main__":
    main()
