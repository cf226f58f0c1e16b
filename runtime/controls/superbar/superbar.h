// The multi-function bar: scroll bar, progress bar, slider-like bar or plain
// strip made of five skin windows (main, decrease and increase buttons, fill,
// thumb). Usable on its own; the unit type wraps it for the window system.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "runtime/controls/child_place.h"
#include "runtime/controls/accessible/accessible.h"
#include "runtime/picture/gdi_owners.h"
#include "runtime/controls/superbar/skin_window.h"
#include "runtime/controls/superbar/superbar_form.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::controls {

struct DestroyList {
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
using ImageListHandle = picture::Owner<HIMAGELIST, DestroyList>;

// Raises event 0 (position changed), 1 (decrease clicked) or 2 (increase
// clicked). Returns whether a handler gave back a value, in *result.
using SuperBarEvent = std::function<bool(int event, int32_t* result)>;

struct SuperBarCreate : ChildPlace {
    COLORREF background = 0;  // behind the cells
};

// A property value by number: numbers for everything but the texts and
// image data (bytes) and the font (bytes: the 60-byte record or empty).
struct BarValue {
    int64_t number = 0;
    std::string bytes;
};

class SuperBar {
public:
    enum Part { kMain = 0, kDecrease, kIncrease, kFill, kThumb };
    static constexpr int kArrowSize = 18;

    static std::unique_ptr<SuperBar> Create(const SuperBarCreate& params, const SuperBarForm& form,
                                            SuperBarEvent raise);
    ~SuperBar();
    SuperBar(const SuperBar&) = delete;
    SuperBar& operator=(const SuperBar&) = delete;

    HWND Handle() const { return parts_[kMain].Handle(); }
    HWND PartHandle(Part part) const { return parts_[part].Handle(); }
    const SkinWindow& PartSkin(Part part) const { return parts_[part]; }

    // Properties 8 to 67 by number (wt::property::Number of the bar's
    // indexes); empty and unknown numbers are ignored (reading gives 0).
    void SetProperty(int number, const BarValue& value);
    BarValue GetProperty(int number) const;

    // Clamps, moves the thumb when asked, raises event 0 on a change.
    // false: the bar cannot move its thumb, or it is gone.
    bool SetPosition(int32_t value, bool reposition);
    int32_t Position() const { return f_.position; }

    void Enable(bool enabled);
    // Lays the parts out again for the main window's current size.
    void Layout();
    // The stored form as the bar stands now.
    SuperBarForm Form() const { return f_; }
    // What a screen reader is told: a progress bar (unless its window's
    // source says otherwise) of this name, whose value is the percentage.
    void SetAccess(wt::AccessRole role, std::string name);

private:
    SuperBar() = default;
    static constexpr int kPositionProperty = wt::property::Number(wt::property::superbar::kPosition);
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void ApplyProperty(int number, const BarValue& value);
    bool MoveTo(int32_t value, bool reposition);
    void OnPart(WPARAM code, LPARAM lp);
    void ApplyImages(BarGroup group);
    void ApplyImageList(BarGroup group, HIMAGELIST list);
    void ApplyVisibility();
    void ApplyDrawModes();
    void ApplyCellSwitches();
    void ApplyTextColour();
    void ApplyBand();
    void ApplyInset();
    void ApplyThumbLength();
    void ApplyBarType();
    void ApplyStyle(int style);
    void UpdateArrows();
    void UpdatePercent();
    void OnWindowThread(const std::function<void()>& work);
    void FollowThumb();
    void ThumbMovedByUser();
    void Step(int32_t delta);
    void TrackClick(HWND part);
    void Key(UINT key, int repeat);
    void Describe(AccessDescription& d) const;

    int Along(const RECT& r) const { return f_.orientation ? r.top : r.left; }
    int Length() const;     // main's client length along the axis
    int Thickness() const;  // and across it
    int ArrowSpan() const { return f_.showArrows ? kArrowSize : 0; }
    int ThumbSpan() const { return f_.showThumb ? thumbLength_ : 0; }
    int Available() const { return Length() - ThumbSpan() - 2 * ArrowSpan(); }
    RECT PartRect(Part part) const;  // in main's client coordinates
    void Place(Part part, int a, int c, int la, int lc, UINT flags);

    std::array<SkinWindow, 5> parts_;
    SuperBarForm f_;
    std::array<ImageListHandle, 4> lists_;
    picture::Owner<HFONT, picture::DeleteGdiObject> font_;
    int dpi_ = 96;
    std::array<std::string, 4> headings_;  // the group headings: no effect at run time
    int32_t trackUnused_ = 0;
    int thumbLength_ = 31;
    bool busy_ = false;
    bool enabled_ = true;
    int holding_ = 0;  // -1 / +1 while an arrow button is held
    bool repeating_ = false;
    SuperBarEvent raise_;
    wt::AccessRole accessRole_ = wt::AccessRole::kOwn;
    std::string accessName_;
    AccessPoint access_{[this](AccessDescription& d) { Describe(d); }};  // last: gone first
};

}  // namespace vx::controls
