// Command entries, property forwarding and the host-request function.
#include <windows.h>

#include <cmath>

#include "runtime/base/errors.h"
#include "runtime/process/runtime_object.h"

namespace vx {

ValueRecord CallCommand(CommandFn fn, int32_t argc, ValueRecord* args) {
    ValueRecord result{};
    Contained([&] { fn(&result, argc, args); });
    return result;
}

ValueRecord CallLibraryCommand(int32_t /*libraryPosition*/, CommandFn fn, int32_t argc, ValueRecord* args) {
    return CallCommand(fn, argc, args);
}

int64_t ReadProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind) {
    RuntimeObject& rt = Runtime();
    if (!rt.windows.readProperty) ReportError("指定窗口或窗口组件不存在或尚未载入", 0);
    return Contained([&] { return rt.windows.readProperty(windowId, unitId, index, kind); });
}

void WriteProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind, uint32_t low, uint32_t high) {
    RuntimeObject& rt = Runtime();
    if (!rt.windows.writeProperty) ReportError("指定窗口或窗口组件不存在或尚未载入", 0);
    Contained([&] { rt.windows.writeProperty(windowId, unitId, index, kind, low, high); });
}

namespace {

int32_t NumericToInteger(const ValueRecord& v) {
    switch (type::Base(v.type)) {
    case type::Byte: return static_cast<uint8_t>(v.low);
    case type::Short: return static_cast<int16_t>(v.low);
    case type::Int: return v.Int();
    case type::Long: return static_cast<int32_t>(v.Long());
    case type::Float: return TruncateToInt32(v.Float());
    case type::Double: return TruncateToInt32(v.Double());
    default: ReportError("欲转换数据类型不是数值", 0);
    }
}

// Dispose of an array value: text and byte-set elements first, then the block.
void DisposeArray(uint32_t elementType, void* block) {
    if (!block) return;
    ArrayView array{static_cast<const uint8_t*>(block)};
    uint32_t base = type::Base(elementType);
    if (base == type::Text || base == type::Bytes) {
        uint8_t* elements = array.Elements();
        for (int64_t i = 0; i < array.Count(); ++i) {
            void* element;
            std::memcpy(&element, elements + i * sizeof(void*), sizeof element);
            Free(element);
        }
    }
    Free(block);
}

// Dispatch what is waiting on this thread's queue, leaving a quit queued.
void DispatchWaiting() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) break;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        if (msg.message == WM_QUIT) {  // raced in between: put it back
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

intptr_t HostRequest(int32_t request, intptr_t a, intptr_t b) {
    RuntimeObject& rt = Runtime();
    switch (request) {
    case kHostToInteger: return NumericToInteger(*reinterpret_cast<const ValueRecord*>(a));
    case kHostProgramDirectory: return reinterpret_cast<intptr_t>(rt.programDirectory.c_str());
    case kHostProgramFileName: return reinterpret_cast<intptr_t>(rt.programFileName.c_str());
    case kHostDispatchMessages: DispatchWaiting(); return 0;
    case kHostDisposeArray: DisposeArray(static_cast<uint32_t>(a), reinterpret_cast<void*>(b)); return 0;
    case kHostAllocate:
        return reinterpret_cast<intptr_t>(b ? TryAllocate(static_cast<size_t>(a)) : Allocate(static_cast<size_t>(a)));
    case kHostFree: Free(reinterpret_cast<void*>(a)); return 0;
    case kHostReallocate:
        return reinterpret_cast<intptr_t>(Reallocate(reinterpret_cast<void*>(a), static_cast<size_t>(b)));
    case kHostRuntimeError: ReportError(reinterpret_cast<const char*>(a), 0);
    case kHostEndProgram: EndProgram(static_cast<int32_t>(a));
    case kHostClearObject:
        if (rt.clearObject) rt.clearObject(reinterpret_cast<void*>(a));
        return 0;
    default:
        if (rt.windows.hostRequest) return rt.windows.hostRequest(request, a, b);
        return 0;
    }
}

}  // namespace vx
