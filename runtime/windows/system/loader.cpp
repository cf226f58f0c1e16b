// Loading a window from its template record, close requests and destruction.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "runtime/base/byte_reader.h"
#include "runtime/base/errors.h"
#include "runtime/process/runtime_object.h"
#include "runtime/process/services.h"
#include "runtime/windows/system/dpi.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/focus_order.h"
#include "runtime/windows/system/loaded_window.h"
#include "runtime/windows/system/menu_shortcut.h"
#include "runtime/windows/template/event_numbers.h"

namespace vx::windows {
namespace detail {

bool gRebuilding = false;

namespace {

constexpr char kUnitProp[] = "VxUnit";
constexpr UINT_PTR kSubclassId = 0x5657;  // one subclass per unit window
constexpr int kFirstControlId = 100;
constexpr int kControlIdStep = 10;
constexpr UINT kFirstMenuCommand = 0xE000;
// The low four bits of a system command are the system's own.
constexpr WPARAM kSysCommandMask = 0xFFF0;

std::vector<LoadedWindowRef>& Registry() {
    static std::vector<LoadedWindowRef> list;
    return list;
}

void Unregister(LoadedWindow* lw) {
    auto& list = Registry();
    list.erase(std::remove_if(list.begin(), list.end(), [lw](const LoadedWindowRef& r) { return r.get() == lw; }),
               list.end());
}

// Unit windows are subclassed for their mouse pointer; the frame also for
// close requests, menu commands and its destruction.
struct SubclassData {
    LoadedWindow* lw;
    size_t index;
};

void EnableDisabledOthers(LoadedWindow& lw) {
    for (auto it = lw.disabledOthers.rbegin(); it != lw.disabledOthers.rend(); ++it)
        if (IsWindow(it->first)) EnableWindow(it->first, it->second ? TRUE : FALSE);
    lw.disabledOthers.clear();
}

void OnFrameDestroy(LoadedWindow& lw) {
    lw.closing = true;
    if (lw.built) RaiseEvent(lw.windowId, 0, wt::event::kWindowDestroyed);  // a failed build raises nothing
    if (lw.helpOpened) {
        std::string file = lw.frame() ? lw.frame()->HelpFile() : std::string();
        WinHelpA(lw.hwnd(), file.empty() ? nullptr : file.c_str(), HELP_QUIT, 0);
        lw.helpOpened = false;
    }
    if (lw.menu) {
        SetMenu(lw.hwnd(), nullptr);
        DestroyMenu(lw.menu);
        lw.menu = nullptr;
    }
    if (lw.accel) {
        DestroyAcceleratorTable(lw.accel);
        lw.accel = nullptr;
    }
    // A modal window destroyed without a close request still gives the
    // others back.
    EnableDisabledOthers(lw);
}

void OnFrameGone(LoadedWindow& lw) {
    LoadedWindowRef keep = FindLoadedRef(lw.windowId);
    lw.alive = false;
    for (size_t i = lw.units.size(); i-- > 0;) lw.units[i].reset();
    for (HCURSOR c : lw.ownedCursors) DestroyCursor(c);
    lw.ownedCursors.clear();
    lw.tw->ClearSlots();
    if (lw.accel) {
        DestroyAcceleratorTable(lw.accel);
        lw.accel = nullptr;
    }
    Unregister(&lw);
    OnProgramWindowDestroyed();
}

void RaiseMenuClick(LoadedWindow& lw, UINT command) {
    size_t index = command - kFirstMenuCommand;
    if (index < lw.tw->unitCount() && lw.tw->isMenuItem(index))
        RaiseEvent(lw.windowId, lw.tw->unitId(index), wt::event::kClicked);
}

LRESULT CALLBACK UnitSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
    return Contained([&]() -> LRESULT {
        auto* data = reinterpret_cast<SubclassData*>(ref);
        LoadedWindow& lw = *data->lw;
        size_t index = data->index;
        switch (msg) {
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wp) == hwnd && LOWORD(lp) == HTCLIENT && lw.alive) {
                if (HCURSOR c = static_cast<HCURSOR>(lw.tw->cursor(index))) {
                    SetCursor(c);
                    return TRUE;
                }
            }
            break;
        case WM_CLOSE:
            if (index == 0) {
                RequestClose(lw.windowId);
                return 0;
            }
            break;
        case WM_CHANGEUISTATE:
        case WM_UPDATEUISTATE:
        case WM_QUERYUISTATE: {
            LRESULT result = 0;
            if (index == 0 && HandleUiState(lw, msg, wp, result)) return result;
            break;
        }
        case WM_ACTIVATE:
            if (index == 0 && TrackFocusOnActivate(lw, wp)) return 0;
            break;
        case WM_SYSCOMMAND:
            // The close command of a window whose close button is one of its
            // units goes there (Alt+F4 reaches a frameless window this way).
            if (index == 0 && (wp & kSysCommandMask) == SC_CLOSE && CloseCommandByRole(lw)) return 0;
            break;
        case kMsgCloseRequest:
            if (index == 0) {
                // A refused close leaves the window open, no longer closing.
                if (!RequestClose(lw.windowId) && lw.alive) lw.closing = false;
                return 0;
            }
            break;
        case WM_COMMAND:
            if (index == 0 && lp == 0 && HIWORD(wp) <= 1 && LOWORD(wp) >= kFirstMenuCommand) {
                RaiseMenuClick(lw, LOWORD(wp));
                return 0;
            }
            break;
        case dpi::kMsgDpiChanged:
            if (index == 0 && lw.alive) {
                // Disabled, the window may be in an install whose worker
                // writes to the units: they are rebuilt once it is enabled.
                if (!IsWindowEnabled(hwnd)) {
                    lw.pendingDpi = LOWORD(wp);
                    lw.pendingFrame = *reinterpret_cast<const RECT*>(lp);
                    return 0;
                }
                lw.pendingDpi = 0;
                // The frame's own procedure then remakes its background.
                Rescale(lw, LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
            }
            break;
        case WM_ENABLE:
            if (index == 0 && wp && lw.pendingDpi)
                PostMessageA(hwnd, dpi::kMsgDpiChanged, MAKEWPARAM(lw.pendingDpi, lw.pendingDpi),
                             reinterpret_cast<LPARAM>(&lw.pendingFrame));
            break;
        case WM_DESTROY:
            if (index == 0) OnFrameDestroy(lw);
            break;
        case WM_NCDESTROY: {
            RemoveWindowSubclass(hwnd, UnitSubclassProc, id);
            RemovePropA(hwnd, kUnitProp);
            LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
            bool frame = index == 0;
            std::unique_ptr<SubclassData> last(data);  // the window's last message: its data goes
            if (frame) {
                OnFrameGone(lw);
            } else if (lw.alive && !lw.closing && !gRebuilding && index < lw.units.size()) {
                // A unit window destroyed on its own (a close command): its live
                // object goes with it, so nothing keeps a dead handle.
                lw.tw->SetLiveObject(index, nullptr);
                lw.units[index].reset();
            }
            return r;
        }
        default: break;
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    });
}

void Attach(LoadedWindow& lw, size_t index, Unit* unit) {
    lw.tw->SetLiveObject(index, unit);
    if (HWND h = unit->Handle()) {
        SetPropA(h, kUnitProp, unit);
        // The subclass owns its data from here until WM_NCDESTROY.
        auto data = std::make_unique<SubclassData>(SubclassData{&lw, index});
        if (SetWindowSubclass(h, UnitSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(data.get())))
            data.release();
    }
}

DWORD UnitStyle(const LoadedWindow& lw, size_t index) {
    if (lw.stateFlags(index) & state::kComponent) return 0;
    uint32_t flags = lw.tw->flags(index);
    DWORD style = 0;
    if (flags & wt::kUnitDisabled) style |= WS_DISABLED;
    // A frame has no tab stop: on a top-level window the bit is WS_MAXIMIZEBOX.
    if ((flags & wt::kUnitTabStop) && index != 0) style |= WS_TABSTOP;
    return style;
}

Unit* CreateFromData(LoadedWindow& lw, size_t index, const uint8_t* data, size_t length, HWND parent, int controlId,
                     HMENU menu, bool modal, const RECT& rect) {
    const TypeDescriptor* type = lw.type(index);
    if (!type || !type->create) return nullptr;
    CreateParams p;
    p.data = data;
    p.length = length;
    p.style = UnitStyle(lw, index);
    p.parent = parent;
    p.controlId = controlId;
    p.menu = menu;
    p.left = rect.left;
    p.top = rect.top;
    p.width = rect.right;
    p.height = rect.bottom;
    p.dpi = lw.dpi;
    p.windowId = lw.windowId;
    p.unitId = lw.tw->unitId(index);
    p.modal = modal;
    return type->create(p);
}

// left, top, width, height (not a rectangle's right/bottom), in device
// pixels at the window's DPI.
RECT StoredRect(const LoadedWindow& lw, size_t index) {
    const wt::TemplateWindow& tw = *lw.tw;
    return RECT{dpi::Scale(tw.geometry(index, wt::kLeft), lw.dpi), dpi::Scale(tw.geometry(index, wt::kTop), lw.dpi),
                dpi::Scale(tw.geometry(index, wt::kWidth), lw.dpi),
                dpi::Scale(tw.geometry(index, wt::kHeight), lw.dpi)};
}

// Flat menu from the run of menu item units.
HMENU BuildMenu(const wt::TemplateWindow& tw) {
    HMENU menu = nullptr;
    for (size_t i = 0; i < tw.unitCount(); ++i) {
        if (!tw.isMenuItem(i)) continue;
        uint32_t flags = tw.flags(i);
        if (flags & wt::kMenuHidden) continue;
        if (!menu) menu = CreateMenu();
        std::string caption(tw.menuCaption(i));
        UINT mf = MF_STRING;
        if (flags & wt::kMenuDisabled) mf |= MF_GRAYED;
        if (flags & wt::kMenuChecked) mf |= MF_CHECKED;
        AppendMenuA(menu, mf, kFirstMenuCommand + i, caption.c_str());
    }
    return menu;
}

// The accelerator table of the shortcut keys the menu items' captions name
// (null when none does). Keys of hidden or disabled items do nothing: the
// system sends no command for a grayed or missing menu item.
HACCEL BuildAccelerators(const wt::TemplateWindow& tw) {
    std::vector<ACCEL> keys;
    for (size_t i = 0; i < tw.unitCount(); ++i) {
        if (!tw.isMenuItem(i)) continue;
        if (std::optional<ACCEL> key = MenuShortcut(tw.menuCaption(i), static_cast<WORD>(kFirstMenuCommand + i)))
            keys.push_back(*key);
    }
    return keys.empty() ? nullptr : CreateAcceleratorTableA(keys.data(), static_cast<int>(keys.size()));
}

// A cursor from the bytes of a cursor file: the first image of its
// directory, with its hot spot.
HCURSOR CursorFromFile(wt::Bytes file) {
    if (file.size() < 6 + 16) return nullptr;
    const uint8_t* p = file.data();
    if (p[0] || p[1] || p[2] != 2 || p[3] != 0) return nullptr;
    const uint8_t* entry = p + 6;
    uint32_t size = U32(entry + 8);
    uint32_t offset = U32(entry + 12);
    if (!Fits(file, offset, size) || size < 40) return nullptr;
    // The resource form: the hot spot's two words, then the image.
    std::vector<uint8_t> res(4 + size);
    PutU16(res.data(), U16(entry + 4));
    PutU16(res.data() + 2, U16(entry + 6));
    std::copy(p + offset, p + offset + size, res.begin() + 4);
    return reinterpret_cast<HCURSOR>(
        CreateIconFromResourceEx(res.data(), static_cast<DWORD>(res.size()), FALSE, 0x00030000, 0, 0, 0));
}

void SetFocusToFirstTabUnit(LoadedWindow& lw) {
    for (size_t i : FocusOrder(lw)) {
        if (!(lw.tw->flags(i) & wt::kUnitTabStop)) continue;
        SetFocus(lw.units[i]->Handle());
        return;
    }
}

// An existing window is only brought forward. True when it was; a
// window that is closing is destroyed first and loaded afresh.
bool BringForwardExisting(const wt::TemplateWindow& tw) {
    if (LoadedWindow* existing = FindLoaded(tw.id())) {
        HWND h = existing->hwnd();
        if (!existing->closing) {
            if (IsIconic(h)) {
                ShowWindow(h, SW_RESTORE);
            } else {
                SetActiveWindow(h);
                SetForegroundWindow(h);
            }
            return true;
        }
        DestroyWindow(h);
    }
    return false;
}

// The window's own unit: the frame window, registered as loaded.
// False (menu and accelerators gone) when the frame could not be made.
bool CreateFrame(const LoadedWindowRef& ref, bool checkExisting, bool modal, HWND parent, std::vector<bool>& visible) {
    LoadedWindow& lw = *ref;
    wt::TemplateWindow& tw = *lw.tw;
    wt::Bytes data = tw.typeData(0);
    std::unique_ptr<Unit> frame(
        CreateFromData(lw, 0, data.data(), data.size(), parent, 0, lw.menu, modal, StoredRect(lw, 0)));
    if (!frame || !frame->Handle() || !dynamic_cast<FrameUnit*>(frame.get())) {
        frame.reset();  // its window before the menu it holds
        if (lw.menu) DestroyMenu(lw.menu);
        if (lw.accel) DestroyAcceleratorTable(lw.accel);
        lw.accel = nullptr;
        return false;
    }
    lw.units[0] = std::move(frame);
    visible[0] = checkExisting || (tw.flags(0) & wt::kUnitVisible);
    Registry().push_back(ref);
    Attach(lw, 0, lw.units[0].get());
    // Made at the system DPI; on a monitor of another DPI the frame is
    // made again for that one (centred where it was) before any unit.
    HWND handle = lw.hwnd();
    int shownAt = dpi::ForWindow(handle);
    if (shownAt != lw.dpi) {
        RECT r;
        GetWindowRect(handle, &r);
        int w = MulDiv(r.right - r.left, shownAt, lw.dpi), h = MulDiv(r.bottom - r.top, shownAt, lw.dpi);
        int x = (r.left + r.right - w) / 2, y = (r.top + r.bottom - h) / 2;
        RECT place{x, y, x + w, y + h};
        SendMessageA(handle, dpi::kMsgDpiChanged, MAKEWPARAM(shownAt, shownAt), reinterpret_cast<LPARAM>(&place));
    }
    return true;
}

// The other units, from the last back to the second, with the next
// control identifiers. A unit that cannot be made ends the window.
bool CreateUnits(LoadedWindow& lw, std::vector<bool>& visible) {
    wt::TemplateWindow& tw = *lw.tw;
    auto fail = [&]() {
        if (lw.alive) DestroyWindow(lw.hwnd());
        return false;
    };
    int controlId = kFirstControlId - kControlIdStep;
    for (size_t i = tw.unitCount(); i-- > 1;) {
        if (tw.isMenuItem(i)) continue;
        controlId += kControlIdStep;
        wt::Bytes data = tw.typeData(i);
        Unit* unit =
            CreateFromData(lw, i, data.data(), data.size(), lw.hwnd(), controlId, nullptr, false, StoredRect(lw, i));
        if (!unit) return fail();
        lw.units[i].reset(unit);
        lw.controlIds[i] = controlId;
        Attach(lw, i, unit);
        if (!(lw.stateFlags(i) & state::kComponent)) visible[i] = (tw.flags(i) & wt::kUnitVisible) != 0;
    }
    return true;
}

// Parents and paged containers.
void SetParents(LoadedWindow& lw, std::vector<bool>& visible) {
    const wt::TemplateWindow& tw = *lw.tw;
    for (size_t i = 1; i < tw.unitCount(); ++i) {
        Unit* u = lw.units[i].get();
        if (!u || !u->Handle()) continue;
        uint32_t parentId = tw.parent(i);
        if (parentId == 0) continue;
        std::optional<size_t> pi = tw.FindUnit(parentId);
        if (!pi || !lw.units[*pi] || !lw.units[*pi]->Handle()) continue;
        if (*pi != 0) SetParent(u->Handle(), lw.units[*pi]->Handle());
        if (OnHiddenPage(lw, i)) visible[i] = false;
    }
}

// Stacking order back to table order.
void RestoreStackingOrder(LoadedWindow& lw) {
    const wt::TemplateWindow& tw = *lw.tw;
    for (size_t i = 1; i < tw.unitCount(); ++i) {
        Unit* u = lw.units[i].get();
        if (!u || !u->Handle()) continue;
        HWND after = HWND_TOP;
        for (size_t j = i; j-- > 1;) {
            Unit* v = lw.units[j].get();
            if (v && v->Handle() && tw.parent(j) == tw.parent(i)) {
                after = v->Handle();
                break;
            }
        }
        SetWindowPos(u->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
}

// Every unit's mouse pointer.
void LoadCursors(LoadedWindow& lw) {
    const wt::TemplateWindow& tw = *lw.tw;
    for (size_t i = 0; i < tw.unitCount(); ++i)
        if (!tw.isMenuItem(i)) LoadUnitCursor(lw, i);
}

// The built messages, to the units from the last to the first, then
// to the window.
void SendBuiltMessages(LoadedWindow& lw) {
    const wt::TemplateWindow& tw = *lw.tw;
    for (size_t i = tw.unitCount(); i-- > 0;)
        if (lw.units[i] && lw.units[i]->Handle()) SendMessageA(lw.units[i]->Handle(), kMsgUnitBuilt, 0, 0);
    SendMessageA(lw.hwnd(), kMsgWindowBuilt, 0, 0);
}

// Units shown or hidden as noted, without activation.
void ShowUnits(LoadedWindow& lw, const std::vector<bool>& visible) {
    const wt::TemplateWindow& tw = *lw.tw;
    for (size_t i = 1; i < tw.unitCount(); ++i)
        if (lw.units[i] && lw.units[i]->Handle() && !(lw.stateFlags(i) & state::kComponent))
            lw.units[i]->Show(visible[i]);
}

// The created events; any of them may close the window.
void RaiseCreatedEvents(LoadedWindow& lw) {
    lw.built = true;
    RaiseEvent(lw.windowId, 0, wt::event::kWindowCreated);
    if (lw.alive) RaiseEvent(lw.windowId, 0, wt::event::kWindowCreatedNext);
    if (lw.alive) RaiseEvent(lw.windowId, 0, wt::event::kWindowCreatedLast);
}

// A window noted visible is shown, the focus on its first unit.
void ShowBuiltWindow(LoadedWindow& lw, bool visible) {
    InitialiseFocusCues(lw.hwnd());
    if (visible && !IsWindowVisible(lw.hwnd())) {
        lw.frame()->ShowLoaded();
        if (lw.alive) SetFocusToFirstTabUnit(lw);
    }
}

// A modal window disables every other loaded window, remembering
// whether it was enabled.
void DisableOthers(LoadedWindow& lw) {
    lw.modal = true;
    for (const LoadedWindowRef& other : AllLoaded()) {
        if (other.get() == &lw || !other->alive) continue;
        HWND h = other->hwnd();
        bool wasEnabled = IsWindowEnabled(h) != FALSE;
        lw.disabledOthers.emplace_back(h, wasEnabled);
        EnableWindow(h, FALSE);
    }
}

// The load-finished messages, from the last unit to the first; the
// focus goes back where it was if one of them moved it.
void FinishLoad(LoadedWindow& lw) {
    const wt::TemplateWindow& tw = *lw.tw;
    HWND focus = GetFocus();
    for (size_t i = tw.unitCount(); i-- > 0 && lw.alive;)
        if (lw.units[i] && lw.units[i]->Handle()) SendMessageA(lw.units[i]->Handle(), kMsgLoadFinished, 0, 0);
    if (lw.alive && GetFocus() != focus && focus && IsWindow(focus)) SetFocus(focus);
    lw.loadFinished = true;
}

// A load, step by step: bring an existing window forward, or build the
// window and its units, then raise its created events and show it. Returns
// whether the window was built (or an existing one activated).
bool Load(wt::TemplateWindow& tw, bool checkExisting, bool modal, HWND parent) {
    if (!checkExisting && BringForwardExisting(tw)) return true;
    // A modal window has no parent; a given parent must still exist.
    if (modal) {
        parent = nullptr;
    } else if (parent && !IsWindow(parent)) {
        return false;
    }
    HostRequest(kHostBeforeBuild, static_cast<intptr_t>(tw.id()), 0);

    auto ref = std::make_shared<LoadedWindow>();
    LoadedWindow& lw = *ref;
    lw.tw = &tw;
    lw.windowId = tw.id();
    lw.dpi = dpi::SystemDpi();
    lw.units.resize(tw.unitCount());
    lw.controlIds.assign(tw.unitCount(), 0);
    std::vector<bool> visible(tw.unitCount(), false);

    lw.menu = BuildMenu(tw);
    lw.accel = BuildAccelerators(tw);

    if (tw.unitCount() == 0) return false;
    if (!CreateFrame(ref, checkExisting, modal, parent, visible)) return false;
    if (!CreateUnits(lw, visible)) return false;
    SetParents(lw, visible);
    RestoreStackingOrder(lw);
    LoadCursors(lw);
    SendBuiltMessages(lw);
    ShowUnits(lw, visible);
    HostRequest(kHostAfterBuild, static_cast<intptr_t>(tw.id()), 0);

    RaiseCreatedEvents(lw);
    if (!lw.alive) return true;
    ShowBuiltWindow(lw, visible[0]);
    if (!lw.alive) return true;
    if (modal) DisableOthers(lw);
    FinishLoad(lw);
    return true;
}

bool WindowGone(void* context) { return !static_cast<LoadedWindow*>(context)->alive; }

void RunModal(const LoadedWindowRef& ref, HWND parent) {
    if (parent) {
        if (LoadedWindow* p = FindLoadedByFrame(parent))
            if (p->frame()->AlwaysOnTop()) ref->frame()->SetAlwaysOnTop(true);
    }
    RunModalLoop(WindowGone, ref.get());
}

}  // namespace

LoadedWindow* FindLoaded(uint32_t windowId) {
    for (const LoadedWindowRef& r : Registry())
        if (r->windowId == windowId && r->alive) return r.get();
    return nullptr;
}

LoadedWindowRef FindLoadedRef(uint32_t windowId) {
    for (const LoadedWindowRef& r : Registry())
        if (r->windowId == windowId) return r;
    return nullptr;
}

LoadedWindow* FindLoadedByFrame(HWND frame) {
    for (const LoadedWindowRef& r : Registry())
        if (r->alive && r->hwnd() == frame) return r.get();
    return nullptr;
}

std::vector<LoadedWindowRef> AllLoaded() { return Registry(); }

std::optional<size_t> UnitIndex(const LoadedWindow& lw, uint32_t unitId) {
    if (unitId == 0) return 0;
    return lw.tw->FindUnit(unitId);
}

std::optional<size_t> UnitIndexOfHandle(const LoadedWindow& lw, HWND hwnd) {
    for (size_t i = 0; i < lw.units.size(); ++i)
        if (lw.units[i] && lw.units[i]->Handle() == hwnd) return i;
    return std::nullopt;
}

void LoadUnitCursor(LoadedWindow& lw, size_t index) {
    wt::Bytes block = lw.tw->mousePointer(index);
    HCURSOR cursor = nullptr;
    if (block.size() == 4) {
        cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(I32(block.data())));
    } else if (block.size() > 4) {
        cursor = CursorFromFile(block);
        if (cursor) lw.ownedCursors.push_back(cursor);
    }
    lw.tw->SetCursor(index, cursor);
}

bool OnHiddenPage(const LoadedWindow& lw, size_t index) {
    const wt::TemplateWindow& tw = *lw.tw;
    uint32_t parentId = tw.parent(index);
    if (parentId == 0) return false;
    std::optional<size_t> pi = tw.FindUnit(parentId);
    if (!pi || !(lw.stateFlags(*pi) & state::kPagedContainer)) return false;
    bool pastFirstPage = false;
    for (uint32_t k = 0; k < tw.childCount(*pi); ++k) {
        uint32_t child = tw.child(*pi, k);
        if (child == 0) pastFirstPage = true;
        else if (child == tw.unitId(index)) return pastFirstPage;
    }
    return false;
}

void RebuildUnit(LoadedWindow& lw, size_t index, const RECT* place) {
    Unit* old = lw.units[index].get();
    if (!old || index == 0) return;
    HWND oldHwnd = old->Handle();
    std::string data = old->CurrentData();
    wt::Bytes stored = lw.tw->typeData(index);
    const uint8_t* bytes = data.empty() ? stored.data() : reinterpret_cast<const uint8_t*>(data.data());
    size_t length = data.empty() ? stored.size() : data.size();
    RECT rect = StoredRect(lw, index);
    HWND parent = lw.hwnd();
    HWND above = nullptr;
    bool wasVisible = false, wasEnabled = true;
    if (oldHwnd) {
        parent = GetParent(oldHwnd);
        above = GetWindow(oldHwnd, GW_HWNDPREV);
        wasVisible = IsWindowVisible(oldHwnd) != FALSE;
        wasEnabled = IsWindowEnabled(oldHwnd) != FALSE;
        RECT r;
        GetWindowRect(oldHwnd, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        rect = RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    if (place) rect = RECT{place->left, place->top, place->right - place->left, place->bottom - place->top};
    gRebuilding = true;
    Unit* fresh = CreateFromData(lw, index, bytes, length, parent, lw.controlIds[index], nullptr, false, rect);
    if (!fresh) {
        gRebuilding = false;
        return;
    }
    if (oldHwnd) DestroyWindow(oldHwnd);
    lw.units[index].reset(fresh);
    Attach(lw, index, fresh);
    if (HWND h = fresh->Handle()) {
        SetWindowPos(h, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        fresh->Enable(wasEnabled);
        SendMessageA(h, kMsgUnitBuilt, 0, 0);
        SendMessageA(h, kMsgLoadFinished, 0, 0);
        fresh->Show(wasVisible);
    }
    gRebuilding = false;
}

void Rescale(LoadedWindow& lw, int newDpi, const RECT& frame) {
    int oldDpi = lw.dpi;
    if (newDpi <= 0 || newDpi == oldDpi) return;
    auto convert = [&](LONG v) { return dpi::Scale(dpi::Unscale(v, oldDpi), newDpi); };
    // Each unit's place as it is now (moves at run time included), taken
    // back to template units and out at the new DPI.
    std::vector<std::optional<RECT>> places(lw.units.size());
    for (size_t i = 1; i < lw.units.size(); ++i) {
        Unit* u = lw.units[i].get();
        if (!u || !u->Handle()) continue;
        RECT r;
        GetWindowRect(u->Handle(), &r);
        MapWindowPoints(nullptr, GetParent(u->Handle()), reinterpret_cast<POINT*>(&r), 2);
        places[i] = RECT{convert(r.left), convert(r.top), convert(r.left) + convert(r.right - r.left),
                         convert(r.top) + convert(r.bottom - r.top)};
    }
    lw.dpi = newDpi;
    SetWindowPos(lw.hwnd(), nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // Fonts, pictures and regions are made for a DPI when a unit is built:
    // every windowed unit is built again (components have nothing to scale).
    HWND focus = GetFocus();
    std::optional<size_t> focused = UnitIndexOfHandle(lw, focus);
    for (size_t i = 1; i < lw.units.size() && lw.alive; ++i)
        if (places[i] && lw.units[i]) RebuildUnit(lw, i, &*places[i]);
    if (focused && lw.alive && lw.units[*focused] && lw.units[*focused]->Handle())
        SetFocus(lw.units[*focused]->Handle());
}

void RebuildMenu(LoadedWindow& lw) {
    HMENU fresh = BuildMenu(*lw.tw);
    SetMenu(lw.hwnd(), fresh);
    if (lw.menu) DestroyMenu(lw.menu);
    lw.menu = fresh;
    DrawMenuBar(lw.hwnd());
    // A caption write may have changed the shortcut it names.
    if (lw.accel) DestroyAcceleratorTable(lw.accel);
    lw.accel = BuildAccelerators(*lw.tw);
}

void ShowFrameAsLoaded(uint32_t windowId) {
    LoadedWindowRef ref = FindLoadedRef(windowId);
    if (!ref || !ref->alive) return;
    ref->frame()->ShowLoaded();
    if (ref->modal && ref->loadFinished) RunModal(ref, nullptr);
}

}  // namespace detail

using namespace detail;

bool LoadWindow(uint32_t windowId, HWND parent, bool modal) {
    wt::TemplateWindow* tw = wt::LoadedTemplate().FindWindow(windowId);
    if (!tw) return false;
    bool existed = FindLoaded(windowId) != nullptr;
    if (!Load(*tw, false, modal, parent)) return false;
    LoadedWindowRef ref = FindLoadedRef(windowId);
    if (!existed && modal && ref && ref->alive && (tw->flags(0) & wt::kUnitVisible)) RunModal(ref, parent);
    return true;
}

bool IsWindowLoaded(uint32_t windowId) { return FindLoaded(windowId) != nullptr; }

Unit* FindLiveUnit(uint32_t windowId, uint32_t unitId) {
    LoadedWindow* lw = FindLoaded(windowId);
    if (!lw) return nullptr;
    std::optional<size_t> i = UnitIndex(*lw, unitId);
    return i ? lw->units[*i].get() : nullptr;
}

HWND FindUnitHandle(uint32_t windowId, uint32_t unitId) {
    Unit* u = FindLiveUnit(windowId, unitId);
    return u ? u->Handle() : nullptr;
}

bool RequestClose(uint32_t windowId) {
    LoadedWindowRef ref = FindLoadedRef(windowId);
    if (!ref || !ref->alive) return false;
    for (int32_t event : {wt::event::kWindowQueryClose, wt::event::kWindowClose}) {
        int32_t result = 0;
        bool hasResult = false;
        if (RaiseEvent(windowId, 0, event, nullptr, 0, &result, &hasResult) && hasResult && result == 0) return false;
        if (!ref->alive) return true;
    }
    EnableDisabledOthers(*ref);
    ref->closing = true;
    DestroyWindow(ref->hwnd());
    return true;
}

bool PostCloseRequest(uint32_t windowId) {
    LoadedWindowRef ref = FindLoadedRef(windowId);
    if (!ref || !ref->alive) return false;
    ref->closing = true;
    PostMessageA(ref->hwnd(), kMsgCloseRequest, 0, 0);
    return true;
}

HWND OwnerWindow() {
    if (HWND h = Runtime().hiddenWindow) return h;
    // Without an initialised runtime (tools, tests) keep one of our own.
    static HWND own = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VxWindowOwner";
        RegisterClassA(&wc);
        return CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               wc.hInstance, nullptr);
    }();
    return own;
}

}  // namespace vx::windows
