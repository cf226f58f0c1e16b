#!/usr/bin/env python3
"""Writes the archives the extraction tests read: python3 make_archives.py OUTDIR.

Entry contents follow Content() below; the tests compute the same bytes.
"""
import os
import struct
import sys
import zipfile

UNIX_FILE = 0o100644 << 16
UNIX_DIR = (0o040755 << 16) | 0x10
README_MTIME = 981173106  # 2001-02-03 04:05:06 UTC


def content(name: bytes, size: int) -> bytes:
    seed = sum(name) & 0xFF
    return bytes(((i * 131 + (i >> 7) * 17 + seed) & 0xFF) for i in range(size))


class RawNameInfo(zipfile.ZipInfo):
    """Keeps the name as the given code-page bytes (no UTF-8 flag)."""

    def __init__(self, raw: bytes, date_time=(2012, 3, 4, 5, 6, 8)):
        super().__init__(raw.decode("latin-1"), date_time)
        self.raw = raw

    def _encodeFilenameFlags(self):
        return self.raw, self.flag_bits


def add(zf, raw, size=0, *, directory=False, external=None, stored=False, extra=b"",
        date_time=(2012, 3, 4, 5, 6, 8)):
    info = RawNameInfo(raw, date_time)
    info.external_attr = (UNIX_DIR if directory else UNIX_FILE) if external is None else external
    info.compress_type = zipfile.ZIP_STORED if stored or directory else zipfile.ZIP_DEFLATED
    info.extra = extra
    zf.writestr(info, b"" if directory else content(raw, size))
    return info


def ut_block(mtime: int) -> bytes:
    return b"UT" + struct.pack("<HBi", 5, 1, mtime)


def set_external(path, raw: bytes, value: int):
    """zipfile will not store an external attributes word of 0: patch it."""
    with open(path, "r+b") as f:
        data = f.read()
        at = data.find(b"PK\x01\x02")
        while at >= 0:
            name_len = struct.unpack("<H", data[at + 28:at + 30])[0]
            if data[at + 46:at + 46 + name_len] == raw:
                f.seek(at + 38)
                f.write(struct.pack("<I", value))
                return
            at = data.find(b"PK\x01\x02", at + 46)
    raise KeyError(raw)


def data_offset(path, info) -> int:
    with open(path, "rb") as f:
        f.seek(info.header_offset)
        header = f.read(30)
    name_len, extra_len = struct.unpack("<HH", header[26:30])
    return info.header_offset + 30 + name_len + extra_len


def patch(path, offset, value: bytes):
    with open(path, "r+b") as f:
        f.seek(offset)
        f.write(value)


def flip(path, offset):
    with open(path, "r+b") as f:
        f.seek(offset)
        b = f.read(1)[0]
        f.seek(offset)
        f.write(bytes([b ^ 0x5A]))


