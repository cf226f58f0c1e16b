// The picture button: a child window drawn from four pictures whose
// transparent colour is cut out of its shape. Usable on its own (any parent
// window, any event sink); the unit type wraps it for the window system.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <span>

#include "runtime/controls/child_place.h"
#include "runtime/controls/accessible/accessible.h"
#include "runtime/controls/picbtn/picbtn_form.h"
#include "runtime/picture/gdi_owners.h"

namespace vx::controls {

// Called when the button was clicked (Click, event 0).
using PicBtnClick = std::function<void()>;

struct PicBtnCreate : ChildPlace {
    COLORREF background = 0;  // the holding window's colour, for blending
};

class PicBtn {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2 };
    enum Slot { kNormalPicture = 0, kHoverPicture, kPressedPicture, kDisabledPicture };

    // Null when the window cannot be created.
    static std::unique_ptr<PicBtn> Create(const PicBtnCreate& params, const PicBtnForm& form, PicBtnClick onClick);
    ~PicBtn();
    PicBtn(const PicBtn&) = delete;
    PicBtn& operator=(const PicBtn&) = delete;

    HWND Handle() const { return hwnd_; }
    int State() const { return state_; }

    int32_t Mode() const { return mode_; }
    void SetMode(int32_t mode);
    bool Selected() const { return selected_; }
    void SetSelected(bool selected);
    const std::string& Picture(int slot) const { return pictures_[slot]; }
    void SetPicture(int slot, std::string bytes);
    uint32_t TransparentColour() const { return transparent_; }
    void SetTransparentColour(uint32_t colour);
    // The stored form as the button stands now.
    PicBtnForm Form() const;
    // What a click does (the mouse released over it, Space released while
    // it has the focus): a toggle button flips, then Click is raised.
    void Click();
    // What a screen reader is told: the role and name its window's source
    // gives (by default a push button, a check button in toggle mode, with
    // no name of its own).
    void SetAccess(wt::AccessRole role, std::string name);

private:
    PicBtn() = default;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    int CurrentSlot() const;  // -1: no picture
    HBITMAP CurrentPicture() const;
    void MakeBitmaps(int slot);
    void SetState(int state);
    void UpdateShape();
    void Paint();
    bool Over(POINT client) const;
    void MouseDown(POINT at);
    void MouseMove(POINT at, WPARAM keys);
    void MouseUp(POINT at);
    void SpaceDown(LPARAM flags);
    void SpaceUp();
    RECT FocusCueRect() const;
    void Describe(AccessDescription& d) const;

    HWND hwnd_ = nullptr;
    int32_t mode_ = 0;
    bool selected_ = false;
    int state_ = kNormal;
    uint32_t transparent_ = kNoTransparentColour;
    COLORREF background_ = 0;
    std::string pictures_[4];
    picture::BitmapHandle bitmaps_[4];    // as drawn: at the window's DPI
    picture::BitmapHandle originals_[4];  // at their own size when that differs, for the shape
    int dpi_ = 96;
    HBITMAP shapeOf_ = nullptr;  // the picture the current region was made from
    bool hasRegion_ = false;
    bool spaceDown_ = false;  // Space pressed on it and not yet released
    PicBtnClick onClick_;
    wt::AccessRole accessRole_ = wt::AccessRole::kOwn;
    std::string accessName_;
    AccessPoint access_{[this](AccessDescription& d) { Describe(d); }};  // last: gone first
};

}  // namespace vx::controls
