// SetXpStyle ("visual style library"). The look itself comes from the common
// controls 6 manifest and the control's theme; the library subclasses the
// standard controls of the calling thread (and, through a window-procedure
// hook, those created later) to keep their state and redraw them on change.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "runtime/base/errors.h"
#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/commands/visual_style.h"
#include "runtime/win32/handle_owner.h"

namespace vx::commands {
namespace {

constexpr const char* kStyledClasses[] = {
    "Button",        "Edit",          "msctls_hotkey32", "SysIPAddress32",    "ListBox",
    "SysListView32", "SysTreeView32", "ComboBox",        "SysDateTimePick32", "msctls_updown32",
    "ScrollBar",     "SysMonthCal32", "SysTabControl32", "msctls_progress32", "msctls_trackbar32",
};
// The drop-down list of a combo box: its procedure belongs to the combo box,
// so it is themed but never subclassed.
constexpr char kComboListClass[] = "ComboLBox";

// The subclass goes through the system's chain: another subclass put on top
// of it (the window system's own) stays intact when it is taken out, and
// taking it out never leaves a procedure of ours behind in the chain.
constexpr UINT_PTR kStyleSubclassId = 0x5853;  // "XS"

struct StyledWindow {
    HWND hwnd;
    bool subclassed;  // false: themed only
    bool disabled;
    bool focused;
    bool checked;
};

struct ThreadStyle {
    HookHandle hook;
    std::vector<StyledWindow> windows;
};

std::atomic<int32_t> gStyle{0};
thread_local ThreadStyle gThreadStyle;

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
    for (StyledWindow& w : gThreadStyle.windows)
        if (w.hwnd == hwnd) return &w;
    return nullptr;
}

void Redraw(HWND hwnd) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT CALLBACK StyledProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    return Contained([&]() -> LRESULT {
        StyledWindow* w = Find(hwnd);
        bool changed = false;
        switch (w ? msg : 0) {
        case WM_ENABLE:
            changed = w->disabled != !wp;
            w->disabled = !wp;
            break;
        case WM_SETFOCUS:
            changed = !w->focused;
            w->focused = true;
            break;
        case WM_KILLFOCUS:
            changed = w->focused;
            w->focused = false;
            break;
        case BM_SETCHECK:
            changed = w->checked != (wp == BST_CHECKED);
            w->checked = wp == BST_CHECKED;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, StyledProc, kStyleSubclassId);
            gThreadStyle.windows.erase(gThreadStyle.windows.begin() + (w - gThreadStyle.windows.data()));
            break;
        default: break;
        }
        LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        if (changed) InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    });
}

void Apply(HWND hwnd) {
    if (Find(hwnd)) return;
    ClassMatch match = MatchClass(hwnd);
    if (match == ClassMatch::kNone) return;
    StyledWindow w{hwnd, false, !IsWindowEnabled(hwnd), GetFocus() == hwnd, false};
    if (match != ClassMatch::kThemeOnly) {
        w.checked = match == ClassMatch::kButton && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        w.subclassed = SetWindowSubclass(hwnd, StyledProc, kStyleSubclassId, 0);
        if (!w.subclassed) return;
    }
    gThreadStyle.windows.push_back(w);
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
    return Contained([&]() -> LRESULT {
        if (code == HC_ACTION) {
            const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
            if (call->message == WM_CREATE) Apply(call->hwnd);
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    });
}

bool SwitchOn() {
    gThreadStyle.hook.reset(SetWindowsHookExA(WH_CALLWNDPROC, CallWndHook, nullptr, GetCurrentThreadId()));
    if (!gThreadStyle.hook) return false;
    EnumThreadWindows(GetCurrentThreadId(), ApplyToThreadWindow, 0);
    return true;
}

bool SwitchOff() {
    gThreadStyle.hook.reset();
    std::vector<StyledWindow> windows;
    windows.swap(gThreadStyle.windows);
    for (const StyledWindow& w : windows) {
        if (!IsWindow(w.hwnd)) continue;
        if (w.subclassed) RemoveWindowSubclass(w.hwnd, StyledProc, kStyleSubclassId);
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
