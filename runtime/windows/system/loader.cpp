// Loading a window from its template record, close requests and destruction.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "runtime/errors.h"
#include "runtime/runtime_object.h"
#include "runtime/services.h"
#include "runtime/windows/system/dpi.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/loaded_window.h"
#include "runtime/windows/system/menu_shortcut.h"

namespace vx::windows {
namespace detail {

bool g_rebuilding = false;

namespace {

constexpr char kUnitProp[] = "VxUnit";
constexpr UINT_PTR kSubclassId = 0x5657;  // one subclass per unit window
constexpr int kFirstControlId = 100;
constexpr int kControlIdStep = 10;
constexpr UINT kFirstMenuCommand = 0xE000;

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
    if (lw.built) RaiseEvent(lw.windowId, 0, 2);  // a failed build raises nothing
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
    if (index < lw.tw->unitCount() && lw.tw->isMenuItem(index)) RaiseEvent(lw.windowId, lw.tw->unitId(index), 0);
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
            delete data;
            if (frame) {
                OnFrameGone(lw);
            } else if (lw.alive && !lw.closing && !g_rebuilding && index < lw.units.size()) {
                // A unit window destroyed on its own (a close command): its live
                // object goes with it, so nothing keeps a dead handle.
                lw.tw->SetLiveObject(index, nullptr);
                lw.units[index].reset();
            }
            return r;
        }
        default:
            break;
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    });
}

