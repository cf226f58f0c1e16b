// The multi-function bar's properties: reads, writes, and the bundles (bar
// type, style) a write sets or breaks.
#include "runtime/controls/superbar/superbar.h"

#include <algorithm>

#include "runtime/controls/superbar/style_pictures.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::controls {
namespace {

namespace bar = wt::property::superbar;

// The bar's own index of a property number.
constexpr int IndexOf(int number) { return number - wt::property::kFirstTypeProperty; }

// Which bundles a property write breaks: the bar type and/or the style
// become custom (0).
struct CustomMark {
    int index;
    bool barType;
    bool style;
};
constexpr CustomMark kMarks[] = {
    {bar::kStyle, true, false},        {bar::kShowFill, true, false},     {bar::kInteractive, false, true},
    {bar::kArrowImages, false, true},  {bar::kTrackImages, false, true},  {bar::kTrackDrawMode, false, true},
    {bar::kFillDrawMode, false, true}, {bar::kFillEndCaps, false, true},  {bar::kFillCenterMark, false, true},
    {bar::kThumbImages, false, true},  {bar::kThumbEndCaps, false, true}, {bar::kThumbCenterMark, false, true},
    {bar::kShowArrows, true, true},    {bar::kTrackEndCaps, true, true},  {bar::kTrackCenterMark, true, true},
    {bar::kTrackInset, true, true},    {bar::kFillImages, true, true},    {bar::kShowThumb, true, true},
    {bar::kThumbDrawMode, true, true},
};

// The image group whose images, drawing mode, end caps or centre mark an
// index names: 0 track, 1 fill, 2 thumb (the order of the form's arrays).
constexpr int GroupSlot(int index, int trackIndex) { return (index - trackIndex) / bar::kGroupStride; }

// Bar types 1 to 4: interactive, arrows, thumb, fill, band.
constexpr int32_t kBarTypes[4][5] = {
    {1, 1, 1, 1, 1},
    {0, 0, 0, 1, 1},
    {0, 0, 1, 1, 1},
    {0, 0, 0, 0, 0},
};

}  // namespace

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
        // The position it already shows: the thumb and fill stand where it
        // puts them (every re-layout places them again), nothing to repaint,
        // no change to tell, so no trip to the window's thread either.
        const int32_t written = static_cast<int32_t>(value.number);
        if (std::clamp(written, f_.minimum, f_.maximum) == f_.position) return;
        SetPosition(written, true);
        return;
    }
    // Fields, fonts and pictures change on the window's thread, where
    // painting reads them.
    OnWindowThread([&] { ApplyProperty(number, value); });
}