def main(out):
    os.makedirs(out, exist_ok=True)
    p = lambda n: os.path.join(out, n)

    with zipfile.ZipFile(p("one.zip"), "w") as zf:
        add(zf, b"hello.txt", 1300)

    # Folders before their files, a "UT" time, a read-only and a hidden entry,
    # a stored and an empty entry, and a GBK folder whose second character
    # ends in the byte "\" (0x81 0x5C).
    with zipfile.ZipFile(p("tree.zip"), "w") as zf:
        add(zf, b"docs/", directory=True)
        add(zf, b"docs/readme.txt", 40000, extra=ut_block(README_MTIME), date_time=(2010, 6, 7, 8, 9, 10))
        add(zf, b"docs/plain.txt", 2500, date_time=(2012, 3, 4, 5, 6, 8))
        add(zf, b"docs/sub/", directory=True)
        add(zf, b"docs/sub/data.bin", 70000, stored=True)
        add(zf, b"ro.txt", 300, external=0)
        add(zf, b"hidden.txt", 200, external=UNIX_FILE | 0x02)
        add(zf, b"empty.txt", 0, stored=True)
        add(zf, b"gbk\x81\x5c/", directory=True)
        add(zf, b"gbk\x81\x5c/inner.txt", 900)
    set_external(p("tree.zip"), b"ro.txt", 0)

    # Code page 1252 names: accented letters followed by ".", "/" and the end
    # of a name, single characters there (0xE9 is a GBK lead byte).
    with zipfile.ZipFile(p("cafe.zip"), "w") as zf:
        add(zf, b"caf\xe9.txt", 700)
        add(zf, b"\xe9t\xe9/", directory=True)
        add(zf, b"\xe9t\xe9/d\xe9j\xe0.txt", 800)

    with zipfile.ZipFile(p("unordered.zip"), "w") as zf:
        add(zf, b"late/f.txt", 500)
        add(zf, b"late/", directory=True)

    # Folder entries as some tools write them: no attributes at all.
    with zipfile.ZipFile(p("bare_folders.zip"), "w") as zf:
        add(zf, b"plain/", 0, external=0, stored=True)
        add(zf, b"plain/x.txt", 50, external=0)
        add(zf, b"\x81\x5c", 60)  # a file whose name ends in the byte "\"
    set_external(p("bare_folders.zip"), b"plain/", 0)
    set_external(p("bare_folders.zip"), b"plain/x.txt", 0)

    with zipfile.ZipFile(p("flat.zip"), "w") as zf:
        for i in range(1, 5):
            add(zf, b"f%d.txt" % i, 1000 * i)

    hostile = [b"..\\..\\vxzip_evil_0.txt", b"../vxzip_evil_1.txt", b"C:\\vxzip_evil_2.txt",
               b"\\vxzip_evil_3.txt", b"\\\\server\\share\\vxzip_evil_4.txt", b"vxzip_evil_5.txt:stream",
               b"CON", b"NUL.txt", b"com1", b"sub/trail.", b"trail ", b"/vxzip_evil_6.txt",
               b"sub/../../vxzip_evil_7.txt", b"C:vxzip_evil_8.txt"]
    for i, name in enumerate(hostile):
        with zipfile.ZipFile(p("evil_%02d.zip" % i), "w") as zf:
            add(zf, b"ok.txt", 100)
            add(zf, name, 100)
    with zipfile.ZipFile(p("evil_%02d.zip" % len(hostile)), "w") as zf:
        add(zf, b"ok.txt", 100)
        add(zf, b"../vxzip_evil_dir/", directory=True)

    # Damage: a flipped byte inside deflated data, inside stored data (only
    # the CRC can tell), a broken second local header, a cut archive.
    with zipfile.ZipFile(p("deflate_flipped.zip"), "w") as zf:
        info = add(zf, b"big.txt", 60000)
    flip(p("deflate_flipped.zip"), data_offset(p("deflate_flipped.zip"), info) + info.compress_size // 2)

    with zipfile.ZipFile(p("stored_flipped.zip"), "w") as zf:
        info = add(zf, b"raw.bin", 5000, stored=True)
    flip(p("stored_flipped.zip"), data_offset(p("stored_flipped.zip"), info) + 2500)

    with zipfile.ZipFile(p("bad_local.zip"), "w") as zf:
        add(zf, b"first.txt", 100)
        second = add(zf, b"second.txt", 100)
        add(zf, b"third.txt", 100)
    patch(p("bad_local.zip"), second.header_offset, b"XX")

    # A local extra field said to run 65535 bytes past the end of the file.
    with zipfile.ZipFile(p("bad_extra.zip"), "w") as zf:
        only = add(zf, b"only.txt", 100)
    patch(p("bad_extra.zip"), only.header_offset + 28, b"\xff\xff")

    with open(p("tree.zip"), "rb") as f:
        data = f.read()
    with open(p("truncated.zip"), "wb") as f:
        f.write(data[: len(data) * 6 // 10])

    with open(p("not_a_zip.zip"), "wb") as f:
        f.write(b"this is plain text, not an archive, but long enough to be read\n")

    # A central directory of many buffer lengths and pieces around the
    # reader's buffer size, stored and deflated.
    with zipfile.ZipFile(p("many.zip"), "w") as zf:
        for i in range(300):
            size = (4095, 4096, 4097, 16383, 16384, 16385, 1, 0)[i % 8] + (i // 8) * 7
            add(zf, b"entry_with_a_fairly_long_name_%03d.bin" % i, size, stored=(i % 3 == 0))

    # Good entries around one whose stored data only the CRC can tell is
    # damaged; its "UT" time is one no good file gets.
    with zipfile.ZipFile(p("late_crc.zip"), "w") as zf:
        add(zf, b"good1.txt", 3000)
        add(zf, b"good2.txt", 3000, stored=True)
        info = add(zf, b"bad.bin", 5000, stored=True, extra=ut_block(README_MTIME))
        add(zf, b"good3.txt", 3000)
    flip(p("late_crc.zip"), data_offset(p("late_crc.zip"), info) + 2500)

    # Two small entries, then one larger than the small drive they go to,
    # then more that would fit.
    with zipfile.ZipFile(p("fills.zip"), "w") as zf:
        add(zf, b"a.txt", 20000)
        add(zf, b"b.txt", 20000)
        add(zf, b"big.bin", 600000)
        add(zf, b"c.txt", 1000)
        add(zf, b"d.txt", 1000)

    with zipfile.ZipFile(p("long_name.zip"), "w") as zf:
        add(zf, b"a" * 300, 10)


if __name__ == "__main__":
    main(sys.argv[1])
