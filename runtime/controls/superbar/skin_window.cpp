#include "runtime/picture/gdi_owners.h"
#include "runtime/controls/superbar/skin_window.h"

#include "runtime/base/errors.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace vx::controls {
namespace {

constexpr char kClassName[] = "CMIButton";
constexpr COLORREF kKey = RGB(255, 0, 255);
constexpr UINT_PTR kSubclassId = 0x534B;  // the skin's own layer
// Cells side by side in one strip: its width is an int.
constexpr int64_t kMaxStripWidth = INT32_MAX;

// The main part is never painted inside its own painting.
bool gPaintingMain = false;

bool RegisterClassOnce() {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// A 32-bit top-down DIB section selected into its own memory DC.
struct Dib {
    picture::MemoryDc dc;
    picture::BitmapHandle bitmap;
    uint32_t* bits = nullptr;
    HGDIOBJ old = nullptr;
    bool Make(int w, int h) {
        BITMAPINFO bi = picture::TopDownBitmapInfo(w, h);
        void* p = nullptr;
        dc.reset(CreateCompatibleDC(nullptr));
        bitmap.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0));
        if (!dc || !bitmap) return false;
        bits = static_cast<uint32_t*>(p);
        old = SelectObject(dc.get(), bitmap.get());
        return true;
    }
    // Hands the bitmap over, still selected into the DC.
    void Release(picture::MemoryDc& toDc, picture::BitmapHandle& toBitmap, HGDIOBJ& toOld, uint32_t*& toBits) {
        toDc = std::move(dc);
        toBitmap = std::move(bitmap);
        toOld = old;
        toBits = bits;
    }
    ~Dib() {
        if (dc && old) SelectObject(dc.get(), old);
    }
};

}  // namespace

SkinWindow::~SkinWindow() {
    if (cellDc_ && cellOld_) SelectObject(cellDc_.get(), cellOld_);
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, &SkinWindow::SubclassProc, kSubclassId);
        DestroyWindow(hwnd_);
    }
}

