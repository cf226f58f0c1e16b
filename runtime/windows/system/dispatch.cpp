// Event dispatch: from an event record to the procedure bound in the template.
#include "runtime/base/errors.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/loaded_window.h"
#include "runtime/windows/system/messages.h"

namespace vx::windows {
namespace {
thread_local EventSource gSource{0, 0};

// Group links: the last unit of the same type along the chain supplies the
// bindings (bounded, so a cycle cannot hang the dispatcher).
size_t BindingUnit(const wt::TemplateWindow& tw, size_t index) {
    size_t bound = index;
    for (size_t hops = 0; hops < tw.unitCount(); ++hops) {
        uint32_t link = tw.isMenuItem(bound) ? 0 : tw.groupLink(bound);
        if (link == 0) break;
        std::optional<size_t> next = tw.FindUnit(link);
        if (!next || tw.typeId(*next) != tw.typeId(bound)) break;
        bound = *next;
    }
    return bound;
}

// The procedure bound to an event of a unit, or null.
EventProcedure BoundProcedure(const wt::TemplateWindow& tw, size_t index, int32_t event) {
    uintptr_t address = tw.HandlerAddress(BindingUnit(tw, index), event);
    return address ? *reinterpret_cast<const EventProcedure*>(address) : nullptr;
}
}  // namespace

namespace detail {
bool IsEventBound(const wt::TemplateWindow& tw, size_t index, int32_t event) {
    return BoundProcedure(tw, index, event) != nullptr;
}
}  // namespace detail

EventSource CurrentEventSource() { return gSource; }

bool DispatchEvent(EventRecord& record) {
    if (detail::gRebuilding) return false;
    wt::TemplateWindow* tw = wt::LoadedTemplate().FindWindow(record.windowId);
    if (!tw) ReportError(text::kEventWindowNotFound, 0);
    std::optional<size_t> index = record.unitId == 0 ? std::optional<size_t>(0) : tw->FindUnit(record.unitId);
    if (!index) ReportError(text::kEventUnitNotFound, 0);
    if (!tw->isMenuItem(*index)) {
        const TypeDescriptor* type = FindUnitType(tw->typeId(*index));
        if (!type || !(type->stateFlags & (state::kRaisesEvents | state::kRaisesEventsToo)))
            ReportError(text::kEventUnitInvalid, 0);
    }
    EventProcedure procedure = BoundProcedure(*tw, *index, record.event);
    if (!procedure) return false;

    EventSource saved = gSource;
    gSource = {record.windowId, record.unitId};
    int32_t result = 0;
    int32_t argc = record.argc < 0 ? 0 : record.argc > 5 ? 5 : record.argc;
    bool hasResult = procedure(record.args, argc, &result);
    gSource = saved;
    if (hasResult) {
        record.hasResult = true;
        record.result = result;
    }
    return true;
}

bool RaiseEvent(uint32_t windowId, uint32_t unitId, int32_t event, const int32_t* args, int32_t argc, int32_t* result,
                bool* hasResult) {
    EventRecord record;
    record.windowId = windowId;
    record.unitId = unitId;
    record.event = event;
    record.argc = argc < 0 ? 0 : argc > 5 ? 5 : argc;
    for (int32_t i = 0; i < record.argc; ++i) record.args[i] = args[i];
    bool ran = DispatchEvent(record);
    if (hasResult) *hasResult = record.hasResult;
    if (result && record.hasResult) *result = record.result;
    return ran;
}

}  // namespace vx::windows
