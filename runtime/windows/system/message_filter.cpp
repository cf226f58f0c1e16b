// The message filter every loaded window applies before a message from the
// queue is dispatched: the common mouse and key events of the units, the
// keyboard interface of the window and dragging by the background.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "runtime/base/text.h"
#include "runtime/windows/system/dpi.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/focus_order.h"
#include "runtime/windows/system/loaded_window.h"
#include "runtime/windows/template/event_numbers.h"

namespace vx::windows::detail {
namespace {

enum class Args { kMouse, kKey, kChar, kWheel };

struct EventMapping {
    UINT message;
    int32_t event;
    Args args;
};

namespace ev = wt::event;

constexpr EventMapping kEventMappings[] = {
    {WM_MOUSEMOVE, ev::kMouseMove, Args::kMouse},
    {WM_LBUTTONDOWN, ev::kLeftButtonDown, Args::kMouse},
    {WM_LBUTTONUP, ev::kLeftButtonUp, Args::kMouse},
    {WM_LBUTTONDBLCLK, ev::kLeftDoubleClick, Args::kMouse},
    {WM_RBUTTONDOWN, ev::kRightButtonDown, Args::kMouse},
    {WM_RBUTTONUP, ev::kRightButtonUp, Args::kMouse},
    {WM_KEYDOWN, ev::kKeyDown, Args::kKey},
    {WM_SYSKEYDOWN, ev::kKeyDown, Args::kKey},
    {WM_KEYUP, ev::kKeyUp, Args::kKey},
    {WM_SYSKEYUP, ev::kKeyUp, Args::kKey},
    {WM_CHAR, ev::kCharacter, Args::kChar},
    {WM_MOUSEWHEEL, ev::kMouseWheel, Args::kWheel},
};

int32_t MouseKeyState(WPARAM wp) {
    int32_t s = 0;
    if (wp & MK_CONTROL) s |= ev::kCtrl;
    if (wp & MK_SHIFT) s |= ev::kShift;
    if (GetKeyState(VK_MENU) < 0) s |= ev::kAlt;
    return s;
}

// The unit a message for `target` belongs to: the unit whose window it is, or
// one whose type counts its child windows as itself.
std::optional<size_t> UnitForTarget(const LoadedWindow& lw, HWND target) {
    for (HWND h = target; h; h = GetParent(h)) {
        if (std::optional<size_t> i = UnitIndexOfHandle(lw, h)) {
            if (h == target || (lw.stateFlags(*i) & (state::kChildWindowsCount | state::kChildWindowsCountToo)))
                return i;
            return std::nullopt;
        }
        if (h == lw.hwnd()) break;
    }
    return std::nullopt;
}

// Raises the common event for the message; true when the message must stop.
bool RaiseCommonEvent(LoadedWindow& lw, size_t index, MSG& msg) {
    const EventMapping* m = nullptr;
    for (const EventMapping& e : kEventMappings)
        if (e.message == msg.message) m = &e;
    if (!m) return false;
    int32_t args[3] = {};
    int32_t argc = 0;
    switch (m->args) {
    case Args::kMouse:
        // Handlers see template units, as they do the units' geometry.
        args[0] = dpi::Unscale(static_cast<int16_t>(LOWORD(msg.lParam)), lw.dpi);
        args[1] = dpi::Unscale(static_cast<int16_t>(HIWORD(msg.lParam)), lw.dpi);
        args[2] = MouseKeyState(msg.wParam);
        argc = 3;
        break;
    case Args::kKey:
        args[0] = static_cast<int32_t>(msg.wParam);
        args[1] = KeyState();
        argc = 2;
        break;
    case Args::kChar:
        args[0] = static_cast<int32_t>(msg.wParam);
        argc = 1;
        break;
    case Args::kWheel:
        args[0] = static_cast<int16_t>(HIWORD(msg.wParam)) / WHEEL_DELTA;
        args[1] = MouseKeyState(LOWORD(msg.wParam));
        argc = 2;
        break;
    }
    uint32_t unitId = index == 0 ? 0 : lw.tw->unitId(index);
    int32_t result = 0;
    bool hasResult = false;
    if (!RaiseEvent(lw.windowId, unitId, m->event, args, argc, &result, &hasResult)) return false;
    if (!hasResult || result == 0) return true;
    if (m->args == Args::kChar) msg.wParam = static_cast<WPARAM>(static_cast<uint32_t>(result));
    return false;
}

void MoveFocus(LoadedWindow& lw, std::optional<size_t> from, bool backwards) {
    std::vector<size_t> order = FocusOrder(lw);
    if (order.empty()) return;
    size_t next;
    auto at = from ? std::find(order.begin(), order.end(), *from) : order.end();
    if (at == order.end()) {
        next = backwards ? order.back() : order.front();
    } else {
        size_t pos = static_cast<size_t>(at - order.begin());
        next = backwards ? order[(pos + order.size() - 1) % order.size()] : order[(pos + 1) % order.size()];
    }
    ShowFocusCues(lw.hwnd());
    SetFocus(lw.units[next]->Handle());
    // Single-line edits select their text on entry, as in dialogs.
    char cls[16] = {};
    GetClassNameA(lw.units[next]->Handle(), cls, sizeof cls);
    if (lstrcmpiA(cls, "EDIT") == 0) SendMessageA(lw.units[next]->Handle(), EM_SETSEL, 0, -1);
}

bool HandleEnter(LoadedWindow& lw, std::optional<size_t> focused) {
    // A focused button or link acts, as a focused push button does in a
    // dialog.
    if (focused && ClickUnit(lw, *focused)) return true;
    if (lw.frame()->EnterMovesFocus()) {
        MoveFocus(lw, focused, false);
        return true;
    }
    for (size_t i = 1; i < lw.units.size(); ++i) {
        Unit* u = lw.units[i].get();
        if (!u || !u->Handle() || !IsWindowVisible(u->Handle()) || !IsWindowEnabled(u->Handle())) continue;
        if (u->WantsKey(VK_RETURN) && u->Mnemonic()) return true;
    }
    return EnterByRole(lw);
}

// Space on a link: its type has no keys of its own, so the window system
// gives it the click (buttons take Space themselves, on its release).
bool HandleSpace(LoadedWindow& lw, std::optional<size_t> focused, const MSG& msg) {
    constexpr LPARAM kRepeat = 1 << 30;  // the key was already down
    if (!focused || *focused == 0 || !ClicksByPress(lw, *focused)) return false;
    if (!(msg.lParam & kRepeat)) ClickUnit(lw, *focused);
    return true;
}

void OpenHelp(LoadedWindow& lw) {
    std::string file = lw.frame()->HelpFile();
    if (file.empty()) return;
    int32_t topic = lw.frame()->HelpTopic();
    if (WinHelpA(lw.hwnd(), file.c_str(), topic ? HELP_CONTEXT : HELP_FINDER, static_cast<ULONG_PTR>(topic)))
        lw.helpOpened = true;
}

bool HasMnemonic(const std::string& text, char c) {
    for (size_t i = 0; i + 1 < text.size(); i += text::CharWidth(text, i)) {
        if (text[i] == '&') {
            if (text[i + 1] == '&') {
                ++i;
                continue;
            }
            return std::toupper(static_cast<unsigned char>(text[i + 1])) == std::toupper(static_cast<unsigned char>(c));
        }
    }
    return false;
}

bool HandleMnemonic(LoadedWindow& lw, char c) {
    for (size_t i = 1; i < lw.units.size(); ++i) {
        Unit* u = lw.units[i].get();
        if (!u || !u->Handle() || !IsWindowVisible(u->Handle()) || !IsWindowEnabled(u->Handle())) continue;
        if (!HasMnemonic(u->MnemonicText(), c)) continue;
        if (!u->Mnemonic()) MoveFocus(lw, i, false);
        return true;
    }
    return false;
}

// The keyboard interface; true = consumed.
bool KeyboardInterface(LoadedWindow& lw, std::optional<size_t> targetUnit, const MSG& msg) {
    UINT vk = static_cast<UINT>(msg.wParam);
    if (msg.message == WM_SYSKEYDOWN) {
        bool letterOrDigit = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
        return letterOrDigit && HandleMnemonic(lw, static_cast<char>(vk));
    }
    if (msg.message != WM_KEYDOWN) return false;
    std::optional<size_t> focused = UnitForTarget(lw, GetFocus());
    if (!focused) focused = targetUnit;
    Unit* unit = focused ? lw.units[*focused].get() : nullptr;
    switch (vk) {
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        HWND focus = GetFocus();
        if (!unit || !focus || (SendMessageA(focus, WM_GETDLGCODE, vk, 0) & DLGC_WANTARROWS)) return false;
        ShowFocusCues(lw.hwnd());
        HWND next = GetNextDlgGroupItem(lw.hwnd(), focus, vk == VK_LEFT || vk == VK_UP);
        if (next && next != focus) SetFocus(next);
        return true;
    }
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_F1:
        if (unit && *focused != 0 && unit->WantsKey(vk)) {
            // A default push button takes Enter by acting on it; an edit box
            // gets the key itself.
            return vk == VK_RETURN && unit->Mnemonic();
        }
        break;
    case VK_SPACE: return HandleSpace(lw, focused, msg);
    default: return false;
    }
    switch (vk) {
    case VK_TAB: MoveFocus(lw, focused, GetKeyState(VK_SHIFT) < 0); return true;
    case VK_RETURN: return HandleEnter(lw, focused);
    case VK_ESCAPE:
        if (!lw.frame()->EscapeCloses()) return false;
        RequestClose(lw.windowId);
        return true;
    default:
        if (!lw.frame()->F1Help()) return false;
        OpenHelp(lw);
        return true;
    }
}

bool DragWindow(LoadedWindow& lw, size_t index, const MSG& msg) {
    if (!lw.frame()->DragAnywhere()) return false;
    if (index != 0 && !(lw.stateFlags(index) & state::kDragMovesWindow)) return false;
    POINT p{static_cast<int16_t>(LOWORD(msg.lParam)), static_cast<int16_t>(HIWORD(msg.lParam))};
    ClientToScreen(msg.hwnd, &p);
    ReleaseCapture();
    SendMessageA(lw.hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
    return true;
}

}  // namespace

bool PreTranslate(MSG& msg) {
    if (!msg.hwnd) return false;
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    LoadedWindowRef ref;
    for (const LoadedWindowRef& r : AllLoaded())
        if (r->alive && r->hwnd() == top) ref = r;
    if (!ref) return false;
    LoadedWindow& lw = *ref;
    bool keyboard = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
    if (keyboard && (!IsWindowEnabled(msg.hwnd) || !IsWindowEnabled(top))) return false;
    if (keyboard && lw.accel && TranslateAcceleratorA(top, lw.accel, &msg)) return true;

    for (size_t i = 0; i < lw.units.size() && lw.alive; ++i) {
        Unit* u = lw.units[i].get();
        if (u && (lw.stateFlags(i) & state::kFiltersMessages) && u->FilterMessage(msg)) return true;
    }
    std::optional<size_t> index = UnitForTarget(lw, msg.hwnd);
    if (index && RaiseCommonEvent(lw, *index, msg)) return true;
    if (!lw.alive) return true;
    if (keyboard) return KeyboardInterface(lw, index, msg);
    if (msg.message == WM_LBUTTONDOWN && index) return DragWindow(lw, *index, msg);
    return false;
}

}  // namespace vx::windows::detail
