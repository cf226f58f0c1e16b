#!/usr/bin/env python3
"""Draws the installer's pictures into this folder.

Needs ImageMagick (convert), zopflipng (Debian package zopfli), the WenQuanYi
Micro Hei and DejaVu fonts; the output is committed, so a build never runs this. Run it again after changing
a drawing: the result is the same bytes for the same tools.

  background.jpg            559 x 400 window background: night sky, savanna
  banner.png                544 x 256 banner of the picture box
  minimise*.png, close*.png 26 x 26 title buttons (normal, -over)
  install*.png              80 x 30 install button (normal, -over)
  tick-on.png, tick-off.png 16 x 16 agreement box
  bar-*.png                 progress-bar cell strips for the image lists
"""
import os
import random
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CJK = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
MAGENTA = "#FF00FF"
# No time stamps in the files, so a second run gives the same bytes.
STABLE = ["-define", "png:exclude-chunks=date,time,tEXt,zTXt", "+set", "date:create", "+set", "date:modify"]


def im(*args):
    subprocess.run(["convert", *[str(a) for a in args]], check=True)


def mvg(path):
    """Drawing primitives are passed inline (ImageMagick's policy refuses @file)."""
    with open(tmp(path)) as f:
        return f.read()


def out(name):
    return os.path.join(HERE, name)


def tmp(name):
    return os.path.join(TMP, name)


# --- night sky background ---------------------------------------------------

def savanna_mvg():
    """Black silhouettes along the bottom edge."""
    d = ["fill black", "stroke none"]
    # Rolling ground.
    d.append("path 'M 0,400 L 0,384 C 70,374 150,390 240,381 C 330,372 420,388 559,376 L 559,400 Z'")
    # Acacia, left.
    d.append("path 'M 36,388 L 40,352 L 30,338 L 33,337 L 42,348 L 47,334 L 50,335 L 45,354 L 44,388 Z'")
    for cx, cy, rx, ry in [(40, 334, 34, 6), (24, 330, 17, 5), (56, 330, 20, 5), (40, 328, 22, 5)]:
        d.append(f"ellipse {cx},{cy} {rx},{ry} 0,360")
    # Acacia, right, taller.
    d.append("path 'M 498,384 L 503,330 L 488,314 L 492,312 L 505,324 L 512,306 L 516,308 L 509,332 L 507,384 Z'")
    for cx, cy, rx, ry in [(503, 306, 46, 7), (478, 302, 22, 5), (528, 301, 24, 5), (503, 299, 28, 6)]:
        d.append(f"ellipse {cx},{cy} {rx},{ry} 0,360")
    # Small bush, and behind it a termite mound (a picture-less button of the
    # window sits on it, painting black).
    d.append("path 'M 272,386 C 278,364 284,344 294,336 C 300,331 308,331 314,336 C 324,344 330,364 336,386 Z'")
    d.append("ellipse 290,378 18,7 180,360")
    # Giraffe.
    for x in (371, 377, 391, 397):
        d.append(f"polygon {x},340 {x + 3},340 {x + 3},383 {x},383")
    d.append("ellipse 385,338 17,8 0,360")
    d.append("polygon 393,336 401,331 415,304 409,301")
    d.append("ellipse 414,302 8,3.5 0,360")
    d.append("polygon 409,300 409,297 410.5,297 411,300")
    d.append("polygon 413,300 413,297 414.5,297 415,300")
    d.append("stroke black stroke-width 1.2 fill none line 368,336 364,352 fill black stroke none")
    # Elephant.
    d.append("ellipse 150,357 27,17 0,360")
    d.append("circle 176,352 176,363")
    d.append("ellipse 170,354 9,13 0,360")
    d.append("path 'M 183,352 C 192,362 190,374 194,382 L 189,383 C 184,374 184,364 178,358 Z'")
    for x in (128, 139, 157, 167):
        d.append(f"rectangle {x},362 {x + 8},384")
    d.append("stroke black stroke-width 1.5 fill none line 124,352 119,366 fill black stroke none")
    # Calf.
    d.append("ellipse 213,368 14,10 0,360")
    d.append("circle 227,365 227,372")
    d.append("path 'M 232,366 C 236,371 235,377 237,382 L 234,382 C 231,377 231,371 229,368 Z'")
    for x in (202, 208, 217, 222):
        d.append(f"rectangle {x},372 {x + 4},384")
    # A second elephant, far away.
    d.append("ellipse 330,372 12,7 0,360")
    d.append("circle 342,370 342,375")
    for x in (321, 326, 333, 338):
        d.append(f"rectangle {x},375 {x + 3},382")
    return "\n".join(d)


