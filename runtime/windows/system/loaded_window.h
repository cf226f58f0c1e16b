// Internal state of the window system: one LoadedWindow per window that
// exists on screen, holding the live objects of its units.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/windows/system/unit_types.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/windows/template/template.h"

namespace vx::windows::detail {

struct LoadedWindow {
    wt::TemplateWindow* tw = nullptr;
    uint32_t windowId = 0;
    bool alive = true;  // false once the frame window is gone
    bool modal = false;
    bool built = false;  // units made; the created events are due
    bool loadFinished = false;
    bool closing = false;
    bool helpOpened = false;
    HWND focusOnDeactivate = nullptr;  // given back when the window is active again
    WORD uiState = 0;                  // UISF_HIDEFOCUS / UISF_HIDEACCEL in force
    int dpi = 96;                      // the DPI its frame and units are built for
    // A DPI change that came while the window was disabled, kept until it is
    // enabled again (0: none), with its suggested frame.
    int pendingDpi = 0;
    RECT pendingFrame{};
    HACCEL accel = nullptr;
    HMENU menu = nullptr;
    // Windows a modal window disabled, with whether each was enabled before.
    std::vector<std::pair<HWND, bool>> disabledOthers;
    // Live objects by unit index (null: menu item or not created).
    std::vector<std::unique_ptr<Unit>> units;
    std::vector<int> controlIds;
    // Cursors made from cursor-file bytes (system cursors are shared).
    std::vector<HCURSOR> ownedCursors;

    FrameUnit* frame() const { return static_cast<FrameUnit*>(units.empty() ? nullptr : units[0].get()); }
    HWND hwnd() const { return frame() ? frame()->Handle() : nullptr; }
    const TypeDescriptor* type(size_t index) const { return FindUnitType(tw->typeId(index)); }
    uint32_t stateFlags(size_t index) const {
        const TypeDescriptor* t = type(index);
        return t ? t->stateFlags : 0;
    }
};

using LoadedWindowRef = std::shared_ptr<LoadedWindow>;

LoadedWindow* FindLoaded(uint32_t windowId);
LoadedWindowRef FindLoadedRef(uint32_t windowId);
// The loaded window whose frame is this top-level window, or null.
LoadedWindow* FindLoadedByFrame(HWND frame);
// Every loaded window, in load order.
std::vector<LoadedWindowRef> AllLoaded();

// Index of a unit id within a window (0 or the window's own unit id: 0).
std::optional<size_t> UnitIndex(const LoadedWindow& lw, uint32_t unitId);
// Unit index of a live window handle inside a loaded window, or nullopt.
std::optional<size_t> UnitIndexOfHandle(const LoadedWindow& lw, HWND hwnd);

// Recreates unit `index` from its current data with events suppressed, in
// its place, or at `place` (parent client coordinates, device pixels).
void RebuildUnit(LoadedWindow& lw, size_t index, const RECT* place = nullptr);
// Rebuilds the window and its units for a new DPI, the frame at `frame`.
void Rescale(LoadedWindow& lw, int dpi, const RECT& frame);
// Loads the MousePointer block of unit `index` into its cursor slot.
void LoadUnitCursor(LoadedWindow& lw, size_t index);
// Whether unit `index` lies on a page of a paged container other than the
// first (so it stays hidden).
bool OnHiddenPage(const LoadedWindow& lw, size_t index);
// Shows the frame as the load request does (modal: nested loop).
void ShowFrameAsLoaded(uint32_t windowId);

// Rebuilds the window's menu after a menu item changed.
void RebuildMenu(LoadedWindow& lw);

// Set while a unit is being rebuilt: events are not dispatched.
extern bool gRebuilding;

// Message filter and keyboard interface (message_filter.cpp).
bool PreTranslate(MSG& msg);

}  // namespace vx::windows::detail
