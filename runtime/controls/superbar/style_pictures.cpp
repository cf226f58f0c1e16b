#include "runtime/controls/superbar/style_pictures.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "runtime/picture/gdi_owners.h"
#include "runtime/controls/superbar/skin_window.h"

namespace vx::controls {
namespace {

constexpr uint32_t kMagenta = 0xFF00FF;

struct Rgb {
    int r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    return Rgb{int(std::lround(a.r + (b.r - a.r) * t)), int(std::lround(a.g + (b.g - a.g) * t)),
               int(std::lround(a.b + (b.b - a.b) * t))};
}

uint32_t Pack(Rgb c) {
    auto k = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
    uint32_t p = (k(c.r) << 16) | (k(c.g) << 8) | k(c.b);
    return p == kMagenta ? 0xFE00FF : p;  // never the transparent colour by accident
}

// Brightness shift of the four states: normal, hover, pressed, disabled.
constexpr double kStateLift[4] = {0.0, 0.22, -0.18, -0.65};

Rgb Lift(Rgb c, int state) {
    double t = kStateLift[state];
    return t >= 0 ? Mix(c, Rgb{255, 255, 255}, t) : Mix(c, Rgb{128, 128, 128}, -t);
}

struct Palette {
    Rgb top, bottom, edge, mark;
};

// One style's look per group.
struct StyleLook {
    CellSize cells[4];  // by BarGroup
    Palette looks[4];
    int roundness;  // how far the caps' corners are cut
};

const StyleLook kStyles[3] = {
    // 1: a slim blue gloss bar.
    {{{8, 13}, {8, 13}, {13, 13}, {8, 13}},
     {{{30, 42, 74}, {54, 70, 112}, {12, 18, 40}, {120, 140, 190}},
      {{110, 214, 255}, {24, 118, 226}, {10, 70, 160}, {220, 245, 255}},
      {{82, 136, 216}, {36, 80, 162}, {20, 44, 96}, {255, 255, 255}},
      {{250, 250, 255}, {178, 194, 222}, {70, 90, 130}, {90, 110, 150}}},
     1},
    // 2: a light groove with a warm orange fill.
    {{{60, 13}, {60, 13}, {15, 13}, {10, 13}},
     {{{214, 214, 208}, {246, 246, 242}, {150, 150, 144}, {180, 180, 174}},
      {{255, 196, 96}, {232, 120, 20}, {170, 80, 10}, {255, 236, 200}},
      {{236, 236, 230}, {196, 196, 188}, {120, 120, 112}, {70, 70, 64}},
      {{255, 255, 255}, {210, 210, 204}, {110, 110, 104}, {150, 150, 144}}},
     2},
    // 3: a tall dark bar with a green fill.
    {{{88, 16}, {88, 16}, {22, 16}, {10, 16}},
     {{{60, 64, 70}, {28, 30, 34}, {8, 8, 10}, {90, 96, 104}},
      {{150, 230, 110}, {40, 150, 40}, {20, 90, 20}, {220, 255, 200}},
      {{80, 84, 92}, {40, 42, 48}, {10, 10, 12}, {230, 230, 230}},
      {{200, 204, 210}, {120, 124, 132}, {40, 42, 48}, {70, 74, 80}}},
     3},
};

// Track, fill and thumb cell: gradient body with a gloss, caps with cut
// corners, a centre mark of two grip lines.
uint32_t BarPixel(const StyleLook& look, BarGroup group, int state, int slot, int x, int y, CellSize size) {
    const Palette& p = look.looks[group];
    const int w = size.width, h = size.height;
    Rgb c = (y == 0 || y == h - 1) ? p.edge : Mix(p.top, p.bottom, double(y - 1) / std::max(1, h - 3));
    if (y > 0 && y < h / 2) c = Mix(c, Rgb{255, 255, 255}, 0.25 * (1.0 - double(y) / (h / 2.0)));
    const int r = look.roundness;
    auto corner = [&](int dx) {  // dx: distance from the capped end
        int dy = std::min(y, h - 1 - y);
        return dx + dy < r;
    };
    if (slot == kStartCapSlot || slot == kEndCapSlot) {
        int dx = slot == kStartCapSlot ? x : w - 1 - x;
        if (corner(dx)) return kMagenta;
        if (dx == 0 || (dx + std::min(y, h - 1 - y) == r)) c = p.edge;
    }
    if (slot == kCentreSlot) {
        int mid = w / 2;
        if ((x == mid - 2 || x == mid + 1) && y >= h / 3 && y <= h - 1 - h / 3) c = p.mark;
    }
    return Pack(Lift(c, state));
}

// Arrow button cell: framed gradient with a triangle pointing to its side.
uint32_t ArrowPixel(const StyleLook& look, int button, int state, int x, int y, CellSize size) {
    const Palette& p = look.looks[kArrowGroup];
    const int w = size.width, h = size.height;
    bool edgeX = x == 0 || x == w - 1, edgeY = y == 0 || y == h - 1;
    if (edgeX && edgeY) return kMagenta;
    Rgb c = Mix(p.top, p.bottom, double(y) / std::max(1, h - 1));
    if (edgeX || edgeY) c = p.edge;
    // Triangle: tip towards the start for decrease, the end for increase.
    const int half = std::max(2, std::min(w, h) / 4);
    const int cx = w / 2, cy = h / 2;
    int along = button == 0 ? x - (cx - half / 2) : (cx + half / 2) - x;
    if (along >= 0 && along <= half && std::abs(y - cy) <= along) c = p.mark;
    return Pack(Lift(c, state));
}

}  // namespace

CellSize StyleCellSize(int style, BarGroup group) {
    style = std::clamp(style, 1, 3);
    return kStyles[style - 1].cells[group];
}

HIMAGELIST MakeStyleImageList(int style, BarGroup group) {
    style = std::clamp(style, 1, 3);
    const StyleLook& look = kStyles[style - 1];
    // Style 3 fills with its track's picture.
    const BarGroup drawn = (style == 3 && group == kFillGroup) ? kTrackGroup : group;
    const CellSize size = look.cells[group];
    const int count = group == kArrowGroup ? 8 : 16;
    const int stripW = size.width * count;

    std::vector<uint32_t> pixels(size_t(stripW) * size.height);
    for (int cell = 0; cell < count; ++cell)
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                uint32_t v = group == kArrowGroup ? ArrowPixel(look, cell / 4, cell % 4, x, y, size)
                                                  : BarPixel(look, drawn, cell / 4, cell % 4, x, y, size);
                pixels[size_t(y) * stripW + cell * size.width + x] = v;
            }

    BITMAPINFO bi = picture::TopDownBitmapInfo(stripW, size.height);
    picture::ScreenDc screen;
    picture::BitmapHandle strip(
        CreateDIBitmap(screen.get(), &bi.bmiHeader, CBM_INIT, pixels.data(), &bi, DIB_RGB_COLORS));
    if (!strip) return nullptr;
    HIMAGELIST list = ImageList_Create(size.width, size.height, ILC_COLOR24 | ILC_MASK, count, 0);
    if (!list) return nullptr;
    if (ImageList_AddMasked(list, strip.get(), RGB(255, 0, 255)) < 0) {
        ImageList_Destroy(list);
        return nullptr;
    }
    return list;
}

}  // namespace vx::controls
