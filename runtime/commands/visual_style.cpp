// SetXpStyle ("visual style library"). The look itself comes from the common
// controls 6 manifest and the control's theme; the library subclasses the
// standard controls of the calling thread (and, through a window-procedure
// hook, those created later) to keep their state and redraw them on change.
#include <windows.h>
#include <uxtheme.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "runtime/commands/args.h"
#include "runtime/commands/commands.h"
#include "runtime/commands/visual_style.h"
#include "runtime/commands/win_handles.h"

namespace vx::commands {
namespace {

constexpr const char* kStyledClasses[] = {
    "Button", "Edit", "msctls_hotkey32", "SysIPAddress32", "ListBox", "SysListView32", "SysTreeView32",
    "ComboBox", "SysDateTimePick32", "msctls_updown32", "ScrollBar", "SysMonthCal32", "SysTabControl32",
    "msctls_progress32", "msctls_trackbar32",
};
// The drop-down list of a combo box: its procedure belongs to the combo box,
// so it is themed but never subclassed.
constexpr char kComboListClass[] = "ComboLBox";

struct StyledWindow {
    HWND hwnd;
    WNDPROC previous;  // null: themed only
    bool disabled;
    bool focused;
    bool checked;
};

struct ThreadStyle {
    HookHandle hook;
    std::vector<StyledWindow> windows;
};

std::atomic<int32_t> gStyle{0};
thread_local ThreadStyle tStyle;

enum class ClassMatch { kNone, kSubclass, kButton, kThemeOnly };

ClassMatch MatchClass(HWND hwnd) {
    char name[64] = {};
    if (!GetClassNameA(hwnd, name, sizeof name)) return ClassMatch::kNone;
    if (lstrcmpiA(name, kComboListClass) == 0) return ClassMatch::kThemeOnly;
    if (lstrcmpiA(name, "Button") == 0) return ClassMatch::kButton;
    for (const char* styled : kStyledClasses)
        if (lstrcmpiA(name, styled) == 0) return ClassMatch::kSubclass;
    return ClassMatch::kNone;
}

StyledWindow* Find(HWND hwnd) {
    for (StyledWindow& w : tStyle.windows)
        if (w.hwnd == hwnd) return &w;
    return nullptr;
}

void Redraw(HWND hwnd) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT CALLBACK StyledProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    StyledWindow* w = Find(hwnd);
    if (!w || !w->previous) return DefWindowProcA(hwnd, msg, wp, lp);
    WNDPROC previous = w->previous;
    bool changed = false;
    switch (msg) {
    case WM_ENABLE: changed = w->disabled != !wp; w->disabled = !wp; break;
    case WM_SETFOCUS: changed = !w->focused; w->focused = true; break;
    case WM_KILLFOCUS: changed = w->focused; w->focused = false; break;
    case BM_SETCHECK: changed = w->checked != (wp == BST_CHECKED); w->checked = wp == BST_CHECKED; break;
    case WM_NCDESTROY:
        // Give the control its own procedure back before it goes.
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        tStyle.windows.erase(tStyle.windows.begin() + (w - tStyle.windows.data()));
        return CallWindowProcA(previous, hwnd, msg, wp, lp);
    default: break;
    }
    LRESULT r = CallWindowProcA(previous, hwnd, msg, wp, lp);
    if (changed) InvalidateRect(hwnd, nullptr, TRUE);
    return r;
}

void Apply(HWND hwnd) {
    if (Find(hwnd)) return;
    ClassMatch match = MatchClass(hwnd);
    if (match == ClassMatch::kNone) return;
    StyledWindow w{hwnd, nullptr, !IsWindowEnabled(hwnd), GetFocus() == hwnd, false};
    if (match != ClassMatch::kThemeOnly) {
        w.checked = match == ClassMatch::kButton && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        w.previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StyledProc)));
        if (!w.previous) return;
    }
    tStyle.windows.push_back(w);
    SetWindowTheme(hwnd, nullptr, nullptr);
    Redraw(hwnd);
}

BOOL CALLBACK ApplyToChild(HWND hwnd, LPARAM) {
    Apply(hwnd);
    return TRUE;
}

BOOL CALLBACK ApplyToThreadWindow(HWND hwnd, LPARAM) {
    Apply(hwnd);
    EnumChildWindows(hwnd, ApplyToChild, 0);
    return TRUE;
}

LRESULT CALLBACK CallWndHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (call->message == WM_CREATE) Apply(call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

bool SwitchOn() {
    tStyle.hook.reset(SetWindowsHookExA(WH_CALLWNDPROC, CallWndHook, nullptr, GetCurrentThreadId()));
    if (!tStyle.hook) return false;
    EnumThreadWindows(GetCurrentThreadId(), ApplyToThreadWindow, 0);
    return true;
}

bool SwitchOff() {
    tStyle.hook.reset();
    std::vector<StyledWindow> windows;
    windows.swap(tStyle.windows);
    for (const StyledWindow& w : windows) {
        if (!IsWindow(w.hwnd)) continue;
        // Only a procedure still ours is put back: someone may have
        // subclassed the control on top of it since.
        if (w.previous &&
            GetWindowLongPtrA(w.hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&StyledProc)) {
            SetWindowLongPtrA(w.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(w.previous));
        }
        SetWindowTheme(w.hwnd, L"", L"");
        Redraw(w.hwnd);
    }
    return true;
}

}  // namespace

int32_t CurrentXpStyle() { return gStyle.load(); }

bool IsXpStyled(HWND hwnd) { return Find(hwnd) != nullptr; }

void SetXpStyle(ValueRecord* result, int32_t argc, ValueRecord* args) {
    int32_t style = IntArg(Arg(argc, args, 0));
    gStyle = style;
    bool ok = SwitchOff();
    if (style >= 1 && style <= 3) ok = SwitchOn();
    result->SetBool(ok);
}

}  // namespace vx::commands