void Attach(LoadedWindow& lw, size_t index, Unit* unit) {
    lw.tw->SetLiveObject(index, unit);
    if (HWND h = unit->Handle()) {
        SetPropA(h, kUnitProp, unit);
        SetWindowSubclass(h, UnitSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(new SubclassData{&lw, index}));
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

Unit* CreateFromData(LoadedWindow& lw, size_t index, const uint8_t* data, size_t length, HWND parent,
                     int controlId, HMENU menu, bool modal, const RECT& rect) {
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

int32_t ReadLe32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// A cursor from the bytes of a cursor file: the first image of its
// directory, with its hot spot.
HCURSOR CursorFromFile(wt::Bytes file) {
    if (file.size() < 6 + 16) return nullptr;
    const uint8_t* p = file.data();
    if (p[0] || p[1] || p[2] != 2 || p[3] != 0) return nullptr;
    const uint8_t* entry = p + 6;
    uint16_t hotX = static_cast<uint16_t>(entry[4] | entry[5] << 8);
    uint16_t hotY = static_cast<uint16_t>(entry[6] | entry[7] << 8);
    uint32_t size = static_cast<uint32_t>(ReadLe32(entry + 8));
    uint32_t offset = static_cast<uint32_t>(ReadLe32(entry + 12));
    if (offset > file.size() || size > file.size() - offset || size < 40) return nullptr;
    std::vector<uint8_t> res(4 + size);
    res[0] = static_cast<uint8_t>(hotX);
    res[1] = static_cast<uint8_t>(hotX >> 8);
    res[2] = static_cast<uint8_t>(hotY);
    res[3] = static_cast<uint8_t>(hotY >> 8);
    std::copy(p + offset, p + offset + size, res.begin() + 4);
    return reinterpret_cast<HCURSOR>(
        CreateIconFromResourceEx(res.data(), static_cast<DWORD>(res.size()), FALSE, 0x00030000, 0, 0, 0));
}

void SetFocusToFirstTabUnit(LoadedWindow& lw) {
    size_t best = 0;
    int32_t bestOrder = 0;
    for (size_t i = 1; i < lw.units.size(); ++i) {
        Unit* u = lw.units[i].get();
        if (!u || !u->Handle() || !(lw.tw->flags(i) & wt::kUnitTabStop)) continue;
        if (!IsWindowVisible(u->Handle()) || !IsWindowEnabled(u->Handle())) continue;
        int32_t order = lw.tw->tabOrder(i);
        if (best == 0 || order < bestOrder) {
            best = i;
            bestOrder = order;
        }
    }
    if (best) SetFocus(lw.units[best]->Handle());
}

// Steps 1 to 15 of a load. Returns whether the window was built (or an
// existing one activated).
bool Load(wt::TemplateWindow& tw, bool checkExisting, bool modal, HWND parent) {
    // 1: an existing window is only brought forward.
    if (!checkExisting) {
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
    }
    // 2
    if (modal) {
        parent = nullptr;
    } else if (parent && !IsWindow(parent)) {
        return false;
    }
    // 3
    HostRequest(2009, static_cast<intptr_t>(tw.id()), 0);

    auto ref = std::make_shared<LoadedWindow>();
    LoadedWindow& lw = *ref;
    lw.tw = &tw;
    lw.windowId = tw.id();
    lw.dpi = dpi::SystemDpi();
    lw.units.resize(tw.unitCount());
    lw.controlIds.assign(tw.unitCount(), 0);
    std::vector<bool> visible(tw.unitCount(), false);

    // 4
    lw.menu = BuildMenu(tw);
    lw.accel = BuildAccelerators(tw);

    // 5: the window first, then the units from the last back to the second.
    if (tw.unitCount() == 0) return false;
    {
        wt::Bytes data = tw.typeData(0);
        Unit* frame = CreateFromData(lw, 0, data.data(), data.size(), parent, 0, lw.menu, modal, StoredRect(lw, 0));
        if (!frame || !frame->Handle() || !dynamic_cast<FrameUnit*>(frame)) {
            delete frame;
            if (lw.menu) DestroyMenu(lw.menu);
            if (lw.accel) DestroyAcceleratorTable(lw.accel);
            lw.accel = nullptr;
            return false;
        }
        lw.units[0].reset(frame);
        visible[0] = checkExisting || (tw.flags(0) & wt::kUnitVisible);
        Registry().push_back(ref);
        Attach(lw, 0, frame);
        // Made at the system DPI; on a monitor of another DPI the frame is
        // made again for that one (centred where it was) before any unit.
        int shownAt = dpi::ForWindow(frame->Handle());
        if (shownAt != lw.dpi) {
            RECT r;
            GetWindowRect(frame->Handle(), &r);
            int w = MulDiv(r.right - r.left, shownAt, lw.dpi), h = MulDiv(r.bottom - r.top, shownAt, lw.dpi);
            int x = (r.left + r.right - w) / 2, y = (r.top + r.bottom - h) / 2;
            RECT place{x, y, x + w, y + h};
            SendMessageA(frame->Handle(), dpi::kMsgDpiChanged, MAKEWPARAM(shownAt, shownAt),
                         reinterpret_cast<LPARAM>(&place));
        }
    }
    auto fail = [&]() {
        if (lw.alive) DestroyWindow(lw.hwnd());
        return false;
    };
    int controlId = kFirstControlId - kControlIdStep;
    for (size_t i = tw.unitCount(); i-- > 1;) {
        if (tw.isMenuItem(i)) continue;
        controlId += kControlIdStep;
        wt::Bytes data = tw.typeData(i);
        Unit* unit = CreateFromData(lw, i, data.data(), data.size(), lw.hwnd(), controlId, nullptr, false,
                                    StoredRect(lw, i));
        if (!unit) return fail();
        lw.units[i].reset(unit);
        lw.controlIds[i] = controlId;
        Attach(lw, i, unit);
        if (!(lw.stateFlags(i) & state::kComponent)) visible[i] = (tw.flags(i) & wt::kUnitVisible) != 0;
    }

    // 6: parents and paged containers.
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

    // 7: stacking order back to table order.
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

    // 8
    for (size_t i = 0; i < tw.unitCount(); ++i)
        if (!tw.isMenuItem(i)) LoadUnitCursor(lw, i);

    // 9
    for (size_t i = tw.unitCount(); i-- > 0;)
        if (lw.units[i] && lw.units[i]->Handle()) SendMessageA(lw.units[i]->Handle(), kMsgUnitBuilt, 0, 0);
    SendMessageA(lw.hwnd(), kMsgWindowBuilt, 0, 0);

    // 10
    for (size_t i = 1; i < tw.unitCount(); ++i)
        if (lw.units[i] && lw.units[i]->Handle() && !(lw.stateFlags(i) & state::kComponent))
            lw.units[i]->Show(visible[i]);

    // 11
    HostRequest(2010, static_cast<intptr_t>(tw.id()), 0);

    // 12: the created events; any of them may close the window.
    lw.built = true;
    RaiseEvent(lw.windowId, 0, 0);
    if (lw.alive) RaiseEvent(lw.windowId, 0, 3);
    if (lw.alive) RaiseEvent(lw.windowId, 0, 4);
    if (!lw.alive) return true;

    // 13
    if (visible[0] && !IsWindowVisible(lw.hwnd())) {
        lw.frame()->ShowLoaded();
        if (lw.alive) SetFocusToFirstTabUnit(lw);
    }
    if (!lw.alive) return true;

    // 14
    if (modal) {
        lw.modal = true;
        for (const LoadedWindowRef& other : AllLoaded()) {
            if (other.get() == &lw || !other->alive) continue;
            HWND h = other->hwnd();
            bool wasEnabled = IsWindowEnabled(h) != FALSE;
            lw.disabledOthers.emplace_back(h, wasEnabled);
            EnableWindow(h, FALSE);
        }
    }

    // 15
    HWND focus = GetFocus();
    for (size_t i = tw.unitCount(); i-- > 0 && lw.alive;)
        if (lw.units[i] && lw.units[i]->Handle()) SendMessageA(lw.units[i]->Handle(), kMsgLoadFinished, 0, 0);
    if (lw.alive && GetFocus() != focus && focus && IsWindow(focus)) SetFocus(focus);
    lw.loadFinished = true;
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
        cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(ReadLe32(block.data())));
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
    g_rebuilding = true;
    Unit* fresh = CreateFromData(lw, index, bytes, length, parent, lw.controlIds[index], nullptr, false, rect);
    if (!fresh) {
        g_rebuilding = false;
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
    g_rebuilding = false;
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
    for (int32_t event : {12, 1}) {
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
