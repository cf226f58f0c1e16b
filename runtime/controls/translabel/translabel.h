// The transparent label: text drawn straight onto whatever lies behind it.
// After every change it has the area under it repainted first, so old
// letters never remain. Usable on its own; the unit type wraps it.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

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

    HWND hwnd_ = nullptr;
    TransLabelForm form_;
    picture::Owner<HFONT, picture::DeleteGdiObject> font_;
    int dpi_ = 96;
    wt::AccessRole accessRole_ = wt::AccessRole::kOwn;
    AccessPoint access_{[this](AccessDescription& d) {
        d.role = RoleOr(accessRole_, wt::AccessRole::kStaticText);
        d.name = form_.caption;
        d.hidden = accessRole_ == wt::AccessRole::kHidden;
    }};  // last: gone first
};

}  // namespace vx::controls
