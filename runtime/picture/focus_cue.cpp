#include "runtime/picture/focus_cue.h"

namespace vx::picture {

bool ShowsFocusCue(HWND control) {
    if (!control || GetFocus() != control) return false;
    // The top-level window holds the state for all its controls.
    return !(SendMessageA(GetAncestor(control, GA_ROOT), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

namespace {

constexpr COLORREF kAllBits = 0xFFFFFF;

// Walks the border once, clockwise, so the dots keep their rhythm at the
// corners, and marks every other pixel.
template <class Mark>
void Dotted(const RECT& r, Mark mark) {
    if (r.right - r.left < 1 || r.bottom - r.top < 1) return;
    int step = 0;
    auto dot = [&](int x, int y) {
        if (step++ % 2 == 0) mark(x, y);
    };
    for (int x = r.left; x < r.right; ++x) dot(x, r.top);
    for (int y = r.top + 1; y < r.bottom; ++y) dot(r.right - 1, y);
    for (int x = r.right - 2; x >= r.left && r.bottom - 1 > r.top; --x) dot(x, r.bottom - 1);
    for (int y = r.bottom - 2; y > r.top && r.right - 1 > r.left; --y) dot(r.left, y);
}

}  // namespace

void DrawDottedRect(HDC dc, const RECT& r, COLORREF colour) {
    Dotted(r, [&](int x, int y) { SetPixelV(dc, x, y, colour); });
}

void DrawInvertedDottedRect(HDC dc, const RECT& r) {
    Dotted(r, [&](int x, int y) { SetPixelV(dc, x, y, GetPixel(dc, x, y) ^ kAllBits); });
}

}  // namespace vx::picture
