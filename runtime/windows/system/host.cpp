// The window system's hooks into the runtime and its host requests.
#include <windows.h>

#include "runtime/base/errors.h"
#include "runtime/process/runtime_object.h"
#include "runtime/process/services.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/loaded_window.h"
#include "runtime/windows/system/messages.h"

namespace vx::windows {
namespace {

using namespace detail;

bool LoadStart(uint32_t windowId) {
    return wt::LoadedTemplate().FindWindow(windowId) && LoadWindow(windowId, nullptr, false);
}

int64_t ReadHook(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind) {
    return ReadUnitProperty(windowId, unitId, index, kind);
}

bool AnyLoaded() {
    for (const LoadedWindowRef& r : AllLoaded())
        if (r->alive) return true;
    return false;
}

void ReleaseAll() {
    // The program is ending: windows go without running handlers.
    gRebuilding = true;
    for (const LoadedWindowRef& r : AllLoaded())
        if (r->alive) DestroyWindow(r->hwnd());
    gRebuilding = false;
    // The templates go too, unless a worker may still write a property.
    if (Runtime().runningThreads == 0) wt::ReleaseTemplates();
}

bool PreTranslateHook(void* msg) { return PreTranslate(*static_cast<MSG*>(msg)); }

bool Idle(uint32_t) { return false; }

Unit* LiveOrError(uint32_t windowId, uint32_t unitId) {
    Unit* unit = FindLiveUnit(windowId, unitId);
    if (!unit) ReportError(text::kHostUnitMissing, 0);
    return unit;
}

}  // namespace

intptr_t WindowHostRequest(int32_t request, intptr_t a, intptr_t b) {
    switch (request) {
    case kHostWindowList: return reinterpret_cast<intptr_t>(&wt::LoadedTemplate());
    case kHostTypeDescriptor: return reinterpret_cast<intptr_t>(FindUnitType(static_cast<uint32_t>(a)));
    case kHostLoadWindow: {
        const auto* r = reinterpret_cast<const LoadRequest*>(a);
        return r && LoadWindow(r->windowId, r->parent, r->modal) ? 1 : 0;
    }
    case kHostWindowObject: return reinterpret_cast<intptr_t>(LiveOrError(static_cast<uint32_t>(a), 0));
    case kHostLiveUnit:
        return reinterpret_cast<intptr_t>(LiveOrError(static_cast<uint32_t>(a), static_cast<uint32_t>(b)));
    case kHostRaiseEvent: {
        auto* record = reinterpret_cast<EventRecord*>(a);
        return record && DispatchEvent(*record) ? 1 : 0;
    }
    case kHostBeforeBuild:
    case kHostAfterBuild:
    default: return 0;
    }
}

void InstallSystemHooks() {
    WindowSystemHooks hooks;
    hooks.readTemplates = wt::ReadTemplates;
    hooks.loadStartWindow = LoadStart;
    hooks.readProperty = ReadHook;
    hooks.writeProperty = WriteUnitProperty;
    hooks.hostRequest = WindowHostRequest;
    hooks.anyWindowLoaded = AnyLoaded;
    hooks.releaseAll = ReleaseAll;
    hooks.preTranslate = PreTranslateHook;
    hooks.idle = Idle;
    InstallWindowSystem(hooks);
}

}  // namespace vx::windows
