// The multi-function bar: its creation, geometry and position. Its
// appearance is in superbar_skins.cpp, its messages in superbar_messages.cpp,
// its properties in superbar_properties.cpp.
#include "runtime/controls/superbar/superbar.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/process/window_thread.h"
#include "runtime/windows/template/event_numbers.h"
#include "runtime/windows/system/dpi.h"

namespace vx::controls {
namespace {

int32_t Clamp(int64_t v, int32_t lo, int32_t hi) { return static_cast<int32_t>(std::clamp<int64_t>(v, lo, hi)); }

}  // namespace

std::unique_ptr<SuperBar> SuperBar::Create(const SuperBarCreate& p, const SuperBarForm& form, SuperBarEvent raise) {
    static const bool controlsReady = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        return true;
    }();
    (void)controlsReady;
    std::unique_ptr<SuperBar> bar(new SuperBar());
    SuperBar& b = *bar;
    b.raise_ = std::move(raise);
    b.f_ = form;
    b.dpi_ = p.dpi;
    SuperBarForm& f = b.f_;
    if (f.minimum >= f.maximum) {  // never divide by an empty range
        f.minimum = 0;
        f.maximum = 100;
    }
    f.position = Clamp(f.position, f.minimum, f.maximum);
    f.orientation = ClampBarChoice(f.orientation, 1);
    for (int32_t& mode : f.drawMode) mode = std::clamp(mode, 1, 4);
    if (f.font.size() == kLogFontBytes) {
        LOGFONTA lf;
        std::memcpy(&lf, f.font.data(), sizeof lf);
        lf.lfFaceName[LF_FACESIZE - 1] = 0;
        lf = windows::dpi::ScaledFont(lf, p.dpi);
        b.font_.reset(CreateFontIndirectA(&lf));
    }
    b.enabled_ = !(p.style & WS_DISABLED);

    SkinWindow& main = b.parts_[kMain];
    if (!main.Create(p.parent, "", p.left, p.top, p.width, p.height, p.style & ~WS_DISABLED, nullptr)) return nullptr;
    HWND m = main.Handle();
    SetWindowLongPtrA(m, GWLP_ID, p.controlId);
    main.SetOwner(m);
    main.extra = [&b](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) { return b.Handle(msg, wp, lp, result); };
    const int off = f.crossOffset;
    struct Initial {
        Part part;
        const char* caption;
        int x, y, w, h;
    } initial[] = {
        {kFill, "---", kArrowSize, off, p.width, p.height},
        {kDecrease, "<", 0, off, kArrowSize, kArrowSize},
        {kIncrease, ">", p.width - kArrowSize, off, kArrowSize, kArrowSize},
        {kThumb, "-=-", 40, off, 31, kArrowSize},
    };
    for (const Initial& i : initial)
        if (!b.parts_[i.part].Create(m, i.caption, i.x, i.y, i.w, i.h, WS_VISIBLE, m)) return nullptr;
    for (SkinWindow& part : b.parts_) part.SetBackground(p.background);

    for (BarGroup g : {kTrackGroup, kFillGroup, kArrowGroup, kThumbGroup}) b.ApplyImages(g);
    b.ApplyVisibility();
    b.Layout();
    b.ApplyDrawModes();
    b.ApplyCellSwitches();
    b.ApplyTextColour();
    b.ApplyThumbLength();
    b.parts_[kThumb].SetDraggable(f.orientation == 0, f.orientation == 1);
    b.ApplyBand();
    b.ApplyInset();
    b.SetPosition(f.position, true);
    for (Part part : {kFill, kThumb, kDecrease, kIncrease})
        SetWindowPos(b.parts_[part].Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!b.enabled_) EnableWindow(m, FALSE);
    b.UpdateArrows();
    return bar;
}

SuperBar::~SuperBar() {
    if (HWND m = parts_[kMain].Handle()) {
        parts_[kMain].extra = nullptr;
        DestroyWindow(m);  // the parts go with it
    }
}

int SuperBar::Length() const {
    RECT r;
    GetClientRect(parts_[kMain].Handle(), &r);
    return f_.orientation ? r.bottom : r.right;
}

int SuperBar::Thickness() const {
    RECT r;
    GetClientRect(parts_[kMain].Handle(), &r);
    return f_.orientation ? r.right : r.bottom;
}

