#include "runtime/controls/picbtn/picbtn.h"

#include <windowsx.h>

#include <algorithm>

#include "runtime/picture/focus_cue.h"
#include "runtime/picture/picture_surface.h"
#include "runtime/base/errors.h"
#include "runtime/windows/system/dpi.h"
#include "runtime/process/window_thread.h"

namespace vx::controls {
namespace {

constexpr char kClassName[] = "VxPicBtn";
// The focus cue lies this far inside the picture on show, clear of the
// rounded or cut-out edges of the installer's buttons.
constexpr int kFocusCueInset = 3;
constexpr LPARAM kKeyRepeat = 1 << 30;  // the key was already down

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
    b->dpi_ = p.dpi;
    b->onClick_ = std::move(onClick);
    b->hwnd_ = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_CLIPSIBLINGS | p.style, p.left, p.top, p.width,
                               p.height, p.parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(p.controlId)),
                               GetModuleHandleA(nullptr), nullptr);
    if (!b->hwnd_) return nullptr;
    SetWindowLongPtrA(b->hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b.get()));
    SetWindowLongPtrA(b->hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PicBtn::WindowProc));

    b->mode_ = ClampChoice(form.mode, 1);
    b->transparent_ = form.transparentColour;  // before the pictures: their resampling leaves it out
    for (int i = 0; i < 4; ++i) {
        b->pictures_[i] = form.pictures[i];
        b->MakeBitmaps(i);
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
    MakeBitmaps(slot);
    // The old bitmap is gone; whatever shows now decides shape and paint.
    shapeOf_ = reinterpret_cast<HBITMAP>(-1);
    UpdateShape();
}

void PicBtn::SetTransparentColour(uint32_t colour) {
    if (colour == transparent_) return;
    transparent_ = colour;
    // Resampled pictures blend around the cut-away colour: made again.
    if (dpi_ != windows::dpi::kTemplateDpi)
        for (int slot = 0; slot < 4; ++slot) MakeBitmaps(slot);
    shapeOf_ = reinterpret_cast<HBITMAP>(-1);
    UpdateShape();
}

// A picture shows at the window's DPI: resampled once here, when it is set.
void PicBtn::MakeBitmaps(int slot) {
    originals_[slot] = MakeBitmap(pictures_[slot], background_);
    bitmaps_[slot].reset();
    if (originals_[slot] && dpi_ != windows::dpi::kTemplateDpi) {
        SIZE size = BitmapSize(originals_[slot].get());
        std::optional<COLORREF> key;
        if (transparent_ != kNoTransparentColour) key = static_cast<COLORREF>(transparent_);
        bitmaps_[slot] = picture::ScaleBitmap(originals_[slot].get(), windows::dpi::Scale(size.cx, dpi_),
                                              windows::dpi::Scale(size.cy, dpi_), key);
    }
    if (!bitmaps_[slot]) bitmaps_[slot] = std::move(originals_[slot]);
}

int PicBtn::CurrentSlot() const {
    int chosen = -1;
    if (state_ == kHover && bitmaps_[kHoverPicture]) chosen = kHoverPicture;
    else if (state_ == kPressed && bitmaps_[kPressedPicture]) chosen = kPressedPicture;
    if (hwnd_ && !IsWindowEnabled(hwnd_) && bitmaps_[kDisabledPicture]) return kDisabledPicture;
    if (chosen < 0 && bitmaps_[kNormalPicture]) chosen = kNormalPicture;
    return chosen;
}

HBITMAP PicBtn::CurrentPicture() const {
    int slot = CurrentSlot();
    return slot < 0 ? nullptr : bitmaps_[slot].get();
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
        if (wantRegion) {
            // From the picture's own pixels, then scaled: resampled edges
            // blend into the transparent colour and would fray the shape.
            int slot = CurrentSlot();
            HBITMAP own = originals_[slot] ? originals_[slot].get() : current;
            region = picture::RegionFromBitmap(own, static_cast<COLORREF>(transparent_));
            if (region && own != current) region = picture::ScaleRegion(region.get(), dpi_, windows::dpi::kTemplateDpi);
        }
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
        if (picture::ShowsFocusCue(hwnd_)) picture::DrawInvertedDottedRect(memory.get(), FocusCueRect());
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    }
    EndPaint(hwnd_, &ps);
}

// Inside the picture on show (the shape follows it), else inside the
// client area.
RECT PicBtn::FocusCueRect() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    if (HBITMAP current = CurrentPicture()) {
        SIZE size = BitmapSize(current);
        r.right = std::min<LONG>(r.right, size.cx);
        r.bottom = std::min<LONG>(r.bottom, size.cy);
    }
    InflateRect(&r, -kFocusCueInset, -kFocusCueInset);
    return r;
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
    if (mode_ == 0 && GetCapture() == hwnd_) ReleaseCapture();
    if (inside) Click();
}

void PicBtn::Click() {
    if (mode_ == 0) {
        SetState(kNormal);
    } else {
        selected_ = !selected_;
        SetState(selected_ ? kPressed : kNormal);
        AccessPoint::Notify(hwnd_, EVENT_OBJECT_STATECHANGE);
    }
    if (onClick_) onClick_();  // may destroy this button
}

// Space works as the system's buttons have it: pressed while held, the
// click on its release.
void PicBtn::SpaceDown(LPARAM flags) {
    if (flags & kKeyRepeat) return;
    spaceDown_ = true;
    if (mode_ == 0) SetState(kPressed);
}

void PicBtn::SpaceUp() {
    if (!spaceDown_) return;
    spaceDown_ = false;
    Click();
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
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(); return 0;
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
    case WM_CAPTURECHANGED: return 0;
    case WM_KEYDOWN:
        if (wp != VK_SPACE) break;
        if (IsWindowEnabled(hwnd)) SpaceDown(lp);
        return 0;
    case WM_KEYUP:
        if (wp != VK_SPACE) break;
        if (IsWindowEnabled(hwnd)) SpaceUp();
        return 0;
    case WM_SETFOCUS: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_KILLFOCUS:
        // Focus gone with Space held: the press is called off.
        if (spaceDown_) {
            spaceDown_ = false;
            if (mode_ == 0) SetState(kNormal);
        }
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_UPDATEUISTATE: {
        LRESULT r = DefWindowProcA(hwnd, msg, wp, lp);
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    case WM_ENABLE:
        if (!wp) {
            if (GetCapture() == hwnd) ReleaseCapture();
            if (mode_ == 0) state_ = kNormal;
            spaceDown_ = false;
        }
        UpdateShape();
        return 0;
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace vx::controls