bool SkinWindow::Create(HWND parent, const char* caption, int x, int y, int width, int height, DWORD style,
                        HWND owner) {
    if (!RegisterClassOnce()) return false;
    hwnd_ = CreateWindowExA(0, kClassName, caption, WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | style, x, y, width,
                            height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    owner_ = owner;
    SetWindowSubclass(hwnd_, &SkinWindow::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (!IsWindowEnabled(hwnd_)) state_ = kSkinDisabled;
    return true;
}

void SkinWindow::SetBitmaps(const std::array<HBITMAP, 4>& byState) {
    bitmaps_ = byState;
    kind_ = DrawingKind::kBitmaps;
    Repaint();
}

void SkinWindow::SetImages(HIMAGELIST list, const SkinCells& cells) {
    kind_ = DrawingKind::kCells;
    list_ = list;
    cells_ = cells;
    cellW_ = cellH_ = cellCount_ = 0;
    if (list_) {
        ImageList_GetIconSize(list_, &cellW_, &cellH_);
        cellCount_ = ImageList_GetImageCount(list_);
    }
    PrepareCells();
    Repaint();
}

void SkinWindow::SetDrawMode(int mode) {
    drawMode_ = mode;
    Repaint();
}
void SkinWindow::SetEndCaps(bool on) {
    endCaps_ = on;
    Repaint();
}
void SkinWindow::SetCentreMark(bool on) {
    centreMark_ = on;
    Repaint();
}
void SkinWindow::SetBand(int thickness) {
    band_ = std::max(0, thickness);
    Repaint();
}
void SkinWindow::SetInset(int inset) {
    inset_ = std::max(0, inset);
    Repaint();
}
void SkinWindow::SetVertical(bool vertical) {
    if (vertical == vertical_) return;
    vertical_ = vertical;
    PrepareCells();
    Repaint();
}
void SkinWindow::SetBackground(COLORREF colour) {
    background_ = colour;
    Repaint();
}
void SkinWindow::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    Repaint();
}
void SkinWindow::SetTextColour(COLORREF colour) {
    textColour_ = colour;
    Repaint();
}
void SkinWindow::SetFont(HFONT font) {
    font_ = font;
    Repaint();
}

int SkinWindow::CellLength() const { return list_ ? cellW_ : 0; }
int SkinWindow::CellThickness() const { return list_ ? cellH_ : 0; }

// A hidden window is painted whole when it shows: nothing to do before.
void SkinWindow::Repaint() {
    if (hwnd_ && IsWindowVisible(hwnd_)) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void SkinWindow::PrepareCells() {
    if (cellDc_ && cellOld_) SelectObject(cellDc_.get(), cellOld_);
    cellDc_.reset();
    cellBitmap_.reset();
    cellOld_ = nullptr;
    cellBits_ = nullptr;
    if (!list_ || cellW_ <= 0 || cellH_ <= 0 || cellCount_ <= 0) return;
    // The strip's width must fit in int (and the DIB in memory).
    if (int64_t(cellW_) * cellCount_ > kMaxStripWidth) return;
    Dib strip;
    if (!strip.Make(cellW_ * cellCount_, cellH_)) return;
    std::fill(strip.bits, strip.bits + size_t(cellW_) * cellCount_ * cellH_, 0x00FF00FFu);
    for (int i = 0; i < cellCount_; ++i) ImageList_Draw(list_, i, strip.dc.get(), i * cellW_, 0, ILD_TRANSPARENT);
    GdiFlush();
    if (!vertical_) {
        strip.Release(cellDc_, cellBitmap_, cellOld_, cellBits_);
        return;
    }
    // Rotated a quarter turn clockwise: a cell's start (left) becomes its top.
    Dib turned;
    if (!turned.Make(cellH_, cellW_ * cellCount_)) return;
    const int stripW = cellW_ * cellCount_;
    for (int i = 0; i < cellCount_; ++i)
        for (int y = 0; y < cellH_; ++y)
            for (int x = 0; x < cellW_; ++x)
                turned.bits[size_t(i * cellW_ + x) * cellH_ + (cellH_ - 1 - y)] =
                    strip.bits[size_t(y) * stripW + i * cellW_ + x];
    turned.Release(cellDc_, cellBitmap_, cellOld_, cellBits_);
}

RECT SkinWindow::Screen(int a, int c, int la, int lc) const {
    return vertical_ ? RECT{c, a, c + lc, a + la} : RECT{a, c, a + la, c + lc};
}

void SkinWindow::DrawCell(const Target& t, int index, int a, int c, int la, int lc, const RECT& clip) const {
    if (!cellDc_ || index < 0 || index >= cellCount_ || la <= 0 || lc <= 0) return;
    RECT d = Screen(a, c, la, lc);
    const int sx = vertical_ ? 0 : index * cellW_, sy = vertical_ ? index * cellW_ : 0;
    const int sw = vertical_ ? cellH_ : cellW_, sh = vertical_ ? cellW_ : cellH_;
    RECT bounds{0, 0, t.width, t.height}, r;
    if (!IntersectRect(&r, &d, &clip) || !IntersectRect(&r, &r, &bounds)) return;
    if (d.right - d.left == sw && d.bottom - d.top == sh && t.bits && cellBits_) {
        // At cell size: copied straight between the two DIBs, key colour left out.
        const int stripW = vertical_ ? cellH_ : cellW_ * cellCount_;
        for (int y = r.top; y < r.bottom; ++y) {
            const uint32_t* from = cellBits_ + size_t(sy + y - d.top) * stripW + (sx + r.left - d.left);
            uint32_t* to = t.bits + size_t(y) * t.width + r.left;
            for (int x = r.left; x < r.right; ++x, ++from, ++to)
                if ((*from & 0xFFFFFF) != 0xFF00FF) *to = *from;
        }
        return;
    }
    GdiFlush();
    int saved = SaveDC(t.dc);
    IntersectClipRect(t.dc, r.left, r.top, r.right, r.bottom);
    TransparentBlt(t.dc, d.left, d.top, d.right - d.left, d.bottom - d.top, cellDc_.get(), sx, sy, sw, sh, kKey);
    RestoreDC(t.dc, saved);
    GdiFlush();
}

// The cell of a slot for the current state; beyond the list: the normal
// state's cell; none when that is invalid too.
int SkinWindow::Cell(int slot) const {
    int cell = cells_[state_][slot];
    if (cell >= cellCount_) cell = cells_[kSkinNormal][slot];
    return cell >= 0 && cell < cellCount_ ? cell : -1;
}

void SkinWindow::PaintCells(const Target& t, const RECT& client) {
    const int length = vertical_ ? client.bottom : client.right;
    const int thick = vertical_ ? client.right : client.bottom;
    const int cl = cellW_, ct = cellH_;  // along, across
    const int band = band_ > 0 ? std::min(band_, thick) : thick;
    const int bandAt = std::max(0, (thick - band) / 2);
    const int capAt = std::max(0, (thick - ct) / 2);

    const int startCap = endCaps_ ? Cell(kStartCapSlot) : -1;
    const int endCap = endCaps_ ? Cell(kEndCapSlot) : -1;
    const int body = Cell(kBodySlot);
    // With an inset the caps sit inside and the body runs the whole length.
    int bodyFrom = 0, bodyTo = length;
    if (inset_ == 0) {
        if (startCap >= 0) bodyFrom = cl;
        if (endCap >= 0) bodyTo = length - cl;
    }
    const int bodyLen = bodyTo - bodyFrom;
    const RECT bodyRect = Screen(bodyFrom, bandAt, bodyLen, band);
    if (body < 0) {
        FillRect(t.dc, &bodyRect, GetSysColorBrush(COLOR_BTNFACE));
    } else if (bodyLen > 0) {
        switch (drawMode_) {
        case 1: DrawCell(t, body, bodyFrom, bandAt, cl, ct, bodyRect); break;
        case 2: DrawCell(t, body, bodyFrom + (bodyLen - cl) / 2, bandAt + (band - ct) / 2, cl, ct, bodyRect); break;
        case 3: DrawCell(t, body, bodyFrom, bandAt, bodyLen, band, bodyRect); break;
        default:
            for (int c = bandAt; c < bandAt + band; c += ct)
                for (int a = bodyFrom; a < bodyTo; a += cl) DrawCell(t, body, a, c, cl, ct, bodyRect);
            break;
        }
    }
    GdiFlush();
    if (startCap >= 0) DrawCell(t, startCap, inset_, capAt, cl, ct, client);
    if (endCap >= 0) DrawCell(t, endCap, length - inset_ - cl, capAt, cl, ct, client);
    int centre = centreMark_ ? Cell(kCentreSlot) : -1;
    if (centre >= 0 && length >= 2 * cl) DrawCell(t, centre, (length - cl) / 2, capAt, cl, ct, client);
}

void SkinWindow::PaintFallback(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    char caption[64];
    int n = GetWindowTextA(hwnd_, caption, sizeof caption);
    if (n > 0) {
        RECT r = client;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, textColour_);
        picture::Selection font(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
        DrawTextA(dc, caption, n, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    COLORREF light = RGB(255, 255, 255), dark = RGB(128, 128, 128);
    if (state_ == kSkinPressedState) std::swap(light, dark);
    picture::Owner<HPEN, picture::DeleteGdiObject> lightPen(CreatePen(PS_SOLID, 1, light));
    picture::Owner<HPEN, picture::DeleteGdiObject> darkPen(CreatePen(PS_SOLID, 1, dark));
    const int r = client.right - 1, b = client.bottom - 1;
    {
        picture::Selection pen(dc, lightPen.get());
        MoveToEx(dc, 0, b, nullptr);
        LineTo(dc, 0, 0);
        LineTo(dc, r, 0);
    }
    picture::Selection pen(dc, darkPen.get());
    MoveToEx(dc, r, 0, nullptr);
    LineTo(dc, r, b);
    LineTo(dc, -1, b);
}

bool SkinWindow::PaintBitmap(HDC dc, const RECT& client) const {
    HBITMAP bitmap = bitmaps_[state_] ? bitmaps_[state_] : bitmaps_[kSkinNormal];
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return false;
    picture::MemoryDc source(CreateCompatibleDC(dc));
    picture::Selection selected(source.get(), bitmap);
    if (!selected.ok()) return false;
    SetStretchBltMode(dc, COLORONCOLOR);
    return StretchBlt(dc, 0, 0, client.right, client.bottom, source.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

void SkinWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    const bool isMain = owner_ == hwnd_;
    if (isMain && gPaintingMain) {
        EndPaint(hwnd_, &ps);
        return;
    }
    if (isMain) gPaintingMain = true;
    RECT client;
    GetClientRect(hwnd_, &client);
    Dib buffer;
    if (buffer.Make(std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom))) {
        HDC m = buffer.dc.get();
        {
            picture::Owner<HBRUSH, picture::DeleteGdiObject> brush(CreateSolidBrush(background_));
            FillRect(m, &client, brush.get());
        }
        if (kind_ == DrawingKind::kBitmaps) {
            if (!PaintBitmap(m, client)) PaintFallback(m, client);
        } else if (cellDc_) {
            PaintCells(Target{m, buffer.bits, client.right, client.bottom}, client);
        } else {
            PaintFallback(m, client);
        }
        if (!text_.empty()) {
            RECT r = client;
            SetBkMode(m, TRANSPARENT);
            SetTextColor(m, textColour_);
            picture::Selection font(m, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
            DrawTextA(m, text_.c_str(), static_cast<int>(text_.size()), &r,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        BitBlt(dc, 0, 0, client.right, client.bottom, m, 0, 0, SRCCOPY);
    }
    if (isMain) gPaintingMain = false;
    EndPaint(hwnd_, &ps);
}

void SkinWindow::SetState(int state) {
    if (state == state_) return;
    state_ = state;
    Repaint();
}

void SkinWindow::Notify(WPARAM code, LPARAM lp) {
    if (owner_) SendMessageA(owner_, kSkinNotify, code, lp);
}

LRESULT CALLBACK SkinWindow::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<SkinWindow*>(ref);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &SkinWindow::SubclassProc, kSubclassId);
        self->hwnd_ = nullptr;
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    return ContainedOr([&] { return self->Handle(msg, wp, lp); }, [&] { return DefSubclassProc(hwnd, msg, wp, lp); });
}

LRESULT SkinWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    LRESULT result = 0;
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(); return 0;
    case WM_ENABLE: SetState(wp ? kSkinNormal : kSkinDisabled); break;
    case WM_MOUSEMOVE:
        if (state_ == kSkinNormal) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
            tracking_ = TrackMouseEvent(&tme) != FALSE;
            SetState(kSkinHover);
        }
        break;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (state_ == kSkinHover) SetState(kSkinNormal);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetState(kSkinPressedState);
        SetCapture(hwnd);
        Notify(kSkinPressed, reinterpret_cast<LPARAM>(hwnd));
        return 0;
    case WM_LBUTTONUP: {
        bool captured = GetCapture() == hwnd;
        if (captured) ReleaseCapture();
        if (!IsWindow(hwnd)) return 0;
        RECT client;
        GetClientRect(hwnd, &client);
        POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (state_ != kSkinDisabled) SetState(kSkinNormal);
        Notify(kSkinReleased, reinterpret_cast<LPARAM>(hwnd));
        if (IsWindow(hwnd) && PtInRect(&client, at)) Notify(kSkinClicked, reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (state_ == kSkinPressedState && reinterpret_cast<HWND>(lp) != hwnd) SetState(kSkinNormal);
        break;
    case WM_WINDOWPOSCHANGING: Notify(kSkinPositionChanging, lp); break;
    case WM_WINDOWPOSCHANGED: {
        LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        if (!(reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_NOMOVE))
            Notify(kSkinMoved, reinterpret_cast<LPARAM>(hwnd));
        return r;
    }
    default: break;
    }
    if (extra && extra(msg, wp, lp, result)) return result;
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace vx::controls
