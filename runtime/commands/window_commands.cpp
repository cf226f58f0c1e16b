// GetWindowHandle, LoadWindow, WindowClose, WindowSetZOrder: the window
// system answers through its host requests (window list, load, window
// object, live unit object).
#include <windows.h>

#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/commands/window_rules.h"
#include "runtime/base/errors.h"
#include "runtime/process/services.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/windows/template/template.h"

namespace vx::commands {
namespace {

// The window system turns a close message to a frame into its close
// request (close events, then destruction unless a handler refuses).
constexpr UINT kCloseAtOnceMessage = WM_CLOSE;

constexpr char kNoSuchUnit[] = "指定窗口或窗口组件不存在或尚未载入";

windows::FrameUnit* WindowObject(uint32_t windowId) {
    return reinterpret_cast<windows::FrameUnit*>(HostRequest(kHostWindowObject, windowId, 0));
}

// The live object a reference names; an unknown or unloaded one is a
// run-time error.
windows::Unit* LiveUnit(const WindowReference& ref) {
    auto* unit = reinterpret_cast<windows::Unit*>(HostRequest(kHostLiveUnit, ref.windowId, ref.unitId));
    if (!unit) ReportError(kNoSuchUnit, 0);
    return unit;
}

// The frame of a loaded window, or null. Looked up in the loaded window list
// rather than through request 2006, which raises for a window not open.
HWND LoadedFrame(uint32_t windowId) {
    auto* list = reinterpret_cast<wt::Template*>(HostRequest(kHostWindowList, 0, 0));
    wt::TemplateWindow* window = list ? list->FindWindow(windowId) : nullptr;
    auto* frame = window && window->unitCount() ? static_cast<windows::Unit*>(window->liveObject(0)) : nullptr;
    HWND hwnd = frame ? frame->Handle() : nullptr;
    return hwnd && IsWindow(hwnd) ? hwnd : nullptr;
}

bool NamesWindowItself(const WindowReference& ref, windows::FrameUnit* frame) {
    return ref.unitId == 0 || (frame && ref.unitId == frame->UnitId());
}

}  // namespace

void GetWindowHandle(ValueRecord* result, int32_t argc, ValueRecord* args) {
    windows::Unit* unit = LiveUnit(ReferenceOf(Arg(argc, args, 0)));
    result->SetInt(static_cast<int32_t>(reinterpret_cast<intptr_t>(unit->Handle())));
}

void LoadWindow(ValueRecord* result, int32_t argc, ValueRecord* args) {
    WindowReference target = ReferenceOf(Arg(argc, args, 0));
    windows::LoadRequest request{target.windowId, nullptr, BoolArg(Arg(argc, args, 2))};
    const ValueRecord& parentArg = Arg(argc, args, 1);
    if (parentArg.Given()) {
        request.parent = LoadedFrame(ReferenceOf(parentArg).windowId);
        if (!request.parent) return;  // a parent that is not open
    }
    result->SetBool(HostRequest(kHostLoadWindow, reinterpret_cast<intptr_t>(&request), 0) != 0);
}

void WindowClose(ValueRecord*, int32_t argc, ValueRecord* args) {
    WindowReference ref = ReferenceOf(Arg(argc, args, 0));
    bool atOnce = BoolArg(Arg(argc, args, 1));
    windows::FrameUnit* frame = WindowObject(ref.windowId);
    if (NamesWindowItself(ref, frame)) {
        if (!frame || !frame->Handle()) return;  // not loaded: nothing to close
        if (atOnce) SendMessageA(frame->Handle(), kCloseAtOnceMessage, 0, 0);
        else windows::PostCloseRequest(ref.windowId);
        return;
    }
    HWND control = LiveUnit(ref)->Handle();
    if (control) DestroyWindow(control);
}

void WindowSetZOrder(ValueRecord*, int32_t argc, ValueRecord* args) {
    WindowReference ref = ReferenceOf(Arg(argc, args, 0));
    const ValueRecord& position = Arg(argc, args, 1);
    ZOrder order = ZOrderOf(position.Given(), IntArg(position, 1));
    static const HWND kInsertAfter[] = {HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST};
    windows::Unit* unit = LiveUnit(ref);
    HWND hwnd = unit->Handle();
    if (!hwnd) return;
    SetWindowPos(hwnd, kInsertAfter[static_cast<int>(order)], 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    windows::FrameUnit* frame = WindowObject(ref.windowId);
    if (frame && NamesWindowItself(ref, frame)) {
        frame->SetAlwaysOnTop((GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    }
}

}  // namespace vx::commands
