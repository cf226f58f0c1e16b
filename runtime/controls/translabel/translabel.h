// The transparent label: text drawn straight onto whatever lies behind it.
// After every change it has the area under it repainted first, so old
// letters never remain. Usable on its own; the unit type wraps it.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/controls/child_place.h"
#include "runtime/controls/accessible/accessible.h"
#include "runtime/picture/gdi_owners.h"
#include "runtime/controls/translabel/translabel_form.h"

namespace vx::controls {

struct TransLabelCreate : ChildPlace {};

class TransLabel {
public:
    static std::unique_ptr<TransLabel> Create(const TransLabelCreate& params, const TransLabelForm& form);
    ~TransLabel();
    TransLabel(const TransLabel&) = delete;
    TransLabel& operator=(const TransLabel&) = delete;

    HWND Handle() const { return hwnd_; }

    // Each setter stores (clamped) and redraws what lies behind the label.
    void SetCaption(const std::string& caption);
    void SetEffect(int32_t effect);
    // A 60-byte LOGFONTA record, or anything else for the default GUI font.
    void SetFont(const std::string& block);
    void SetTextColour(uint32_t colour);
    void SetAlignment(int32_t alignment);
    void SetWordWrap(bool wrap);
    void SetVerticalAlignment(int32_t alignment);
    const TransLabelForm& Form() const { return form_; }
    // What a screen reader is told besides the caption, its name: static
    // text unless its window's source makes it a link.
    void SetAccessRole(wt::AccessRole role) { accessRole_ = role; }

    // Repaints the area under the label in every window there, bottom of
    // the z-order first, then the label's own text.
    void RedrawBehind();

private:
    TransLabel() = default;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Paint();
    void MakeFont();
    void OnWindowThread(const std::function<void()>& work);
    void RedrawBehindNow();
    void PaintText(HDC dc, const RECT& client);
    // The background under the label, kept from the last full redraw: a
    // write then paints it and the text in one pass instead of repainting
    // every window there. Each window under the label (and the top-level
    // window) is hooked: what it paints there afterwards is copied into the
    // kept background, so a bar repainting under a percentage keeps it good.
    bool PaintOverKeptBackground();
    void KeepBackground(HWND top, std::vector<HWND> under);
    void DropBackground() {
        kept_.valid = false;
        erased_ = nullptr;
    }
    void RefreshBackground(HWND painted, HRGN region);
    static LRESULT CALLBACK PaintHook(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Unhook();
    UINT_PTR HookId() const { return reinterpret_cast<UINT_PTR>(this); }

    // A memory bitmap of the label's size (the DC goes before the bitmap).
    struct Canvas {
        picture::BitmapHandle bitmap;
        picture::MemoryDc dc;
        int width = 0, height = 0;
        bool Fits(int w, int h) const { return dc && width == w && height == h; }
        bool Make(HDC like, int w, int h);
    };

    HWND hwnd_ = nullptr;
    TransLabelForm form_;
    picture::Owner<HFONT, picture::DeleteGdiObject> font_;
    int dpi_ = 96;
    struct {
        Canvas background;  // what lies under the label, without its text
        Canvas frame;       // background and text, put on screen in one copy
        bool valid = false;
    } kept_;
    HWND top_ = nullptr;         // the top-level window the label lies on
    std::vector<HWND> hooked_;   // it and the windows under the label, whose paints refresh the kept background
    std::vector<HWND> under_;    // the other windows at the label when it was kept, sorted
    std::vector<HWND> stack_;    // the same, bottom of the z-order first
    bool redrawing_ = false;  // our own full redraw: the kept background is taken at its end
    int painting_ = 0;        // inside a hooked window's paint
    HWND erased_ = nullptr;   // a hooked window that erased under the label outside a paint
    wt::AccessRole accessRole_ = wt::AccessRole::kOwn;
    AccessPoint access_{[this](AccessDescription& d) {
        d.role = RoleOr(accessRole_, wt::AccessRole::kStaticText);
        d.name = form_.caption;
        d.hidden = accessRole_ == wt::AccessRole::kHidden;
    }};  // last: gone first
};

}  // namespace vx::controls
