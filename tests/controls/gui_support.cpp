#include "runtime/picture/gdi_owners.h"
#include "tests/controls/gui_support.h"

#include <cstdio>

#include "tests/picture/picture_samples.h"

namespace vx::test {

PlainWindow::PlainWindow(int x, int y, int width, int height, COLORREF colour,
                         std::function<void(HDC, const RECT&)> paint)
    : colour_(colour), paint_(std::move(paint)) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &PlainWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "VxPlainTestWindow";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    hwnd_ = CreateWindowExA(WS_EX_TOPMOST, "VxPlainTestWindow", "test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y,
                            width, height, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    Pump(50);
}

PlainWindow::~PlainWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    Pump(20);
}

POINT PlainWindow::Screen(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(hwnd_, &p);
    return p;
}

LRESULT CALLBACK PlainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<PlainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(hwnd, &r);
        HDC dc = reinterpret_cast<HDC>(wp);
        if (self && self->paint_) {
            self->paint_(dc, r);
        } else if (self) {
            HBRUSH brush = CreateSolidBrush(self->colour_);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
        }
        return 1;
    }
    case WM_LBUTTONDOWN:
        if (self) ++self->presses;
        return 0;
    case WM_NCDESTROY:
        if (self) self->hwnd_ = nullptr;
        break;
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool MouseAt(POINT p, const std::string& then) {
    char move[64];
    std::snprintf(move, sizeof move, "mousemove %ld %ld sleep 0.05", static_cast<long>(p.x), static_cast<long>(p.y));
    return Xdotool(then.empty() ? move : std::string(move) + " " + then);
}

uint32_t Rgb(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }

Capture CaptureClient(HWND topLevel, RECT area) {
    Capture c;
    c.width = area.right - area.left;
    c.height = area.bottom - area.top;
    c.pixels.assign(size_t(c.width) * c.height, 0);
    HDC window = GetDC(topLevel);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO bi = vx::picture::TopDownBitmapInfo(c.width, c.height);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(window, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, c.width, c.height, window, area.left, area.top, SRCCOPY);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < c.pixels.size(); ++i) c.pixels[i] = p[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(topLevel, window);
    return c;
}

bool Capture::SaveBmp(const std::string& path) const {
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = -height;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::fwrite(pixels.data(), 4, pixels.size(), f);
    return std::fclose(f) == 0;
}

std::string PatternPng(int width, int height, const std::function<uint32_t(int x, int y)>& rgba) {
    std::vector<picture::samples::Rgba> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t v = rgba(x, y);
            pixels.push_back({uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
        }
    picture::samples::ByteVector png = picture::samples::Png(width, height, pixels);
    return std::string(png.begin(), png.end());
}

std::string SolidPng(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    uint32_t v = (uint32_t(r) << 24) | (uint32_t(g) << 16) | (uint32_t(b) << 8) | a;
    return PatternPng(width, height, [v](int, int) { return v; });
}

}  // namespace vx::test
