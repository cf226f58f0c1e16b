#include "runtime/windows/system/focus_order.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "runtime/windows/system/events.h"
#include "runtime/windows/template/event_numbers.h"

namespace vx::windows::detail {
namespace {

// The common events a mouse click raises on any windowed unit, and a
// type's own click.
constexpr int32_t kPressEvent = wt::event::kLeftButtonDown;
constexpr int32_t kReleaseEvent = wt::event::kLeftButtonUp;
constexpr int32_t kClickEvent = wt::event::kClicked;

constexpr WORD kCueFlags = UISF_HIDEFOCUS | UISF_HIDEACCEL;

struct KeyboardRoles {
    uint32_t defaultUnit = 0;
    uint32_t closeUnit = 0;
};

std::map<uint32_t, KeyboardRoles>& Roles() {
    static std::map<uint32_t, KeyboardRoles> roles;
    return roles;
}

bool Usable(const LoadedWindow& lw, size_t index) {
    Unit* u = index < lw.units.size() ? lw.units[index].get() : nullptr;
    return u && u->Handle() && IsWindowVisible(u->Handle()) && IsWindowEnabled(u->Handle());
}

bool Focusable(const LoadedWindow& lw, size_t index) {
    if (!Usable(lw, index)) return false;
    Unit* u = lw.units[index].get();
    if (GetWindowLongA(u->Handle(), GWL_STYLE) & WS_TABSTOP) return true;
    if (u->HasClick()) return IsEventBound(*lw.tw, index, kClickEvent);
    return ClicksByPress(lw, index);
}

// Clicks the unit a role names; a hidden or disabled one does nothing, as
// it would under the mouse, and the key is still taken.
bool ClickRoleUnit(LoadedWindow& lw, uint32_t unitId) {
    if (unitId == 0) return false;
    std::optional<size_t> index = UnitIndex(lw, unitId);
    if (!index || *index == 0) return false;
    if (!Usable(lw, *index)) return true;
    // As in a dialog, the focus stays where it was (a system button takes it
    // when clicked), unless the click itself sent it elsewhere.
    HWND focus = GetFocus();
    HWND clicked = lw.units[*index]->Handle();
    ClickUnit(lw, *index);
    if (focus && IsWindow(focus) && IsWindow(clicked) && GetFocus() == clicked) SetFocus(focus);
    return true;
}

}  // namespace

int32_t KeyState() {
    int32_t s = 0;
    if (GetKeyState(VK_CONTROL) < 0) s |= wt::event::kCtrl;
    if (GetKeyState(VK_SHIFT) < 0) s |= wt::event::kShift;
    if (GetKeyState(VK_MENU) < 0) s |= wt::event::kAlt;
    return s;
}

bool ClicksByPress(const LoadedWindow& lw, size_t index) {
    Unit* u = index < lw.units.size() ? lw.units[index].get() : nullptr;
    if (!u || !u->Handle() || u->HasClick()) return false;
    if (!IsEventBound(*lw.tw, index, kPressEvent) && !IsEventBound(*lw.tw, index, kReleaseEvent)) return false;
    // A unit that types or is a system button keeps its keys.
    LRESULT code = SendMessageA(u->Handle(), WM_GETDLGCODE, 0, 0);
    return !(code & (DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_BUTTON | DLGC_WANTALLKEYS));
}

bool ClickUnit(LoadedWindow& lw, size_t index) {
    if (index == 0 || !Usable(lw, index)) return false;
    Unit* u = lw.units[index].get();
    if (u->HasClick()) {
        u->Click();
        return true;
    }
    if (!ClicksByPress(lw, index)) return false;
    RECT r;
    GetClientRect(u->Handle(), &r);
    const uint32_t windowId = lw.windowId, unitId = lw.tw->unitId(index);
    const HWND unitWindow = u->Handle();
    int32_t args[3] = {r.right / 2, r.bottom / 2, KeyState()};
    RaiseEvent(windowId, unitId, kPressEvent, args, 3);
    // The press may have closed the window or the unit (a modal window ran,
    // the program ended its window): the release goes only to a unit still
    // there, as a mouse release would.
    if (!IsWindow(unitWindow) || FindUnitHandle(windowId, unitId) != unitWindow) return true;
    args[2] = KeyState();
    RaiseEvent(windowId, unitId, kReleaseEvent, args, 3);
    return true;
}

std::vector<size_t> FocusOrder(const LoadedWindow& lw) {
    struct Place {
        size_t index;
        RECT rect;
        int row = 0;
    };
    std::vector<Place> places;
    for (size_t i = 1; i < lw.units.size(); ++i) {
        if (!Focusable(lw, i)) continue;
        Place p{i, {}};
        GetWindowRect(lw.units[i]->Handle(), &p.rect);
        places.push_back(p);
    }
    // Rows: by vertical centre; a unit joins the row whose first unit spans
    // its centre, so a box and the link beside it read as one line even when
    // their tops differ by a few pixels.
    auto centre = [](const Place& p) { return (p.rect.top + p.rect.bottom) / 2; };
    std::stable_sort(places.begin(), places.end(),
                     [&](const Place& a, const Place& b) { return centre(a) < centre(b); });
    const Place* rowStart = nullptr;
    int row = -1;
    for (Place& p : places) {
        if (!rowStart || centre(p) >= rowStart->rect.bottom) {
            rowStart = &p;
            ++row;
        }
        p.row = row;
    }
    std::stable_sort(places.begin(), places.end(), [&](const Place& a, const Place& b) {
        return std::make_tuple(lw.tw->tabOrder(a.index), a.row, a.rect.left, a.index) <
               std::make_tuple(lw.tw->tabOrder(b.index), b.row, b.rect.left, b.index);
    });
    std::vector<size_t> order;
    for (const Place& p : places) order.push_back(p.index);
    return order;
}

bool EnterByRole(LoadedWindow& lw) {
    auto it = Roles().find(lw.windowId);
    return it != Roles().end() && ClickRoleUnit(lw, it->second.defaultUnit);
}

bool CloseCommandByRole(LoadedWindow& lw) {
    auto it = Roles().find(lw.windowId);
    return it != Roles().end() && ClickRoleUnit(lw, it->second.closeUnit);
}

bool TrackFocusOnActivate(LoadedWindow& lw, WPARAM wp) {
    HWND frame = lw.hwnd();
    if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        lw.focusOnDeactivate = focus && IsChild(frame, focus) ? focus : nullptr;
        return false;
    }
    HWND back = lw.focusOnDeactivate;
    lw.focusOnDeactivate = nullptr;
    if (!back || !IsWindow(back) || !IsChild(frame, back) || !IsWindowVisible(back) || !IsWindowEnabled(back) ||
        IsIconic(frame))
        return false;
    SetFocus(back);
    return true;
}

