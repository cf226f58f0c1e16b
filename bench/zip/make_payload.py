#!/usr/bin/env python3
"""Writes an archive shaped like the installer's payload: python3 make_payload.py OUT.zip

164 entries: 3 folders, each listed before its files, and 161 deflated files,
about 12.4 MB unpacked and 7.3 MB packed (program files that hardly compress
next to settings, scripts and pictures that do).
"""
import random
import sys
import zipfile

WORDS = (b"window desktop brightness hot key panel shortcut setting value boot image collection "
         b"version update install folder path name title icon menu item config default true false "
         b"left top width height colour font size 0 1 2 3 4 5 6 7 8 9 = ; [ ] \r\n").split(b" ")


def text_bytes(rng, n):
    out = bytearray()
    while len(out) < n:
        out += rng.choice(WORDS) + b" "
    return bytes(out[:n])


def file_bytes(rng, n):
    # Alternate incompressible and text-like stretches: about 40 % random.
    out = bytearray()
    while len(out) < n:
        k = min(n - len(out), rng.randint(2000, 12000))
        out += rng.randbytes(k) if rng.random() < 0.40 else text_bytes(rng, k)
    return bytes(out)


def main(path):
    rng = random.Random(20151212)
    big = [3_100_000, 1_900_000, 1_200_000, 800_000, 600_000]
    rest = 12_400_000 - sum(big)
    small = [rng.randint(5_000, 55_000) for _ in range(156)]
    scale = rest / sum(small)
    small = [max(200, int(s * scale)) for s in small]
    sizes = big + small
    folders = ["image/", "Collection/", "lib/"]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as zf:
        index = 0
        # Top-level files first, then each folder entry followed by its files.
        groups = [("", 41), (folders[0], 60), (folders[1], 20), (folders[2], 40)]
        for folder, count in groups:
            if folder:
                info = zipfile.ZipInfo(folder, (2015, 12, 12, 10, 0, 0))
                info.external_attr = (0o040755 << 16) | 0x10
                zf.writestr(info, b"")
            for _ in range(count):
                name = "%sfile%03d.%s" % (folder, index, ("dll", "png", "ini", "txt")[index % 4])
                info = zipfile.ZipInfo(name, (2015, 12, 12, 10, 0, 0))
                info.external_attr = 0o100644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                zf.writestr(info, file_bytes(rng, sizes[index]))
                index += 1
    assert index == 161


if __name__ == "__main__":
    main(sys.argv[1])