RECT SuperBar::PartRect(Part part) const {
    RECT r;
    GetWindowRect(parts_[part].Handle(), &r);
    MapWindowPoints(nullptr, parts_[kMain].Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void SuperBar::Place(Part part, int a, int c, int la, int lc, UINT flags) {
    la = std::max(0, la);
    lc = std::max(0, lc);
    int x = f_.orientation ? c : a, y = f_.orientation ? a : c;
    int w = f_.orientation ? lc : la, h = f_.orientation ? la : lc;
    // Already there (most position writes move no pixel): no move, no repaint.
    const RECT now = PartRect(part);
    const bool at = (flags & SWP_NOMOVE) || (now.left == x && now.top == y);
    const bool sized = (flags & SWP_NOSIZE) || (now.right - now.left == w && now.bottom - now.top == h);
    if (at && sized) return;
    SetWindowPos(parts_[part].Handle(), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | flags);
}

void SuperBar::Layout() {
    const bool vertical = f_.orientation == 1;
    for (SkinWindow& s : parts_) s.SetVertical(vertical);
    parts_[kThumb].SetDraggable(!vertical, vertical);
    const int length = Length(), thick = Thickness(), off = f_.crossOffset;
    Place(kDecrease, 0, off, kArrowSize, thick, 0);
    Place(kIncrease, length - kArrowSize, off, kArrowSize, thick, 0);
    if (!f_.fillFollowsThumb) Place(kFill, ArrowSpan(), off, length - 2 * ArrowSpan(), thick, 0);
}

bool SuperBar::SetPosition(int32_t value, bool reposition) {
    if (busy_) return false;
    const int32_t old = f_.position;
    // The position, its percentage text and the thumb change on the window's
    // thread, where painting reads them; the event is raised on the caller's.
    bool placed = true;
    OnWindowThread([&] { placed = MoveTo(value, reposition); });
    if (!placed) return false;
    if (f_.position != old) {
        HWND main = parts_[kMain].Handle();
        AccessPoint::Notify(main, EVENT_OBJECT_VALUECHANGE);
        if (raise_) raise_(wt::event::kPositionChanged, nullptr);
        if (!IsWindow(main)) return false;
    }
    UpdateArrows();
    return true;
}

bool SuperBar::MoveTo(int32_t value, bool reposition) {
    f_.position = Clamp(value, f_.minimum, f_.maximum);
    UpdatePercent();
    if (!reposition) return true;
    const int available = Available();
    if (available < 1) return false;
    const double share = double(f_.position - f_.minimum) / (double(f_.maximum) - f_.minimum);
    int lead = ArrowSpan() + static_cast<int>(share * available);
    if (f_.showThumb)
        lead = std::clamp(lead, ArrowSpan(), std::max(ArrowSpan(), Length() - ArrowSpan() - thumbLength_));
    // The move notifications of the thumb must not recompute the position.
    busy_ = true;
    const RECT thumb = PartRect(kThumb), fill = PartRect(kFill);
    Place(kThumb, lead, f_.crossOffset, 0, 0, SWP_NOSIZE);
    FollowThumb();
    // What the move uncovered is painted before the write returns.
    const RECT thumbNow = PartRect(kThumb), fillNow = PartRect(kFill);
    if (!EqualRect(&thumb, &thumbNow) || !EqualRect(&fill, &fillNow))
        RedrawWindow(parts_[kMain].Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    busy_ = false;
    return true;
}

// A caller on another thread waits while the window's own thread moves and
// repaints the parts: one round trip instead of one per window call.
void SuperBar::OnWindowThread(const std::function<void()>& work) {
    WindowThreadCalls::Run(parts_[kMain].Handle(), work);
}

void SuperBar::FollowThumb() {
    if (!f_.fillFollowsThumb) return;
    const int lead = Along(PartRect(kThumb));
    const int length = lead - ArrowSpan() + (f_.showThumb ? thumbLength_ / 2 : 0);
    Place(kFill, ArrowSpan(), f_.crossOffset, length, Thickness(), 0);
}

void SuperBar::ThumbMovedByUser() {
    FollowThumb();
    const int available = Available();
    if (available < 1) return;
    const int offset = Along(PartRect(kThumb)) - ArrowSpan();
    const int32_t old = f_.position;
    f_.position = Clamp(int64_t(f_.minimum) + int64_t(double(offset) / available * (double(f_.maximum) - f_.minimum)),
                        f_.minimum, f_.maximum);
    if (f_.position == old) return;
    UpdatePercent();
    HWND main = parts_[kMain].Handle();
    AccessPoint::Notify(main, EVENT_OBJECT_VALUECHANGE);
    if (raise_) raise_(wt::event::kPositionChanged, nullptr);
    if (!IsWindow(main)) return;
    UpdateArrows();
}

void SuperBar::Step(int32_t delta) { SetPosition(Clamp(int64_t(f_.position) + delta, f_.minimum, f_.maximum), true); }

void SuperBar::TrackClick(HWND) {
    const int available = Available();
    if (available < 1) return;
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(parts_[kMain].Handle(), &at);
    const int along = (f_.orientation ? at.y : at.x) - ArrowSpan() - (f_.showThumb ? thumbLength_ / 2 : 0);
    if (along <= 0) {
        SetPosition(f_.minimum, true);
        return;
    }
    double value = double(along) / available * (double(f_.maximum) - f_.minimum) + f_.minimum;
    SetPosition(Clamp(std::llround(value), f_.minimum, f_.maximum), true);
}

void SuperBar::Key(UINT key, int repeat) {
    const int64_t page = int64_t(f_.pageStep) * repeat, line = int64_t(f_.lineStep) * repeat;
    switch (key) {
    case VK_PRIOR: Step(Clamp(-page, INT32_MIN, INT32_MAX)); break;
    case VK_NEXT: Step(Clamp(page, INT32_MIN, INT32_MAX)); break;
    case VK_LEFT:
    case VK_DOWN: Step(Clamp(-line, INT32_MIN, INT32_MAX)); break;
    case VK_UP:
    case VK_RIGHT: Step(Clamp(line, INT32_MIN, INT32_MAX)); break;
    case VK_HOME: SetPosition(f_.minimum, true); break;
    case VK_END: SetPosition(f_.maximum, true); break;
    default: break;
    }
}

void SuperBar::SetAccess(wt::AccessRole role, std::string name) {
    accessRole_ = role;
    accessName_ = std::move(name);
}

// The value is the share of the range the position has covered, as the
// fill shows it.
void SuperBar::Describe(AccessDescription& d) const {
    d.role = RoleOr(accessRole_, wt::AccessRole::kProgressBar);
    d.name = accessName_;
    d.hidden = accessRole_ == wt::AccessRole::kHidden;
    const int64_t percent = (int64_t(f_.position) - f_.minimum) * 100 / (int64_t(f_.maximum) - f_.minimum);
    d.value = std::to_string(percent) + "%";
}

void SuperBar::Enable(bool enabled) { EnableWindow(parts_[kMain].Handle(), enabled); }

}  // namespace vx::controls
