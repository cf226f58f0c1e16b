// The image-list stream reader is declared only with IStream known.
#include <objidl.h>

#include "runtime/controls/superbar/superbar.h"

#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/controls/superbar/style_pictures.h"
#include "runtime/window_thread.h"

namespace vx::controls {
namespace {

constexpr UINT_PTR kHoldTimer = 1;
constexpr UINT kHoldDelayMs = 500;
constexpr UINT kHoldRepeatMs = 100;

// Which bundles a property write breaks: the bar type and/or the style
// become custom (0).
struct CustomMark {
    int number;
    bool barType;
    bool style;
};
constexpr CustomMark kMarks[] = {
    {10, true, false}, {49, true, false},
    {21, false, true}, {35, false, true}, {40, false, true}, {41, false, true}, {51, false, true},
    {52, false, true}, {54, false, true}, {60, false, true}, {62, false, true}, {64, false, true},
    {34, true, true},  {42, true, true},  {44, true, true},  {45, true, true},  {50, true, true},
    {59, true, true},  {61, true, true},
};

// Bar types 1 to 4: interactive, arrows, thumb, fill, band.
constexpr int32_t kBarTypes[4][5] = {
    {1, 1, 1, 1, 1},
    {0, 0, 0, 1, 1},
    {0, 0, 1, 1, 1},
    {0, 0, 0, 0, 0},
};

HIMAGELIST ReadImageList(const std::string& block) {
    std::span<const uint8_t> stream =
        ImageListStream(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(block.data()), block.size()));
    if (stream.empty()) return nullptr;
    IStream* s = SHCreateMemStream(stream.data(), static_cast<UINT>(stream.size()));
    if (!s) return nullptr;
    HIMAGELIST list = ImageList_Read(s);
    s->Release();
    return list;
}

SkinCells BarCells() {
    SkinCells c{};
    for (int state = 0; state < 4; ++state)
        for (int slot = 0; slot < 4; ++slot) c[state][slot] = 4 * state + slot;
    return c;
}

SkinCells ArrowCells(int button) {
    SkinCells c{};
    for (int state = 0; state < 4; ++state) c[state] = {4 * button + state, -1, -1, -1};
    return c;
}

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
    SetWindowPos(parts_[part].Handle(), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | flags);
}

void SuperBar::ApplyImages(BarGroup group) {
    HIMAGELIST list = ReadImageList(f_.images[group]);
    if (!list) list = MakeStyleImageList(1, group);
    ApplyImageList(group, list);
}

void SuperBar::ApplyImageList(BarGroup group, HIMAGELIST list) {
    // The skins keep the list until they get the new one.
    ImageListHandle owned(list);
    switch (group) {
    case kTrackGroup: parts_[kMain].SetImages(list, BarCells()); break;
    case kFillGroup: parts_[kFill].SetImages(list, BarCells()); break;
    case kThumbGroup: parts_[kThumb].SetImages(list, BarCells()); break;
    case kArrowGroup:
        parts_[kDecrease].SetImages(list, ArrowCells(0));
        parts_[kIncrease].SetImages(list, ArrowCells(1));
        break;
    }
    lists_[group] = std::move(owned);
}

