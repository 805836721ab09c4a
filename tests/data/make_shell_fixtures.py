#!/usr/bin/env python3
"""Builds the icon, program and shortcut fixtures of the shell tests.

Writes into tests/data/shell (good files) and tests/data/damaged (broken ones).
Only the standard library is used; run it again after changing it and commit the
output. The random parts use a fixed seed, so the output is the same every time.
"""
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GOOD = os.path.join(HERE, "shell")
BAD = os.path.join(HERE, "damaged")


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- icon images -----------------------------------------------------------------

def dib_icon(size, rgb):
    """A 32-bit icon image: header, colour rows bottom-up, an all-opaque AND mask."""
    r, g, b = rgb
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes([b, g, r, 255]) * (size * size)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_row * size)


def png_image(size, rgb):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    row = b"\x00" + bytes([rgb[0], rgb[1], rgb[2], 255]) * size
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(row * size)) + chunk(b"IEND", b""))


def ico_file(images, kind=1):
    """images: list of (size, data). kind 1 = icon, 2 = cursor (hot spot 0,0)."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        s = size if size < 256 else 0
        if kind == 1:
            out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        else:
            out += struct.pack("<BBBBHHII", s, s, 0, 0, 0, 0, len(data), offset)
        offset += len(data)
        body += data
    return out + body


# --- PE files --------------------------------------------------------------------

RT_ICON, RT_GROUP_ICON = 3, 14


def build_rsrc(tree, base_rva):
    """tree: {type: [(id, bytes), ...]} -> the bytes of a .rsrc section at base_rva."""
    types = sorted(tree)
    offset = 16 + 8 * len(types)
    type_dirs = {}
    for t in types:
        type_dirs[t] = offset
        offset += 16 + 8 * len(tree[t])
    lang_dirs = {}
    for t in types:
        for rid, _ in tree[t]:
            lang_dirs[(t, rid)] = offset
            offset += 16 + 8
    data_entries = {}
    for t in types:
        for rid, _ in tree[t]:
            data_entries[(t, rid)] = offset
            offset += 16
    blobs = {}
    for t in types:
        for rid, data in tree[t]:
            offset = (offset + 3) & ~3
            blobs[(t, rid)] = offset
            offset += len(data)
    out = bytearray(offset)

    def directory(at, entries):
        struct.pack_into("<IIHHHH", out, at, 0, 0, 4, 0, 0, len(entries))
        for i, (name, target) in enumerate(entries):
            struct.pack_into("<II", out, at + 16 + 8 * i, name, target)

    directory(0, [(t, 0x80000000 | type_dirs[t]) for t in types])
    for t in types:
        directory(type_dirs[t], [(rid, 0x80000000 | lang_dirs[(t, rid)]) for rid, _ in tree[t]])
        for rid, data in tree[t]:
            directory(lang_dirs[(t, rid)], [(0x409, data_entries[(t, rid)])])
            struct.pack_into("<IIII", out, data_entries[(t, rid)],
                             base_rva + blobs[(t, rid)], len(data), 0, 0)
            out[blobs[(t, rid)]:blobs[(t, rid)] + len(data)] = data
    return bytes(out)


def icon_tree(images):
    """images: list of (size, data): RT_ICON ids 1.., one group (id 1) naming them."""
    group = struct.pack("<HHH", 0, 1, len(images))
    icons = []
    for i, (size, data) in enumerate(images, start=1):
        group += struct.pack("<BBBBHHIH", size, size, 0, 0, 1, 32, len(data), i)
        icons.append((i, data))
    return {RT_ICON: icons, RT_GROUP_ICON: [(1, group)]}


def pe_file(tree, pe64=False):
    file_align, rva = 0x200, 0x1000
    rsrc = build_rsrc(tree, rva) if tree is not None else b""
    raw_size = (len(rsrc) + file_align - 1) // file_align * file_align
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 64)
    opt_size = 240 if pe64 else 224
    coff = struct.pack("<HHIIIHH", 0x8664 if pe64 else 0x14C, 1, 0, 0, 0, opt_size,
                       0x0022 if pe64 else 0x0102)
    if pe64:
        opt = struct.pack("<HBBIIIIIQIIHHHHHHIIIIHHQQQQII", 0x20B, 0, 0, 0, raw_size, 0, 0,
                          0, 0x140000000, 0x1000, file_align, 6, 0, 0, 0, 6, 0, 0,
                          rva + raw_size, file_align, 0, 2, 0, 0x100000, 0x1000,
                          0x100000, 0x1000, 0, 16)
    else:
        opt = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 0, 0, 0, raw_size, 0, 0,
                          0, 0, 0x400000, 0x1000, file_align, 4, 0, 0, 0, 4, 0, 0,
                          rva + raw_size, file_align, 0, 2, 0, 0x100000, 0x1000,
                          0x100000, 0x1000, 0, 16)
    dirs = bytearray(128)
    if tree is not None:
        struct.pack_into("<II", dirs, 16, rva, len(rsrc))
    section = struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), rva, raw_size, file_align,
                          0, 0, 0, 0, 0x40000040)
    headers = bytes(dos) + b"PE\0\0" + coff + opt + bytes(dirs) + section
    assert len(opt) + len(dirs) == opt_size
    headers += bytes(file_align - len(headers))
    return headers + rsrc + bytes(raw_size - len(rsrc))


# --- shell links -----------------------------------------------------------------

LINK_CLSID = bytes([0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46])


def shell_link(ansi_path, unicode_path=None, id_list=True):
    flags = 0x02 | (0x01 if id_list else 0) | 0x80
    header = struct.pack("<I16sIIQQQIIIHH8s", 0x4C, LINK_CLSID, flags, 0x20, 0, 0, 0,
                         0, 0, 1, 0, 0, bytes(8))
    out = header
    if id_list:
        item = b"\x1f\x50" + bytes(16)  # one opaque item; we only skip the list
        ids = struct.pack("<H", len(item) + 2) + item + b"\0\0"
        out += struct.pack("<H", len(ids)) + ids
    header_size = 0x24 if unicode_path is not None else 0x1C
    volume = struct.pack("<IIII", 0x11, 3, 0x1234, 0x10) + b"\0"
    base = ansi_path + b"\0"
    suffix = b"\0"
    volume_off = header_size
    base_off = volume_off + len(volume)
    suffix_off = base_off + len(base)
    tail = volume + base + suffix
    fields = [1, volume_off, base_off, 0, suffix_off]
    if unicode_path is not None:
        ubase_off = suffix_off + len(suffix)
        ubase = unicode_path.encode("utf-16-le") + b"\0\0"
        usuffix_off = ubase_off + len(ubase)
        tail += ubase + b"\0\0"
        fields += [ubase_off, usuffix_off]
    info_size = header_size + len(tail)
    info = struct.pack("<II" + "I" * len(fields), info_size, header_size, *fields) + tail
    return out + info


def main():
    rng = random.Random(32)
    red32, blue16 = dib_icon(32, (255, 0, 0)), dib_icon(16, (0, 0, 255))
    green32_png = png_image(32, (0, 200, 0))

    # Good files.
    exe = pe_file(icon_tree([(16, blue16), (32, red32)]))
    write(GOOD, "app.exe", exe)
    write(GOOD, "app64.dll", pe_file(icon_tree([(16, blue16), (32, green32_png)]), pe64=True))
    write(GOOD, "noicon.exe", pe_file(None))
    write(GOOD, "icon.ico", ico_file([(16, dib_icon(16, (0, 0, 255))),
                                      (32, dib_icon(32, (255, 0, 255)))]))
    write(GOOD, "pointer.cur", ico_file([(32, dib_icon(32, (0, 255, 255)))], kind=2))
    write(GOOD, "to_tmp.lnk", shell_link(b"/tmp"))
    write(GOOD, "to_tmp_unicode.lnk", shell_link(b"C:\\NOWHERE", "/tmp", id_list=False))
    write(GOOD, "to_windows.lnk", shell_link(b"C:\\WINDOWS\\NOTEPAD.EXE"))

    # Damaged programs: each must give "no icon".
    rsrc_end = 0x200 + len(build_rsrc(icon_tree([(16, blue16), (32, red32)]), 0x1000))
    for n in (2, 63, 64, 100, 0x1FF, 0x200, 0x230, rsrc_end - 10):
        write(BAD, "pe_truncated_%d.exe" % n, exe[:n])
    damaged = {
        "pe_huge_lfanew.exe": [(0x3C, "<I", 0xFFFFFFF0)],
        "pe_huge_section_count.exe": [(0x46, "<H", 0xFFFF)],
        "pe_huge_optional_size.exe": [(0x54, "<H", 0xFFFF)],
        "pe_huge_raw_pointer.exe": [(0x40 + 24 + 224 + 20, "<I", 0xFFFFFF00)],
        "pe_huge_rsrc_rva.exe": [(0x40 + 24 + 96 + 16, "<I", 0xFFFFFFF0)],
        # root directory claims 65535 + 65535 entries
        "pe_huge_entry_counts.exe": [(0x200 + 12, "<HH", 0xFFFF, 0xFFFF)],
        # the first type entry points at the root itself, over and over
        "pe_loop.exe": [(0x200 + 16 + 4, "<I", 0x80000000)],
        # a directory entry pointing far outside the section
        "pe_huge_dir_offset.exe": [(0x200 + 16 + 4, "<I", 0xFFFFFFF0)],
    }
    for name, patches in damaged.items():
        data = bytearray(exe)
        for off, fmt, *values in patches:
            struct.pack_into(fmt, data, off, *values)
        write(BAD, name, bytes(data))
    # Data entries of the icons pointing outside the file.
    data = bytearray(exe)
    rsrc = data[0x200:]
    for i in range(0, len(rsrc) - 16, 4):
        rva, size = struct.unpack_from("<II", rsrc, i)
        if 0x1000 <= rva < 0x3000 and 30 <= size < 0x10000 and rsrc[i + 8:i + 16] == bytes(8):
            struct.pack_into("<I", data, 0x200 + i + 4, 0x7FFFFFFF)
    write(BAD, "pe_huge_data_size.exe", bytes(data))
    write(BAD, "pe_random.exe", b"MZ" + bytes(rng.randrange(256) for _ in range(4000)))

    # Damaged shell links: each must resolve to its own path.
    link = shell_link(b"/tmp")
    for n in (3, 0x20, 0x4C, 0x4E, 0x60, len(link) - 3):
        write(BAD, "lnk_truncated_%d.lnk" % n, link[:n])
    bad_links = {
        "lnk_huge_idlist.lnk": [(0x4C, "<H", 0xFFFF)],
        "lnk_huge_info_size.lnk": [(0x4C + 2 + 22, "<I", 0xFFFFFFF0)],
        "lnk_huge_base_offset.lnk": [(0x4C + 2 + 22 + 16, "<I", 0xFFFFFF00)],
        "lnk_header_size.lnk": [(0, "<I", 0x4D)],
    }
    for name, patches in bad_links.items():
        data = bytearray(link)
        for off, fmt, *values in patches:
            struct.pack_into(fmt, data, off, *values)
        write(BAD, name, bytes(data))
    # The base path runs to the end of the link info without its terminating zero.
    data = bytearray(link)
    data[-2] = ord("x")
    data[-1] = ord("x")
    info = 0x4C + 2 + 22
    base_off = struct.unpack_from("<I", data, info + 16)[0]
    for i in range(info + base_off, len(data)):
        if data[i] == 0:
            data[i] = ord("x")
    write(BAD, "lnk_unterminated.lnk", bytes(data))
    write(BAD, "lnk_random.lnk", struct.pack("<I", 0x4C) + LINK_CLSID +
          bytes(rng.randrange(256) for _ in range(300)))


if __name__ == "__main__":
    main()
