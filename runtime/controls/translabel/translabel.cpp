#include "runtime/controls/translabel/translabel.h"

#include "runtime/picture/focus_cue.h"
#include "runtime/base/errors.h"
#include "runtime/process/window_thread.h"
#include "runtime/windows/system/dpi.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace vx::controls {
namespace {

constexpr char kClassName[] = "VxTransLabel";
constexpr int kFocusCueMargin = 1;  // pixels between the text and its cue

LRESULT CALLBACK StartProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

bool RegisterClassOnce() {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = StartProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// Until the object is attached nothing is painted.
LRESULT CALLBACK StartProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND TopLevelOf(HWND hwnd) {
    HWND w = hwnd;
    for (;;) {
        if (GetWindowLongPtrA(w, GWL_STYLE) & WS_POPUP) return w;
        HWND parent = GetParent(w);
        if (!parent) return w;
        w = parent;
    }
}

// Visible descendants, each child's own descendants before the child,
// children in z-order from the top.
void CollectVisible(HWND parent, std::vector<HWND>& out) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        CollectVisible(child, out);
        out.push_back(child);
    }
}

void RedrawScreenArea(HWND hwnd, const RECT& screen, UINT flags) {
    RECT local = screen;
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&local), 2);
    RedrawWindow(hwnd, &local, nullptr, flags);
}

// Where DrawText puts the text within the client area.
RECT TextBounds(HDC dc, const std::string& text, UINT format, const RECT& client) {
    RECT r = client;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    LONG left = client.left, top = client.top;
    if (format & DT_CENTER) left = (client.left + client.right - width) / 2;
    else if (format & DT_RIGHT) left = client.right - width;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = (client.top + client.bottom - height) / 2;
        else if (format & DT_BOTTOM) top = client.bottom - height;
    }
    return RECT{left, top, left + width, top + height};
}

}  // namespace

