#!/usr/bin/env python3
"""Writes a benchmark payload shaped like the product's full one: 164
entries (161 files, the folders image, ico and Collection), about 12.4 MB
unpacked and 7.3 MB deflated, plus the NSIS script of a peer installer that
installs the same files.

  make_payload.py OUT [--stage DIR]

OUT/tree      the files, laid out as installed
OUT/payload.list  the entry list for mkpayload (folders before their files)
OUT/peer.nsi  the peer installer's script (from peer.nsi.in)

With --stage (the real payload's staging folder) the product's own files
are taken from there and only the filler is generated. Content is seeded,
so every run writes the same bytes.
"""
import argparse
import os
import random
import shutil
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SEED = 20241101

# (relative path, size in bytes, kind); kind says how the filler compresses.
def layout():
    files = []
    files += [("Kandor.exe", 204_000, "code"), ("Uninstall.exe", 220_000, "code"),
              ("boot.ini", 0, "real"), ("win.lock", 0, "real")]
    dlls = ["QtCore4", "QtGui4", "QtNetwork4", "QtXml4", "libgcc_s_dw2-1", "mingwm10", "zlib1", "libpng16",
            "libjpeg-8", "sqlite3", "msvcr90", "msvcp90", "brightness", "vdesk", "hotkey", "skin", "webpanel",
            "updater", "crashrpt", "dbghelp", "gdiplus", "libcurl"]
    rng = random.Random(SEED)
    for name in dlls:
        files.append((name + ".dll", rng.randrange(180_000, 740_000), "code"))
    files += [("main.ico", 25_214, "noise"), ("tray.ico", 9_662, "noise")]
    files += [("image\\", 0, "folder"), ("image\\boot.ini", 0, "real"), ("image\\logo.png", 0, "real"),
              ("image\\ico.ico", 0, "real"), ("image\\Uninstall.ico", 0, "real")]
    for i in range(1, 47):
        files.append((f"image\\panel{i:02d}.png", rng.randrange(4_000, 60_000), "png"))
    files.append(("ico\\", 0, "folder"))
    for i in range(1, 49):
        files.append((f"ico\\icon{i:02d}.png", rng.randrange(1_000, 9_000), "png"))
    files += [("Collection\\", 0, "folder"), ("Collection\\Collection.ini", 0, "real")]
    for i in range(1, 35):
        files.append((f"Collection\\{i}.png", rng.randrange(2_000, 14_000), "png"))
    return files

def code_bytes(rng, size):
    # Machine code and tables: runs drawn from a skewed alphabet, with
    # incompressible islands (resources, compressed data).
    out = bytearray()
    alphabet = list(rng.randbytes(48))
    weights = [0.76 ** i for i in range(48)]
    while len(out) < size:
        if rng.random() < 0.05:
            out += rng.randbytes(rng.randrange(256, 4096))
        else:
            out += bytes(rng.choices(alphabet, weights, k=rng.randrange(512, 8192)))
    return bytes(out[:size])

def png_bytes(rng, size):
    # A real PNG header and IHDR, then data that does not compress further.
    head = b"\x89PNG\r\n\x1a\n"
    ihdr = struct.pack(">IIBBBBB", 64, 64, 8, 6, 0, 0, 0)
    head += struct.pack(">I", len(ihdr)) + b"IHDR" + ihdr + struct.pack(">I", zlib.crc32(b"IHDR" + ihdr))
    body = rng.randbytes(max(size - len(head) - 12, 0))
    tail = struct.pack(">I", 0) + b"IEND" + struct.pack(">I", zlib.crc32(b"IEND"))
    return head + body + tail

DEFAULT_TEXT = {
    "boot.ini": "[功能]\r\n1=网站收藏\r\n调节方式=0\r\n滤镜颜色=128\r\n[热键]\r\n增亮=2\r\n增亮按键=38\r\n调暗=2\r\n调暗按键=40\r\n",
    "win.lock": "[传递]\r\n窗口句柄=0\r\n",
    "image\\boot.ini": "[配置]\r\nlogo=logo.png\r\n",
    "Collection\\Collection.ini": "[配置]\r\n个数=1\r\n[图标1]\r\n文本=https://www.baidu.com/\r\n名称=百度\r\n",
}

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--stage", help="staging folder of the real payload")
    args = ap.parse_args()
    tree = os.path.join(args.out, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    os.makedirs(tree)
    rng = random.Random(SEED + 1)
    entries = layout()
    total = 0
    for path, size, kind in entries:
        host = os.path.join(tree, *path.rstrip("\\").split("\\"))
        if kind == "folder":
            os.makedirs(host, exist_ok=True)
            continue
        staged = os.path.join(args.stage, *path.split("\\")) if args.stage else None
        if staged and os.path.isfile(staged) and kind in ("real", "code") and path.endswith((".exe", ".ini", ".lock", ".png", ".ico")):
            shutil.copyfile(staged, host)
        elif kind == "real" and path in DEFAULT_TEXT:
            with open(host, "wb") as f:
                f.write(DEFAULT_TEXT[path].encode("gbk"))
        elif kind == "real":
            with open(host, "wb") as f:
                f.write(png_bytes(rng, 3_000))
        else:
            with open(host, "wb") as f:
                f.write(code_bytes(rng, size) if kind == "code" else
                        png_bytes(rng, size) if kind == "png" else rng.randbytes(size))
        total += os.path.getsize(host)
    with open(os.path.join(args.out, "payload.list"), "w", encoding="utf-8", newline="\n") as f:
        f.write("# Benchmark payload, generated by make_payload.py\n")
        for path, _, _ in entries:
            f.write(path + "\n")

    # The peer installer: the same files, folders and registry values, the
    # same three shortcuts.
    commands = []
    folder = None
    for path, _, kind in entries:
        if kind == "folder":
            continue
        parent = path.rsplit("\\", 1)[0] if "\\" in path else ""
        if parent != folder:
            folder = parent
            commands.append('  SetOutPath "$INSTDIR%s"' % ("\\" + parent if parent else ""))
        commands.append('  File "/oname=%s" "tree\\%s"' % (path.rsplit("\\", 1)[-1], path))
    with open(os.path.join(HERE, "peer.nsi.in"), encoding="utf-8") as f:
        script = f.read().replace("@FILE_COMMANDS@", "\n".join(commands))
    with open(os.path.join(args.out, "peer.nsi"), "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write(script)
    print(f"{args.out}: {len(entries)} entries, {total} bytes unpacked")

if __name__ == "__main__":
    main()