void SuperBar::ApplyVisibility() {
    auto show = [](const SkinWindow& s, bool on) { ShowWindow(s.Handle(), on ? SW_SHOWNA : SW_HIDE); };
    show(parts_[kDecrease], f_.showArrows);
    show(parts_[kIncrease], f_.showArrows);
    show(parts_[kThumb], f_.showThumb);
    show(parts_[kFill], f_.showFill);
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

void SuperBar::ApplyDrawModes() {
    parts_[kMain].SetDrawMode(f_.drawMode[0]);
    parts_[kFill].SetDrawMode(f_.drawMode[1]);
    parts_[kThumb].SetDrawMode(f_.drawMode[2]);
    parts_[kDecrease].SetDrawMode(3);
    parts_[kIncrease].SetDrawMode(3);
}

void SuperBar::ApplyCellSwitches() {
    const Part owners[3] = {kMain, kFill, kThumb};
    for (int i = 0; i < 3; ++i) {
        parts_[owners[i]].SetEndCaps(f_.endCaps[i] != 0);
        parts_[owners[i]].SetCentreMark(f_.centreMark[i] != 0);
    }
}

void SuperBar::ApplyTextColour() {
    HFONT font = font_ ? font_.get() : nullptr;
    for (SkinWindow& s : parts_) {
        s.SetFont(font);
        s.SetTextColour(f_.textColour & 0xFFFFFF);
    }
}

void SuperBar::ApplyBand() {
    int band = 0;
    if (f_.band) {
        int arrows = f_.showArrows ? parts_[kDecrease].CellThickness() : 0;
        band = std::max(arrows, parts_[kMain].CellThickness());
    }
    for (Part part : {kMain, kFill, kThumb}) parts_[part].SetBand(band);
}

void SuperBar::ApplyInset() {
    parts_[kMain].SetInset(f_.trackInset && f_.showArrows ? parts_[kDecrease].CellLength() : 0);
}

void SuperBar::ApplyThumbLength() {
    const int cell = parts_[kThumb].CellLength();
    int length = cell > 0 ? cell : 31;
    if (f_.proportionalThumb) {
        int64_t range = int64_t(f_.maximum) - f_.minimum + 1;
        length = static_cast<int>((Length() - 2 * ArrowSpan()) / range);
        length = std::max(length, 2 * cell);
    }
    thumbLength_ = std::max(1, length);
    Place(kThumb, 0, 0, thumbLength_, Thickness(), SWP_NOMOVE);
}

void SuperBar::UpdateArrows() {
    EnableWindow(parts_[kDecrease].Handle(), enabled_ && f_.minimum < f_.position);
    EnableWindow(parts_[kIncrease].Handle(), enabled_ && f_.position < f_.maximum);
}

void SuperBar::UpdatePercent() {
    std::string text;
    if (f_.showPercent) {
        char buffer[32];
        int64_t percent = int64_t(f_.position) * 100 / (int64_t(f_.maximum) - f_.minimum);
        std::snprintf(buffer, sizeof buffer, "%lld%%", static_cast<long long>(percent));
        text = buffer;
    }
    parts_[kMain].SetText(text);
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
        if (raise_) raise_(0, nullptr);
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
    if (f_.showThumb) lead = std::clamp(lead, ArrowSpan(), std::max(ArrowSpan(), Length() - ArrowSpan() - thumbLength_));
    // The move notifications of the thumb must not recompute the position.
    busy_ = true;
    Place(kThumb, lead, f_.crossOffset, 0, 0, SWP_NOSIZE);
    FollowThumb();
    // What the move uncovered is painted before the write returns.
    RedrawWindow(parts_[kMain].Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    busy_ = false;
    return true;
}

// A caller on another thread waits while the window's own thread moves and
// repaints the parts: one round trip instead of one per window call.
void SuperBar::OnWindowThread(const std::function<void()>& work) { WindowThreadCalls::Run(parts_[kMain].Handle(), work); }

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
    if (raise_) raise_(0, nullptr);
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

void SuperBar::OnPart(WPARAM code, LPARAM lp) {
    HWND from = code == kSkinPositionChanging ? reinterpret_cast<WINDOWPOS*>(lp)->hwnd : reinterpret_cast<HWND>(lp);
    int part = -1;
    for (int i = 0; i < 5; ++i)
        if (parts_[i].Handle() == from) part = i;
    HWND main = parts_[kMain].Handle();
    switch (code) {
    case kSkinPositionChanging:
        // A drag of the thumb stays on the axis and inside the track.
        if (part == kThumb && !busy_) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
            if (!(pos->flags & SWP_NOMOVE)) {
                int& along = f_.orientation ? pos->y : pos->x;
                int& across = f_.orientation ? pos->x : pos->y;
                across = f_.crossOffset;
                along = std::clamp(along, ArrowSpan(), std::max(ArrowSpan(), Length() - ArrowSpan() - thumbLength_));
            }
        }
        break;
    case kSkinMoved:
        if (part == kThumb) {
            if (busy_) FollowThumb();
            else ThumbMovedByUser();
        }
        break;
    case kSkinPressed:
        if (part == kDecrease || part == kIncrease) {
            holding_ = part == kDecrease ? -1 : 1;
            repeating_ = false;
            SetTimer(main, kHoldTimer, kHoldDelayMs, nullptr);
        } else if ((part == kMain || part == kFill) && f_.interactive) {
            SetFocus(main);
            TrackClick(from);
        } else if (part == kThumb && f_.interactive) {
            // The system's own window move, as if the thumb's caption were dragged.
            ReleaseCapture();
            SendMessageA(from, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        }
        break;
    case kSkinReleased:
        if ((part == kDecrease || part == kIncrease) && holding_) {
            KillTimer(main, kHoldTimer);
            holding_ = 0;
        }
        break;
    case kSkinClicked:
        if (part == kDecrease || part == kIncrease) {
            const int event = part == kDecrease ? 1 : 2;
            int32_t result = 0;
            bool gaveResult = raise_ && raise_(event, &result);
            if (!IsWindow(main)) return;
            if (gaveResult && result == 0) return;  // the handler cancelled the step
            if (f_.interactive) Step(part == kDecrease ? -f_.lineStep : f_.lineStep);
        }
        break;
    default:
        break;
    }
}

bool SuperBar::Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HWND main = parts_[kMain].Handle();
    if (WindowThreadCalls::Handle(msg, wp)) {
        result = 0;
        return true;
    }
    switch (msg) {
    case kSkinNotify:
        OnPart(wp, lp);
        result = 0;
        return true;
    case WM_GETOBJECT:
        return access_.Answer(main, wp, lp, result);
    case WM_TIMER:
        if (wp != kHoldTimer) return false;
        if (!repeating_) {
            KillTimer(main, kHoldTimer);
            SetTimer(main, kHoldTimer, kHoldRepeatMs, nullptr);
            repeating_ = true;
        }
        if (holding_) Step(holding_ * f_.pageStep);
        if (IsWindow(main) && (!holding_ || f_.position <= f_.minimum || f_.position >= f_.maximum)) {
            KillTimer(main, kHoldTimer);
            holding_ = 0;
        }
        return true;
    case WM_KEYDOWN:
        if (f_.interactive) Key(static_cast<UINT>(wp), std::max(1, static_cast<int>(lp & 0xFFFF)));
        return true;
    case WM_GETDLGCODE:
        result = DLGC_WANTARROWS;
        return true;
    case WM_SIZE:
        Layout();
        ApplyThumbLength();
        SetPosition(f_.position, true);
        return false;
    case WM_ENABLE:
        enabled_ = wp != 0;
        for (Part part : {kFill, kThumb}) EnableWindow(parts_[part].Handle(), enabled_);
        UpdateArrows();
        return false;
    default:
        return false;
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

void SuperBar::ApplyBarType() {
    if (f_.barType < 1 || f_.barType > 4) return;
    const int32_t* t = kBarTypes[f_.barType - 1];
    f_.interactive = t[0];
    f_.showArrows = t[1];
    f_.showThumb = t[2];
    f_.showFill = t[3];
    f_.band = t[4];
    ApplyVisibility();
    Layout();
    ApplyBand();
    ApplyInset();
    ApplyThumbLength();
    SetPosition(f_.position, true);
}

void SuperBar::ApplyStyle(int style) {
    HWND main = parts_[kMain].Handle();
    const bool visible = IsWindowVisible(main);
    if (visible) ShowWindow(main, SW_HIDE);
    for (BarGroup g : {kTrackGroup, kFillGroup, kArrowGroup, kThumbGroup}) {
        f_.images[g].clear();  // the built-in pictures, no image data
        ApplyImageList(g, MakeStyleImageList(style, g));
    }
    f_.drawMode = {4, 4, 4};
    f_.endCaps = {1, 1, 1};
    f_.centreMark = {0, 0, 0};
    f_.trackInset = 1;
    f_.showArrows = f_.showFill = f_.showThumb = 1;
    f_.interactive = 1;
    f_.band = 1;
    ApplyVisibility();
    ApplyDrawModes();
    ApplyCellSwitches();
    Layout();
    ApplyBand();
    ApplyInset();
    ApplyThumbLength();
    SetPosition(f_.position, true);
    if (visible) ShowWindow(main, SW_SHOWNA);
}

void SuperBar::SetProperty(int number, const BarValue& value) {
    if (number == kPositionProperty) {
        SetPosition(static_cast<int32_t>(value.number), true);
        return;
    }
    // Fields, fonts and pictures change on the window's thread, where
    // painting reads them.
    OnWindowThread([&] { ApplyProperty(number, value); });
}

void SuperBar::ApplyProperty(int number, const BarValue& value) {
    const int32_t v = static_cast<int32_t>(value.number);
    const int32_t on = v != 0;
    bool relayout = false;
    switch (number) {
    case 8:
        f_.barType = ClampBarChoice(v, 4);
        ApplyBarType();
        break;
    case 9:
        f_.orientation = ClampBarChoice(v, 1);
        relayout = true;
        break;
    case 10:
        f_.style = ClampBarChoice(v, 3);
        if (f_.style) ApplyStyle(f_.style);
        break;
    case 13: f_.pageStep = v; break;
    case 14: f_.lineStep = v; break;
    case 15:
        if (v >= f_.maximum) return;  // refused: the range would be empty
        f_.minimum = v;
        relayout = true;
        break;
    case 16:
        if (v <= f_.minimum) return;
        f_.maximum = v;
        relayout = true;
        break;
    case 18:
        f_.showPercent = on;
        UpdatePercent();
        break;
    case 19:
        f_.textColour = static_cast<uint32_t>(v);
        ApplyTextColour();
        break;
    case 21: f_.interactive = on; break;
    case 22:
        f_.fillFollowsThumb = on;
        FollowThumb();
        break;
    case 23:
        f_.band = on;
        ApplyBand();
        break;
    case 33: headings_[kArrowGroup] = value.bytes; break;
    case 38: headings_[kTrackGroup] = value.bytes; break;
    case 48: headings_[kFillGroup] = value.bytes; break;
    case 58: headings_[kThumbGroup] = value.bytes; break;
    case 39: property39_ = on; break;
    case 34:
        f_.showArrows = on;
        ApplyVisibility();
        relayout = true;
        break;
    case 49:
        f_.showFill = on;
        ApplyVisibility();
        break;
    case 59:
        f_.showThumb = on;
        ApplyVisibility();
        relayout = true;
        break;
    case 35:
    case 40:
    case 50:
    case 60: {
        const BarGroup g = number == 35 ? kArrowGroup : number == 40 ? kTrackGroup : number == 50 ? kFillGroup : kThumbGroup;
        f_.images[g] = value.bytes;
        ApplyImages(g);
        relayout = true;
        break;
    }
    case 41:
    case 51:
    case 61:
        f_.drawMode[(number - 41) / 10] = ClampBarChoice(v, 3) + 1;
        ApplyDrawModes();
        break;
    case 42:
    case 52:
    case 62:
        f_.endCaps[(number - 42) / 10] = on;
        ApplyCellSwitches();
        break;
    case 44:
    case 54:
    case 64:
        f_.centreMark[(number - 44) / 10] = on;
        ApplyCellSwitches();
        break;
    case 45:
        f_.trackInset = on;
        ApplyInset();
        break;
    case 65:
        f_.proportionalThumb = on;
        relayout = true;
        break;
    default:
        return;  // empty numbers and the font (not writable at run time)
    }
    for (const CustomMark& mark : kMarks) {
        if (mark.number != number) continue;
        if (mark.barType) f_.barType = 0;
        if (mark.style) f_.style = 0;
    }
    if (relayout && IsWindow(parts_[kMain].Handle())) {
        Layout();
        ApplyBand();
        ApplyInset();
        ApplyThumbLength();
        SetPosition(f_.position, true);
    }
}

BarValue SuperBar::GetProperty(int number) const {
    BarValue r;
    auto n = [&r](int64_t v) {
        r.number = v;
        return r;
    };
    switch (number) {
    case 8: return n(f_.barType);
    case 9: return n(f_.orientation);
    case 10: return n(f_.style);
    case 13: return n(f_.pageStep);
    case 14: return n(f_.lineStep);
    case 15: return n(f_.minimum);
    case 16: return n(f_.maximum);
    case 17: return n(f_.position);
    case 18: return n(f_.showPercent);
    case 19: return n(f_.textColour);
    case 20: r.bytes = f_.font; return r;
    case 21: return n(f_.interactive);
    case 22: return n(f_.fillFollowsThumb);
    case 23: return n(f_.band);
    case 33: r.bytes = headings_[kArrowGroup]; return r;
    case 38: r.bytes = headings_[kTrackGroup]; return r;
    case 48: r.bytes = headings_[kFillGroup]; return r;
    case 58: r.bytes = headings_[kThumbGroup]; return r;
    case 39: return n(property39_);
    case 34: return n(f_.showArrows);
    case 49: return n(f_.showFill);
    case 59: return n(f_.showThumb);
    case 35: r.bytes = f_.images[kArrowGroup]; return r;
    case 40: r.bytes = f_.images[kTrackGroup]; return r;
    case 50: r.bytes = f_.images[kFillGroup]; return r;
    case 60: r.bytes = f_.images[kThumbGroup]; return r;
    case 41:
    case 51:
    case 61: return n(f_.drawMode[(number - 41) / 10] - 1);
    case 42:
    case 52:
    case 62: return n(f_.endCaps[(number - 42) / 10]);
    case 44:
    case 54:
    case 64: return n(f_.centreMark[(number - 44) / 10]);
    case 45: return n(f_.trackInset);
    case 65: return n(f_.proportionalThumb);
    default: return r;
    }
}

}  // namespace vx::controls