void InitialiseFocusCues(HWND frame) {
    SendMessageA(frame, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, kCueFlags), 0);
}

void ShowFocusCues(HWND frame) {
    if (SendMessageA(frame, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)
        SendMessageA(frame, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

bool HandleUiState(LoadedWindow& lw, UINT msg, WPARAM wp, LRESULT& result) {
    result = 0;
    if (msg == WM_QUERYUISTATE) {
        result = lw.uiState;
        return true;
    }
    if (msg != WM_CHANGEUISTATE && msg != WM_UPDATEUISTATE) return false;
    WORD action = LOWORD(wp);
    const WORD flags = HIWORD(wp) & kCueFlags;
    if (action == UIS_INITIALIZE) {
        // The system's "show keyboard cues always" decides; otherwise they
        // stay hidden until the keyboard is used.
        BOOL always = FALSE;
        SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &always, 0);
        action = always ? UIS_CLEAR : UIS_SET;
    }
    WORD state = lw.uiState;
    if (action == UIS_SET) state |= flags;
    else if (action == UIS_CLEAR) state &= static_cast<WORD>(~flags);
    if (state == lw.uiState) return true;
    lw.uiState = state;
    // Every control hears of it (and repaints its cue).
    const WPARAM update = MAKEWPARAM(action, flags);
    EnumChildWindows(
        lw.hwnd(),
        [](HWND child, LPARAM p) {
            SendMessageA(child, WM_UPDATEUISTATE, static_cast<WPARAM>(p), 0);
            return TRUE;
        },
        static_cast<LPARAM>(update));
    return true;
}

}  // namespace vx::windows::detail

namespace vx::windows {
void SetKeyboardRoles(uint32_t windowId, uint32_t defaultUnit, uint32_t closeUnit) {
    detail::Roles()[windowId] = detail::KeyboardRoles{defaultUnit, closeUnit};
}
}  // namespace vx::windows