def background():
    rnd = random.Random(2015)
    im("-size", "559x230", "gradient:#02071c-#11285e", tmp("sky1.png"))
    im("-size", "559x170", "gradient:#11285e-#4d79b2", tmp("sky2.png"))
    im(tmp("sky1.png"), tmp("sky2.png"), "-append", tmp("sky.png"))
    # A faint glow along the horizon.
    im("-size", "700x220", "radial-gradient:#7c9fcf-#00000000", "-crop", "559x110+70+110", "+repage",
       tmp("glow.png"))
    stars = ["stroke none"]
    for _ in range(420):
        x = rnd.uniform(0, 559)
        y = rnd.uniform(0, 1) ** 1.6 * 360  # denser towards the top
        a = rnd.uniform(0.25, 0.95)
        tint = rnd.choice(["255,255,255", "220,230,255", "255,245,220"])
        if rnd.random() < 0.12:
            stars.append(f"fill rgba({tint},{a:.2f}) circle {x:.1f},{y:.1f} {x + 0.9:.1f},{y:.1f}")
        else:
            stars.append(f"fill rgba({tint},{a:.2f}) point {int(x)},{int(y)}")
    with open(tmp("stars.mvg"), "w") as f:
        f.write("\n".join(stars))
    bright = [(36, 22), (150, 14), (318, 26), (446, 18), (22, 150), (540, 120), (260, 318), (392, 304)]
    glow, points = ["stroke none fill rgba(200,220,255,0.75)"], ["stroke none fill white"]
    for cx, cy in bright:
        size = rnd.uniform(6, 10)
        w = 1.1
        glow.append(f"circle {cx},{cy} {cx + 3.2},{cy}")
        points.append("polygon " + " ".join(f"{cx + dx:.1f},{cy + dy:.1f}" for dx, dy in [
            (0, -size), (w, -w), (size, 0), (w, w), (0, size), (-w, w), (-size, 0), (-w, -w)]))
    with open(tmp("glow.mvg"), "w") as f:
        f.write("\n".join(glow))
    with open(tmp("bright.mvg"), "w") as f:
        f.write("\n".join(points))
    with open(tmp("savanna.mvg"), "w") as f:
        f.write(savanna_mvg())
    im(tmp("sky.png"),
       tmp("glow.png"), "-geometry", "+0+290", "-compose", "screen", "-composite", "-compose", "over",
       "-draw", mvg('stars.mvg'),
       "(", "-size", "559x400", "xc:none", "-draw", mvg('glow.mvg'), "-blur", "0x2.5", ")",
       "-compose", "screen", "-composite", "-compose", "over",
       "-draw", mvg('bright.mvg'),
       "-draw", mvg('savanna.mvg'),
       "-strip", "-interlace", "none", "-sampling-factor", "2x2", "-quality", "92", out("background.jpg"))


# --- banner -----------------------------------------------------------------

def window_shot(name, title, content_mvg, w=176, h=112):
    """A small picture of one of the product's windows."""
    d = ["stroke none fill white", f"roundrectangle 0,0 {w - 1},{h - 1} 5,5",
         "fill #2a63b8", f"roundrectangle 0,0 {w - 1},18 5,5", f"rectangle 0,10 {w - 1},18",
         "fill #ff6b5e circle 166,9 166,13 fill #ffd15c circle 155,9 155,13",
         "stroke #9bb3d6 stroke-width 1 fill none", f"roundrectangle 0,0 {w - 1},{h - 1} 5,5",
         "stroke none", content_mvg]
    with open(tmp(name + ".mvg"), "w") as f:
        f.write("\n".join(d))
    im("-size", f"{w}x{h}", "xc:none", "-draw", mvg(name + '.mvg'),
       "-font", CJK, "-pointsize", "10", "-fill", "white", "-annotate", "+8+13", title, tmp(name + ".png"))
    # Drop shadow under it.
    im(tmp(name + ".png"), "(", "+clone", "-background", "#0b2c5a", "-shadow", "45x4+3+4", ")", "+swap",
       "-background", "none", "-layers", "merge", "+repage", tmp(name + "-s.png"))