std::unique_ptr<TransLabel> TransLabel::Create(const TransLabelCreate& p, const TransLabelForm& form) {
    if (!RegisterClassOnce()) return nullptr;
    std::unique_ptr<TransLabel> label(new TransLabel());
    label->form_ = form;
    label->dpi_ = p.dpi;
    label->form_.effect = ClampLabelChoice(form.effect, 3);
    label->form_.alignment = ClampLabelChoice(form.alignment, 2);
    label->form_.verticalAlignment = ClampLabelChoice(form.verticalAlignment, 2);
    label->MakeFont();
    label->hwnd_ = CreateWindowExA(WS_EX_TRANSPARENT, kClassName, form.caption.c_str(),
                                   WS_CHILD | WS_CLIPSIBLINGS | p.style, p.left, p.top, p.width, p.height, p.parent,
                                   reinterpret_cast<HMENU>(static_cast<intptr_t>(p.controlId)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (!label->hwnd_) return nullptr;
    SetWindowLongPtrA(label->hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(label.get()));
    SetWindowLongPtrA(label->hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TransLabel::WindowProc));
    return label;
}

TransLabel::~TransLabel() {
    Unhook();
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void TransLabel::MakeFont() {
    font_.reset();
    if (form_.font.size() != sizeof(LOGFONTA)) return;
    LOGFONTA lf;
    std::memcpy(&lf, form_.font.data(), sizeof lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = 0;
    lf.lfClipPrecision = 0;
    lf.lfQuality = PROOF_QUALITY;
    lf.lfPitchAndFamily = 0;
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    lf = windows::dpi::ScaledFont(lf, dpi_);
    font_.reset(CreateFontIndirectA(&lf));
}

// Every change is made on the window's thread, where painting reads it: a
// font is never deleted while a paint has it selected.
void TransLabel::SetCaption(const std::string& caption) {
    OnWindowThread([&] {
        std::string text = caption.substr(0, caption.find('\0'));
        const bool changed = text != form_.caption;
        form_.caption = std::move(text);
        SetWindowTextA(hwnd_, form_.caption.c_str());
        RedrawBehindNow();
        if (changed) AccessPoint::Notify(hwnd_, EVENT_OBJECT_NAMECHANGE);
    });
}

void TransLabel::SetEffect(int32_t effect) {
    OnWindowThread([&] {
        form_.effect = ClampLabelChoice(effect, 3);
        RedrawBehindNow();
    });
}

void TransLabel::SetFont(const std::string& block) {
    OnWindowThread([&] {
        form_.font = block;
        MakeFont();
        RedrawBehindNow();
    });
}

void TransLabel::SetTextColour(uint32_t colour) {
    OnWindowThread([&] {
        form_.textColour = colour;
        RedrawBehindNow();
    });
}

void TransLabel::SetAlignment(int32_t alignment) {
    OnWindowThread([&] {
        form_.alignment = ClampLabelChoice(alignment, 2);
        RedrawBehindNow();
    });
}

void TransLabel::SetWordWrap(bool wrap) {
    OnWindowThread([&] {
        form_.wordWrap = wrap;
        RedrawBehindNow();
    });
}

void TransLabel::SetVerticalAlignment(int32_t alignment) {
    OnWindowThread([&] {
        form_.verticalAlignment = ClampLabelChoice(alignment, 2);
        RedrawBehindNow();
    });
}

// The repainting runs on the windows' own thread; a caller on another
// thread waits for it, so it returns when the area has been painted again.
void TransLabel::OnWindowThread(const std::function<void()>& work) { WindowThreadCalls::Run(hwnd_, work); }

void TransLabel::RedrawBehind() {
    OnWindowThread([this] { RedrawBehindNow(); });
}

void TransLabel::RedrawBehindNow() {
    if (!hwnd_) return;
    if (PaintOverKeptBackground()) return;
    HWND top = TopLevelOf(hwnd_);
    RECT label;
    GetWindowRect(hwnd_, &label);
    if (top != hwnd_) {
        RECT client;
        GetClientRect(top, &client);
        MapWindowPoints(top, nullptr, reinterpret_cast<POINT*>(&client), 2);
        RECT under;
        // The label's own pending paint waits until the end: the windows
        // under it would otherwise draw the text into what is kept.
        ValidateRect(hwnd_, nullptr);
        DropBackground();
        redrawing_ = true;
        const bool inside = IntersectRect(&under, &label, &client);
        if (inside) RedrawScreenArea(top, under, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);

        std::vector<HWND> windows;
        CollectVisible(top, windows);
        std::vector<HWND> at;  // the windows at the label, bottom first
        bool keepable = GetParent(hwnd_) == top && EqualRect(&under, &label);
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            if (*it == hwnd_) continue;  // its own text comes last
            RECT r, part;
            GetWindowRect(*it, &r);
            if (!IntersectRect(&part, &r, &label)) continue;
            at.push_back(*it);
            RedrawScreenArea(*it, part, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
            // Another label draws without a paint message: what it shows
            // cannot be followed.
            if (GetWindowLongPtrA(*it, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TransLabel::WindowProc))
                keepable = false;
        }
        redrawing_ = false;
        if (keepable) KeepBackground(top, std::move(at));
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool TransLabel::Canvas::Make(HDC like, int w, int h) {
    dc.reset();
    bitmap.reset(CreateCompatibleBitmap(like, w, h));
    dc.reset(CreateCompatibleDC(like));
    if (!bitmap || !dc || !SelectObject(dc.get(), bitmap.get())) {
        dc.reset();
        return false;
    }
    width = w;
    height = h;
    return true;
}

// Copies what the windows have just painted under the label, before the
// label's own text is drawn there. It stays good while the same windows lie
// there: what any of them paints there later is copied in as it is painted
// (PaintHook), and a move of the label drops it.
void TransLabel::KeepBackground(HWND top, std::vector<HWND> under) {
    DropBackground();
    std::vector<HWND> hook = under;
    hook.push_back(top);
    std::sort(hook.begin(), hook.end());
    if (hook != hooked_) {
        Unhook();
        for (HWND w : hook) {
            // Each label its own hook (the label is its id): one id for all
            // would leave only the last label's.
            if (!SetWindowSubclass(w, &TransLabel::PaintHook, HookId(), reinterpret_cast<DWORD_PTR>(this))) {
                Unhook();  // a window of another thread: its paints cannot be followed
                return;
            }
            hooked_.push_back(w);
        }
    }
    top_ = top;
    stack_ = under;
    under_ = std::move(under);
    std::sort(under_.begin(), under_.end());
    RECT client;
    GetClientRect(hwnd_, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    HDC screen = GetDC(hwnd_);
    if (!screen) return;
    if ((kept_.background.Fits(client.right, client.bottom) ||
         kept_.background.Make(screen, client.right, client.bottom)) &&
        (kept_.frame.Fits(client.right, client.bottom) || kept_.frame.Make(screen, client.right, client.bottom)))
        kept_.valid = BitBlt(kept_.background.dc.get(), 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    ReleaseDC(hwnd_, screen);
}

// `painted` has just painted `region` (its client coordinates, handed over):
// what shows of it under the label goes into the kept background, less
// what the window's own clipping kept it from painting there (children, or
// siblings above it).
void TransLabel::RefreshBackground(HWND painted, HRGN region) {
    picture::Owner<HRGN, picture::DeleteGdiObject> area(region);
    POINT origin{0, 0};
    MapWindowPoints(painted, hwnd_, &origin, 1);
    OffsetRgn(region, origin.x, origin.y);
    const LONG_PTR style = GetWindowLongPtrA(painted, GWL_STYLE);
    const HWND parent = GetParent(painted);
    bool above = false;  // bottom first: the windows after it lie above it
    for (HWND w : stack_) {
        if (w == painted) {
            above = true;
            continue;
        }
        if (GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TRANSPARENT) continue;
        const HWND owner = GetParent(w);
        const bool clips = (owner == painted && (style & WS_CLIPCHILDREN)) ||
                           (above && owner == parent && (style & WS_CLIPSIBLINGS));
        if (!clips) continue;
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        picture::Owner<HRGN, picture::DeleteGdiObject> cut(CreateRectRgnIndirect(&r));
        if (cut) CombineRgn(region, region, cut.get(), RGN_DIFF);
    }
    HDC screen = GetDC(hwnd_);
    if (!screen) {
        DropBackground();
        return;
    }
    HDC kept = kept_.background.dc.get();
    SelectClipRgn(kept, region);
    if (!BitBlt(kept, 0, 0, kept_.background.width, kept_.background.height, screen, 0, 0, SRCCOPY)) DropBackground();
    SelectClipRgn(kept, nullptr);
    ReleaseDC(hwnd_, screen);
}

bool TransLabel::PaintOverKeptBackground() {
    if (!kept_.valid || !IsWindowVisible(hwnd_)) return false;
    if (erased_) {  // erased under the label, not painted since
        DropBackground();
        return false;
    }
    RECT client;
    GetClientRect(hwnd_, &client);
    if (!kept_.background.Fits(client.right, client.bottom)) return false;
    // A window that has come to lie under or over the label, or gone, since
    // changes what shows there unseen by the hooks.
    // (One listing of the windows: walking them one by one asks the window
    // manager for each.)
    struct Search {
        HWND label;
        RECT rect;
        std::vector<HWND> at;
    } search{hwnd_, {}, {}};
    GetWindowRect(hwnd_, &search.rect);
    EnumChildWindows(
        top_,
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            RECT r, part;
            if (w != s->label && IsWindowVisible(w) && GetWindowRect(w, &r) && IntersectRect(&part, &r, &s->rect))
                s->at.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    std::sort(search.at.begin(), search.at.end());
    if (search.at != under_) {
        DropBackground();
        return false;
    }
    HDC frame = kept_.frame.dc.get();
    BitBlt(frame, 0, 0, client.right, client.bottom, kept_.background.dc.get(), 0, 0, SRCCOPY);
    PaintText(frame, client);
    HDC screen = GetDC(hwnd_);
    if (!screen) return false;
    const bool shown = BitBlt(screen, 0, 0, client.right, client.bottom, frame, 0, 0, SRCCOPY);
    ReleaseDC(hwnd_, screen);
    if (shown) ValidateRect(hwnd_, nullptr);  // already on screen: no second paint
    return shown;
}

LRESULT CALLBACK TransLabel::PaintHook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<TransLabel*>(ref);
    const bool following = self->kept_.valid && !self->redrawing_ && self->hwnd_;
    switch (msg) {
    case WM_PAINT: {
        if (!following) break;
        // What this paint covers, taken before the paint validates it.
        HRGN update = CreateRectRgn(0, 0, 0, 0);
        if (!update || GetUpdateRgn(hwnd, update, FALSE) <= NULLREGION) {
            if (update) DeleteObject(update);
            break;
        }
        ++self->painting_;
        const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        --self->painting_;
        if (self->kept_.valid) self->RefreshBackground(hwnd, update);
        else DeleteObject(update);
        if (self->erased_ == hwnd) self->erased_ = nullptr;
        return r;
    }
    case WM_ERASEBKGND: {
        // An erase ahead of the paint (RDW_ERASENOW, a move): the paint that
        // follows covers the area again and is followed. Until it comes
        // what the erase drew is not known.
        if (!following || self->painting_) break;
        RECT dirty, label, part;
        GetClipBox(reinterpret_cast<HDC>(wp), &dirty);
        GetWindowRect(self->hwnd_, &label);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&label), 2);
        if (!IntersectRect(&part, &dirty, &label)) break;
        if (self->erased_ && self->erased_ != hwnd) self->DropBackground();
        else self->erased_ = hwnd;
        break;
    }
    case WM_WINDOWPOSCHANGED:
        // Another order of the windows there clips their paints otherwise.
        if (!(reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_NOZORDER)) self->DropBackground();
        break;
    case WM_SIZE:
    case WM_DPICHANGED:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        if (hwnd == self->top_) self->DropBackground();
        break;
    case WM_NCDESTROY: self->Unhook(); break;
    default: break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void TransLabel::Unhook() {
    for (HWND w : hooked_) RemoveWindowSubclass(w, &TransLabel::PaintHook, HookId());
    hooked_.clear();
    DropBackground();
}

void TransLabel::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    PaintText(dc, client);
    EndPaint(hwnd_, &ps);
}

void TransLabel::PaintText(HDC dc, const RECT& client) {
    int length = GetWindowTextLengthA(hwnd_);
    if (length > 0) {
        std::string text(static_cast<size_t>(length) + 1, '\0');
        text.resize(static_cast<size_t>(GetWindowTextA(hwnd_, text.data(), length + 1)));
        static constexpr UINT kHorizontal[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
        static constexpr UINT kVertical[] = {DT_TOP, DT_VCENTER, DT_BOTTOM};
        UINT format = kHorizontal[form_.alignment] | DT_NOCLIP | DT_NOPREFIX;
        format |= form_.wordWrap ? DT_WORDBREAK : DT_SINGLELINE | kVertical[form_.verticalAlignment];
        HFONT font = font_ ? font_.get() : windows::dpi::DefaultFont(dpi_);
        picture::Selection fontSel(dc, font);
        SetBkMode(dc, TRANSPARENT);
        auto draw = [&](COLORREF colour, int dx, int dy) {
            RECT r = client;
            OffsetRect(&r, dx, dy);
            SetTextColor(dc, colour);
            DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
        };
        constexpr COLORREF kLight = RGB(255, 255, 255);
        const int one = windows::dpi::Scale(1, dpi_), two = windows::dpi::Scale(2, dpi_);  // effect offsets
        switch (form_.effect) {
        case 1:
            draw(kLight, one, one);
            draw(form_.textColour & 0xFFFFFF, 0, 0);
            break;
        case 2:
            draw(kLight, 0, 0);
            draw(form_.textColour & 0xFFFFFF, one, one);
            break;
        case 3:
            draw(RGB(0, 0, 0), two, two);
            draw(form_.textColour & 0xFFFFFF, 0, 0);
            break;
        default: draw(form_.textColour & 0xFFFFFF, 0, 0); break;
        }
        // A label that takes the focus (a link) shows it round its text, in
        // the text's own colour, which reads on whatever lies behind.
        if (picture::ShowsFocusCue(hwnd_)) {
            RECT cue = TextBounds(dc, text, format, client);
            InflateRect(&cue, kFocusCueMargin, kFocusCueMargin);
            IntersectRect(&cue, &cue, &client);
            picture::DrawDottedRect(dc, cue, form_.textColour & 0xFFFFFF);
        }
    }
}

LRESULT CALLBACK TransLabel::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ContainedOr(
        [&]() -> LRESULT {
            auto* self = reinterpret_cast<TransLabel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (!self) return StartProc(hwnd, msg, wp, lp);
            if (WindowThreadCalls::Handle(msg, wp)) return 0;
            switch (msg) {
            case WM_ERASEBKGND: return 1;
            case WM_PAINT: self->Paint(); return 0;
            case WM_SETFOCUS:
            case WM_KILLFOCUS:
                // The cue comes and goes over a fresh background.
                self->RedrawBehindNow();
                return 0;
            case WM_UPDATEUISTATE: {
                LRESULT r = DefWindowProcA(hwnd, msg, wp, lp);
                if (GetFocus() == hwnd) self->RedrawBehindNow();
                return r;
            }
            case WM_GETOBJECT: {
                LRESULT answer = 0;
                if (self->access_.Answer(hwnd, wp, lp, answer)) return answer;
                break;
            }
            case WM_WINDOWPOSCHANGED: {
                auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
                LRESULT r = DefWindowProcA(hwnd, msg, wp, lp);
                if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
                    self->DropBackground();  // a new place has another background
                    self->RedrawBehindNow();
                } else if (!(pos->flags & SWP_NOZORDER)) {
                    self->DropBackground();  // other windows above it or under it
                }
                return r;
            }
            case WM_NCDESTROY:
                self->Unhook();
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                self->hwnd_ = nullptr;
                break;
            default: break;
            }
            return DefWindowProcA(hwnd, msg, wp, lp);
        },
        [&] { return DefWindowProcA(hwnd, msg, wp, lp); });
}

}  // namespace vx::controls