void SuperBar::ApplyProperty(int number, const BarValue& value) {
    const int32_t v = static_cast<int32_t>(value.number);
    const int32_t on = v != 0;
    const int index = IndexOf(number);
    bool relayout = false;
    switch (index) {
    case bar::kBarType:
        f_.barType = ClampBarChoice(v, 4);
        ApplyBarType();
        break;
    case bar::kOrientation:
        f_.orientation = ClampBarChoice(v, 1);
        relayout = true;
        break;
    case bar::kStyle:
        f_.style = ClampBarChoice(v, 3);
        if (f_.style) ApplyStyle(f_.style);
        break;
    case bar::kPageStep: f_.pageStep = v; break;
    case bar::kLineStep: f_.lineStep = v; break;
    case bar::kMinimum:
        if (v >= f_.maximum) return;  // refused: the range would be empty
        f_.minimum = v;
        relayout = true;
        break;
    case bar::kMaximum:
        if (v <= f_.minimum) return;
        f_.maximum = v;
        relayout = true;
        break;
    case bar::kShowPercent:
        f_.showPercent = on;
        UpdatePercent();
        break;
    case bar::kTextColor:
        f_.textColour = static_cast<uint32_t>(v);
        ApplyTextColour();
        break;
    case bar::kInteractive: f_.interactive = on; break;
    case bar::kFillFollowsThumb:
        f_.fillFollowsThumb = on;
        FollowThumb();
        break;
    case bar::kBand:
        f_.band = on;
        ApplyBand();
        break;
    case bar::kArrowGroup: headings_[kArrowGroup] = value.bytes; break;
    case bar::kTrackGroup: headings_[kTrackGroup] = value.bytes; break;
    case bar::kFillGroup: headings_[kFillGroup] = value.bytes; break;
    case bar::kThumbGroup: headings_[kThumbGroup] = value.bytes; break;
    case bar::kTrackUnused: trackUnused_ = on; break;
    case bar::kShowArrows:
        f_.showArrows = on;
        ApplyVisibility();
        relayout = true;
        break;
    case bar::kShowFill:
        f_.showFill = on;
        ApplyVisibility();
        break;
    case bar::kShowThumb:
        f_.showThumb = on;
        ApplyVisibility();
        relayout = true;
        break;
    case bar::kArrowImages:
    case bar::kTrackImages:
    case bar::kFillImages:
    case bar::kThumbImages: {
        const BarGroup g = index == bar::kArrowImages   ? kArrowGroup
                           : index == bar::kTrackImages ? kTrackGroup
                           : index == bar::kFillImages  ? kFillGroup
                                                        : kThumbGroup;
        f_.images[g] = value.bytes;
        ApplyImages(g);
        relayout = true;
        break;
    }
    case bar::kTrackDrawMode:
    case bar::kFillDrawMode:
    case bar::kThumbDrawMode:
        f_.drawMode[GroupSlot(index, bar::kTrackDrawMode)] = ClampBarChoice(v, 3) + 1;
        ApplyDrawModes();
        break;
    case bar::kTrackEndCaps:
    case bar::kFillEndCaps:
    case bar::kThumbEndCaps:
        f_.endCaps[GroupSlot(index, bar::kTrackEndCaps)] = on;
        ApplyCellSwitches();
        break;
    case bar::kTrackCenterMark:
    case bar::kFillCenterMark:
    case bar::kThumbCenterMark:
        f_.centreMark[GroupSlot(index, bar::kTrackCenterMark)] = on;
        ApplyCellSwitches();
        break;
    case bar::kTrackInset:
        f_.trackInset = on;
        ApplyInset();
        break;
    case bar::kProportionalThumb:
        f_.proportionalThumb = on;
        relayout = true;
        break;
    default: return;  // empty numbers and the font (not writable at run time)
    }
    for (const CustomMark& mark : kMarks) {
        if (mark.index != index) continue;
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
    const int index = IndexOf(number);
    switch (index) {
    case bar::kBarType: return n(f_.barType);
    case bar::kOrientation: return n(f_.orientation);
    case bar::kStyle: return n(f_.style);
    case bar::kPageStep: return n(f_.pageStep);
    case bar::kLineStep: return n(f_.lineStep);
    case bar::kMinimum: return n(f_.minimum);
    case bar::kMaximum: return n(f_.maximum);
    case bar::kPosition: return n(f_.position);
    case bar::kShowPercent: return n(f_.showPercent);
    case bar::kTextColor: return n(f_.textColour);
    case bar::kFont: r.bytes = f_.font; return r;
    case bar::kInteractive: return n(f_.interactive);
    case bar::kFillFollowsThumb: return n(f_.fillFollowsThumb);
    case bar::kBand: return n(f_.band);
    case bar::kArrowGroup: r.bytes = headings_[kArrowGroup]; return r;
    case bar::kTrackGroup: r.bytes = headings_[kTrackGroup]; return r;
    case bar::kFillGroup: r.bytes = headings_[kFillGroup]; return r;
    case bar::kThumbGroup: r.bytes = headings_[kThumbGroup]; return r;
    case bar::kTrackUnused: return n(trackUnused_);
    case bar::kShowArrows: return n(f_.showArrows);
    case bar::kShowFill: return n(f_.showFill);
    case bar::kShowThumb: return n(f_.showThumb);
    case bar::kArrowImages: r.bytes = f_.images[kArrowGroup]; return r;
    case bar::kTrackImages: r.bytes = f_.images[kTrackGroup]; return r;
    case bar::kFillImages: r.bytes = f_.images[kFillGroup]; return r;
    case bar::kThumbImages: r.bytes = f_.images[kThumbGroup]; return r;
    case bar::kTrackDrawMode:
    case bar::kFillDrawMode:
    case bar::kThumbDrawMode: return n(f_.drawMode[GroupSlot(index, bar::kTrackDrawMode)] - 1);
    case bar::kTrackEndCaps:
    case bar::kFillEndCaps:
    case bar::kThumbEndCaps: return n(f_.endCaps[GroupSlot(index, bar::kTrackEndCaps)]);
    case bar::kTrackCenterMark:
    case bar::kFillCenterMark:
    case bar::kThumbCenterMark: return n(f_.centreMark[GroupSlot(index, bar::kTrackCenterMark)]);
    case bar::kTrackInset: return n(f_.trackInset);
    case bar::kProportionalThumb: return n(f_.proportionalThumb);
    default: return r;
    }
}

}  // namespace vx::controls
