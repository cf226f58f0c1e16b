#include "runtime/controls/picbtn/picbtn.h"

#include <windowsx.h>

#include "runtime/controls/picture/picture_surface.h"
#include "runtime/errors.h"
#include "runtime/window_thread.h"

namespace vx::controls {
namespace {

constexpr char kClassName[] = "VxPicBtn";

bool RegisterClassOnce() {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcA;  // replaced per window once its object exists
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

picture::BitmapHandle MakeBitmap(const std::string& bytes, COLORREF background) {
    if (bytes.empty()) return {};
    return picture::BytesToBitmap(bytes.data(), bytes.size(), background);
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

}  // namespace

std::unique_ptr<PicBtn> PicBtn::Create(const PicBtnCreate& p, const PicBtnForm& form, PicBtnClick onClick) {
    if (!RegisterClassOnce()) return nullptr;
    std::unique_ptr<PicBtn> b(new PicBtn());
    b->background_ = p.background;
    b->onClick_ = std::move(onClick);
    b->hwnd_ = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_CLIPSIBLINGS | p.style, p.left, p.top, p.width,
                               p.height, p.parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(p.controlId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (!b->hwnd_) return nullptr;
    SetWindowLongPtrA(b->hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b.get()));
    SetWindowLongPtrA(b->hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PicBtn::WindowProc));

    b->mode_ = ClampChoice(form.mode, 1);
    b->transparent_ = form.transparentColour;
    for (int i = 0; i < 4; ++i) {
        b->pictures_[i] = form.pictures[i];
        b->bitmaps_[i] = MakeBitmap(form.pictures[i], b->background_);
    }
    b->UpdateShape();
    b->SetSelected(form.selected != 0);
    return b;
}

PicBtn::~PicBtn() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

PicBtnForm PicBtn::Form() const {
    PicBtnForm f;
    f.mode = mode_;
    f.selected = selected_;
    f.transparentColour = transparent_;
    for (int i = 0; i < 4; ++i) f.pictures[i] = pictures_[i];
    return f;
}

void PicBtn::SetMode(int32_t mode) {
    mode_ = ClampChoice(mode, 1);
    if (GetCapture() == hwnd_) ReleaseCapture();
    SetSelected(selected_);
}

void PicBtn::SetSelected(bool selected) {
    const bool changed = selected != selected_;
    selected_ = selected;
    if (mode_ == 1) SetState(selected ? kPressed : kNormal);
    if (changed) AccessPoint::Notify(hwnd_, EVENT_OBJECT_STATECHANGE);
}

void PicBtn::SetAccess(wt::AccessRole role, std::string name) {
    accessRole_ = role;
    accessName_ = std::move(name);
}

void PicBtn::Describe(AccessDescription& d) const {
    d.role = RoleOr(accessRole_, mode_ == 1 ? wt::AccessRole::kCheckButton : wt::AccessRole::kPushButton);
    d.name = accessName_;
    d.checked = d.role == wt::AccessRole::kCheckButton && selected_;
    d.pressed = d.role == wt::AccessRole::kPushButton && state_ == kPressed;
    d.hidden = accessRole_ == wt::AccessRole::kHidden;
}

void PicBtn::SetPicture(int slot, std::string bytes) {
    if (slot < 0 || slot > 3) return;
    pictures_[slot] = std::move(bytes);
    bitmaps_[slot] = MakeBitmap(pictures_[slot], background_);
    // The old bitmap is gone; whatever shows now decides shape and paint.
    shapeOf_ = reinterpret_cast<HBITMAP>(-1);
    UpdateShape();
}

void PicBtn::SetTransparentColour(uint32_t colour) {
    if (colour == transparent_) return;
    transparent_ = colour;
    shapeOf_ = reinterpret_cast<HBITMAP>(-1);
    UpdateShape();
}

HBITMAP PicBtn::CurrentPicture() const {
    HBITMAP chosen = nullptr;
    if (state_ == kHover) chosen = bitmaps_[kHoverPicture].get();
    else if (state_ == kPressed) chosen = bitmaps_[kPressedPicture].get();
    if (hwnd_ && !IsWindowEnabled(hwnd_) && bitmaps_[kDisabledPicture]) return bitmaps_[kDisabledPicture].get();
    return chosen ? chosen : bitmaps_[kNormalPicture].get();
}

void PicBtn::SetState(int state) {
    if (state == state_) return;
    state_ = state;
    UpdateShape();
}

// The window's region follows the picture on show; the system then hands
// mouse input only to its pixels and clips painting to them.
void PicBtn::UpdateShape() {
    if (!hwnd_) return;
    HBITMAP current = CurrentPicture();
    bool wantRegion = transparent_ != kNoTransparentColour && current;
    if (current != shapeOf_ || wantRegion != hasRegion_) {
        shapeOf_ = current;
        picture::RegionHandle region;
        if (wantRegion) region = picture::RegionFromBitmap(current, static_cast<COLORREF>(transparent_));
        hasRegion_ = static_cast<bool>(region);
        // The system owns the region once it is set.
        SetWindowRgn(hwnd_, region.release(), TRUE);
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
}

void PicBtn::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    picture::MemoryDc memory(CreateCompatibleDC(dc));
    picture::BitmapHandle buffer(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (memory && buffer) {
        picture::Selection bufferSel(memory.get(), buffer.get());
        FillRect(memory.get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (HBITMAP current = CurrentPicture()) {
            SIZE size = BitmapSize(current);
            picture::MemoryDc source(CreateCompatibleDC(dc));
            picture::Selection sourceSel(source.get(), current);
            BitBlt(memory.get(), 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
        }
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    }
    EndPaint(hwnd_, &ps);
}

bool PicBtn::Over(POINT at) const {
    RECT client;
    GetClientRect(hwnd_, &client);
    if (!PtInRect(&client, at)) return false;
    if (!hasRegion_) return true;
    picture::RegionHandle copy(CreateRectRgn(0, 0, 0, 0));
    if (!copy || GetWindowRgn(hwnd_, copy.get()) == ERROR) return true;
    return PtInRegion(copy.get(), at.x, at.y) != FALSE;
}

void PicBtn::MouseDown(POINT at) {
    if (mode_ != 0) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    if (!PtInRect(&client, at)) return;
    SetState(kPressed);
    SetCapture(hwnd_);
}

void PicBtn::MouseMove(POINT at, WPARAM keys) {
    if (mode_ != 0) {
        if (GetCapture() == hwnd_) ReleaseCapture();
        return;
    }
    if (Over(at)) {
        if (GetCapture() != hwnd_) SetCapture(hwnd_);
        SetState((keys & MK_LBUTTON) ? kPressed : kHover);
    } else {
        if (!(keys & MK_LBUTTON) && GetCapture() == hwnd_) ReleaseCapture();
        SetState(kNormal);
    }
}

void PicBtn::MouseUp(POINT at) {
    bool inside = Over(at);
    if (mode_ == 0) {
        if (GetCapture() == hwnd_) ReleaseCapture();
        if (!inside) return;
        SetState(kNormal);
    } else {
        if (!inside) return;
        selected_ = !selected_;
        SetState(selected_ ? kPressed : kNormal);
        AccessPoint::Notify(hwnd_, EVENT_OBJECT_STATECHANGE);
    }
    if (onClick_) onClick_();  // may destroy this button
}

LRESULT CALLBACK PicBtn::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<PicBtn*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    return ContainedOr([&] { return self->Handle(msg, wp, lp); }, [&] { return DefWindowProcA(hwnd, msg, wp, lp); });
}

LRESULT PicBtn::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    // A screen reader's question asked on another thread is answered here.
    if (WindowThreadCalls::Handle(msg, wp)) return 0;
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_GETOBJECT: {
        LRESULT answer = 0;
        return access_.Answer(hwnd, wp, lp, answer) ? answer : DefWindowProcA(hwnd, msg, wp, lp);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (IsWindowEnabled(hwnd)) MouseDown(at);
        return 0;
    case WM_MOUSEMOVE:
        if (IsWindowEnabled(hwnd)) MouseMove(at, wp);
        return 0;
    case WM_LBUTTONUP:
        if (IsWindowEnabled(hwnd)) MouseUp(at);
        return 0;
    case WM_CAPTURECHANGED:
        return 0;
    case WM_ENABLE:
        if (!wp) {
            if (GetCapture() == hwnd) ReleaseCapture();
            if (mode_ == 0) state_ = kNormal;
        }
        UpdateShape();
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

}  // namespace vx::controls