def banner():
    im("-size", "544x256", "gradient:#f2faff-#a9d6f3", tmp("banner-bg.png"))
    waves = ["stroke none fill rgba(255,255,255,0.35)",
             "path 'M 0,200 C 120,160 260,240 544,170 L 544,256 L 0,256 Z'",
             "fill rgba(255,255,255,0.25)",
             "path 'M 0,230 C 160,200 300,260 544,215 L 544,256 L 0,256 Z'",
             "fill rgba(120,180,235,0.18)",
             "path 'M 0,120 C 140,90 300,150 544,100 L 544,112 C 300,162 140,102 0,132 Z'"]
    with open(tmp("waves.mvg"), "w") as f:
        f.write("\n".join(waves))
    logo = ["stroke none fill #1f6fd1 roundrectangle 0,0 47,47 10,10",
            "fill #3d8cf0 roundrectangle 0,0 47,23 10,10 rectangle 0,12 47,23",
            "fill white rectangle 12,9 15,39",
            "path 'M 15,10 C 22,6 28,14 37,10 L 37,25 C 28,29 22,21 15,25 Z'",
            "fill #ffd15c path 'M 15,18 C 22,14 28,22 37,18 L 37,25 C 28,29 22,21 15,25 Z'"]
    with open(tmp("logo.mvg"), "w") as f:
        f.write("\n".join(logo))
    im("-size", "48x48", "xc:none", "-draw", mvg('logo.mvg'), tmp("logo.png"))

    # Glossy globe.
    im("-size", "112x112", "radial-gradient:#7fe0ff-#0a4b98", tmp("globe-fill.png"))
    land = ["stroke none fill rgba(70,180,95,0.9)",
            "path 'M 30,30 C 44,20 60,26 58,40 C 56,52 44,50 40,62 C 36,72 24,66 22,54 C 20,44 22,36 30,30 Z'",
            "path 'M 66,56 C 78,50 90,58 88,72 C 86,86 74,92 68,84 C 62,76 58,62 66,56 Z'",
            "path 'M 64,20 C 72,16 82,20 80,28 C 76,32 68,30 64,20 Z'",
            "stroke rgba(255,255,255,0.35) stroke-width 1 fill none",
            "ellipse 56,56 54,18 0,360", "ellipse 56,56 54,38 0,360",
            "ellipse 56,56 18,54 0,360", "ellipse 56,56 38,54 0,360", "line 2,56 110,56 line 56,2 56,110"]
    with open(tmp("land.mvg"), "w") as f:
        f.write("\n".join(land))
    im(tmp("globe-fill.png"), "-draw", mvg('land.mvg'),
       "(", "-size", "112x112", "xc:black", "-fill", "white", "-draw", "circle 56,56 56,2", ")",
       "-alpha", "off", "-compose", "copy-opacity", "-composite",
       "(", "-size", "112x112", "xc:none", "-fill", "rgba(255,255,255,0.65)", "-draw", "ellipse 44,30 30,17 0,360",
       "-blur", "0x4", ")", "-compose", "over", "-composite",
       "(", "+clone", "-background", "#0b2c5a", "-shadow", "40x5+4+6", ")", "+swap",
       "-background", "none", "-layers", "merge", "+repage", tmp("globe.png"))

    desktops = ["fill #5fa8f5 rectangle 10,26 82,62", "fill #7bd389 rectangle 92,26 164,62",
                "fill #f5b35f rectangle 10,70 82,104", "fill #b08bf0 rectangle 92,70 164,104",
                "fill rgba(255,255,255,0.8) rectangle 16,32 48,44 rectangle 98,32 140,48",
                "rectangle 16,76 60,88 rectangle 98,76 126,96"]
    window_shot("shot1", "Vexilo 多桌面", "\n".join(desktops))
    bright = ["fill #fff4cc rectangle 8,26 167,104", "fill #ffb627 circle 40,64 40,80",
              "stroke #ffb627 stroke-width 3 line 40,38 40,44 line 40,84 40,90 line 14,64 20,64 line 60,64 66,64",
              "line 22,46 26,50 line 54,78 58,82 line 22,82 26,78 line 54,50 58,46", "stroke none",
              "fill #d9dde3 roundrectangle 78,60 160,68 4,4", "fill #2a63b8 roundrectangle 78,60 136,68 4,4",
              "fill white stroke #2a63b8 stroke-width 2 circle 136,64 136,70", "stroke none"]
    window_shot("shot2", "亮度热键", "\n".join(bright))
    tiles, colours = [], ["#e8505b", "#2a9df4", "#3fb950", "#f5a623", "#8e6cf0", "#14b8a6", "#f06292", "#607d8b"]
    for i, c in enumerate(colours):
        x, y = 10 + (i % 4) * 40, 28 + (i // 4) * 40
        tiles.append(f"fill {c} roundrectangle {x},{y} {x + 33},{y + 33} 6,6")
        tiles.append(f"fill rgba(255,255,255,0.85) circle {x + 16},{y + 14} {x + 16},{y + 21}")
    window_shot("shot3", "网址面板", "\n".join(tiles))

    im(tmp("banner-bg.png"), "-draw", mvg('waves.mvg'),
       tmp("logo.png"), "-geometry", "+18+16", "-composite",
       "-font", SANS_BOLD, "-pointsize", "34", "-fill", "#1a5fc4", "-stroke", "#ffffff", "-strokewidth", "1",
       "-annotate", "+74+52", "TolvanePC", "-stroke", "none",
       "-font", CJK, "-pointsize", "13", "-fill", "#3b6ea8", "-annotate", "+76+72", "Vexilo 桌面助手  V1.1",
       "-font", CJK, "-pointsize", "24", "-fill", "#d62b2b", "-stroke", "white", "-strokewidth", "0.6",
       "-annotate", "-6x-6+34+122", "让桌面井井有条！", "-stroke", "none",
       tmp("globe.png"), "-geometry", "+40+136", "-composite",
       tmp("shot1-s.png"), "-geometry", "+262+52", "-composite",
       tmp("shot2-s.png"), "-geometry", "+318+96", "-composite",
       tmp("shot3-s.png"), "-geometry", "+360+136", "-composite",
       "-alpha", "on", *STABLE, "PNG32:" + out("banner.png"))


# --- buttons ----------------------------------------------------------------

def on_magenta(src, dest, matte="#0d1a3a"):
    """Hard edge: half-transparent edge pixels are blended onto a dark tone,
    the rest of the outside becomes the transparent colour."""
    im(src, "(", "+clone", "-alpha", "extract", "-threshold", "50%", ")",
       "(", "-clone", "0", "-background", matte, "-flatten", ")",
       "-delete", "0", "+swap", "-alpha", "off", "-compose", "copy-opacity", "-composite",
       "-background", MAGENTA, "-compose", "over", "-flatten", "-alpha", "on", *STABLE, "PNG32:" + dest)


def title_button(name, symbol, top, bottom, ring):
    d = [f"stroke {ring} stroke-width 1 fill none circle 13,13 13,1.5", "stroke none"]
    with open(tmp(name + ".mvg"), "w") as f:
        f.write("\n".join(d + [symbol]))
    im("-size", "26x26", f"gradient:{top}-{bottom}",
       "(", "-size", "26x26", "xc:black", "-fill", "white", "-draw", "circle 13,13 13,1", ")",
       "-alpha", "off", "-compose", "copy-opacity", "-composite", "-compose", "over",
       "-draw", mvg(name + '.mvg'), tmp(name + ".png"))
    on_magenta(tmp(name + ".png"), out(name + ".png"))


def install_button(name, top, bottom, glow):
    im("-size", "80x30", f"gradient:{top}-{bottom}",
       "(", "-size", "80x30", "xc:black", "-fill", "white", "-draw", "roundrectangle 0,0 79,29 8,8", ")",
       "-alpha", "off", "-compose", "copy-opacity", "-composite", "-compose", "over",
       "-fill", glow, "-draw", "roundrectangle 2,1 77,13 7,7",
       "-stroke", "rgba(255,255,255,0.45)", "-fill", "none", "-draw", "roundrectangle 0.5,0.5 79,29 8,8",
       "-stroke", "none", "-font", CJK, "-pointsize", "15", "-fill", "#1b1c5e", "-gravity", "center",
       "-annotate", "+1+1", "立即安装", "-fill", "white", "-annotate", "+0+0", "立即安装", tmp(name + ".png"))
    on_magenta(tmp(name + ".png"), out(name + ".png"))


def tick_box(name, ticked):
    d = ["stroke #5b7fb5 stroke-width 1 fill white roundrectangle 1.5,1.5 14.5,14.5 2,2"]
    if ticked:
        d += ["stroke #1f8f3a stroke-width 2.2 fill none stroke-linecap round stroke-linejoin round",
              "polyline 4,8.5 7,11.5 12.5,4.5"]
    with open(tmp(name + ".mvg"), "w") as f:
        f.write("\n".join(d))
    im("-size", "16x16", "xc:none", "-draw", mvg(name + '.mvg'), tmp(name + ".png"))
    on_magenta(tmp(name + ".png"), out(name + ".png"), matte="#ffffff")


# --- progress bar cell strips -------------------------------------------------
# Written directly as PNG: every pixel is computed, so they stay crisp.

def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def bar_strip(path, top, bottom, edge, states):
    """16 cells of 8 x 13: state s (normal, hover, pressed, disabled) holds
    cells 4s + slot (slot 0 body, 1 start cap, 2 end cap, 3 centre mark)."""
    cw, ch = 8, 13

    def pixel(x, y):
        cell, cx = divmod(x, cw)
        state, slot = divmod(cell, 4)
        lift = states[state]
        if y == 0 or y == ch - 1:
            rgb = edge
        else:
            rgb = mix(top, bottom, (y - 1) / (ch - 3))
            if y <= 5:  # gloss on the upper half
                rgb = mix(rgb, (255, 255, 255), 0.28 * (1 - y / 6))
        rgb = mix(rgb, (255, 255, 255), lift) if lift > 0 else mix(rgb, (128, 128, 128), -lift)
        if slot == 1 and (cx == 0 or (cx == 1 and y in (0, ch - 1))):
            return (255, 0, 255, 255) if y in (0, ch - 1) or cx == 0 and y in (1, ch - 2) else edge + (255,)
        if slot == 2 and (cx == cw - 1 or (cx == cw - 2 and y in (0, ch - 1))):
            return (255, 0, 255, 255) if y in (0, ch - 1) or cx == cw - 1 and y in (1, ch - 2) else edge + (255,)
        if slot == 3 and cx in (2, 5) and 4 <= y <= 8:
            return mix(rgb, (255, 255, 255), 0.6) + (255,)
        return rgb + (255,)
    write_png(path, cw * 16, ch, pixel)


def arrow_strip(path):
    """8 cells of 13 x 13: decrease button states 0-3, then increase 4-7."""
    s = 13
    shades = [0.0, 0.25, -0.15, -0.6]

    def pixel(x, y):
        cell, cx = divmod(x, s)
        button, state = divmod(cell, 4)
        base = mix((76, 132, 214), (34, 78, 160), y / (s - 1))
        lift = shades[state]
        rgb = mix(base, (255, 255, 255), lift) if lift >= 0 else mix(base, (128, 128, 128), -lift)
        if cx in (0, s - 1) or y in (0, s - 1):
            if (cx in (0, s - 1)) and (y in (0, s - 1)):
                return (255, 0, 255, 255)
            return (20, 44, 96, 255)
        # Triangle pointing left (decrease) or right (increase).
        tip = 4 if button == 0 else s - 5
        width = abs(cx - tip)
        if 3 <= cx <= s - 4 and abs(y - 6) <= width * 0.75 and width <= 4:
            return (255, 255, 255, 255)
        return rgb + (255,)
    write_png(path, s * 8, s, pixel)


def bars():
    states = [0.0, 0.18, -0.12, -0.7]
    bar_strip(out("bar-track.png"), (18, 30, 62), (40, 58, 104), (8, 14, 34), states)
    bar_strip(out("bar-fill.png"), (84, 200, 255), (20, 110, 220), (10, 70, 160), states)
    bar_strip(out("bar-thumb.png"), (250, 250, 255), (180, 196, 222), (70, 90, 130), states)
    arrow_strip(out("bar-arrows.png"))


def compress_pngs():
    """The pictures travel inside the installer: each PNG re-encoded by
    zopflipng, smaller for the same pixels (it may choose another colour type;
    decoded, every pixel is as drawn)."""
    for name in sorted(os.listdir(HERE)):
        if name.endswith(".png"):
            subprocess.run(["zopflipng", "-m", "-y", out(name), out(name)], check=True, stdout=subprocess.DEVNULL)


def main():
    global TMP
    with tempfile.TemporaryDirectory() as TMP:
        background()
        banner()
        title_button("minimise", "fill white roundrectangle 7,12 19,14.5 1,1", "#4b8df0", "#1d55b8", "#9cc3ff")
        title_button("minimise-over", "fill white roundrectangle 7,12 19,14.5 1,1", "#74acff", "#2f6fd6", "#d2e4ff")
        cross = "stroke white stroke-width 2.4 stroke-linecap round line 8.5,8.5 17.5,17.5 line 17.5,8.5 8.5,17.5"
        title_button("close", cross, "#4b8df0", "#1d55b8", "#9cc3ff")
        title_button("close-over", cross, "#ff7a6e", "#d1342a", "#ffc9c4")
        install_button("install", "#7b7ff7", "#3b2fb3", "rgba(255,255,255,0.22)")
        install_button("install-over", "#9da2ff", "#5446d6", "rgba(255,255,255,0.32)")
        tick_box("tick-on", True)
        tick_box("tick-off", False)
        bars()
    compress_pngs()


if __name__ == "__main__":
    main()
