// The thirteen service entries through which every procedure of the program
// acts, in slot order, plus the host-request function the support libraries
// receive at start-up.
#pragma once

#include <cstdint>

#include "runtime/base/memory.h"
#include "runtime/base/value.h"

namespace vx {

// Slot 0 is RaiseError (runtime/base/errors.h).

// Slot 1: resolves declared DLL function k (cached) and returns its address;
// the caller calls it with its own prototype. Not found is a run-time error.
void* ResolveDllCommand(int32_t k);
// Clean-up: frees the libraries of the resolved functions and empties the cache.
void ReleaseDllCommands();

// Slots 2 and 3: zero the result record, call the command, hand it back.
ValueRecord CallLibraryCommand(int32_t libraryPosition, CommandFn fn, int32_t argc, ValueRecord* args);
ValueRecord CallCommand(CommandFn fn, int32_t argc, ValueRecord* args);

// Slots 4 and 5 forward to the window system. kind -1 = the whole value.
int64_t ReadProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind = -1);
void WriteProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind, uint32_t low, uint32_t high);
inline void WriteProperty(uint32_t windowId, uint32_t unitId, int32_t index, int64_t value) {
    WriteProperty(windowId, unitId, index, -1, static_cast<uint32_t>(uint64_t(value)),
                  static_cast<uint32_t>(uint64_t(value) >> 32));
}

// Slots 6 to 8: runtime/base/memory.h.

// Slot 9.
[[noreturn]] void EndProgram(int32_t exitCode);
// Slot 10.
void RunMessageLoop();
// Slot 11.
void LoadStartWindow(uint32_t windowId);

// Slot 12.
enum InternalServiceNumber : int32_t {
    kFindFile = 0,
    kEndSearch = 1,
    kMakeArrayWritable = 2,
    kRegisterExitRoutine = 3,
    kReadObjectProperty = 4,
    kWriteObjectProperty = 5,
    kInitialise = 6,
};
// Service 0: pattern (0 = continue), attribute mask, maskOmitted, handle var.
char* FindFile(const char* pattern, int32_t mask, bool maskOmitted, intptr_t* searchHandle);
void EndSearch(intptr_t searchHandle);
void MakeArrayWritable(int32_t elementSize, void** arrayVariable);
void RegisterExitRoutine(void (*routine)());
void InitialiseRuntime();

// Host requests: a request number and two pointer-sized arguments (the
// design's 32-bit words widened where they carry addresses). Unknown: 0.
using HostRequestFn = intptr_t (*)(int32_t request, intptr_t a, intptr_t b);
intptr_t HostRequest(int32_t request, intptr_t a, intptr_t b);

enum HostRequestNumber : int32_t {
    // Answered by the window system (WindowSystemHooks::hostRequest).
    kHostWindowList = 1001,      // the loaded template's window list
    kHostTypeDescriptor = 1002,  // a, the type id: its unit type descriptor
    kHostLoadWindow = 2005,      // a, a windows::LoadRequest: 1 loaded, 0 failed
    kHostWindowObject = 2006,    // a, the window id: its frame unit
    kHostLiveUnit = 2007,        // a, b: window id, unit id: the unit's live object
    kHostRaiseEvent = 2008,      // a, a windows::EventRecord: 1 when a handler ran
    kHostBeforeBuild = 2009,     // a, the window id: sent just before a window is built
    kHostAfterBuild = 2010,      // and just after
    // Answered by the runtime.
    kHostToInteger = 2001,
    kHostProgramDirectory = 2003,
    kHostProgramFileName = 2004,
    kHostDispatchMessages = 2018,
    kHostDisposeArray = 2023,
    kHostAllocate = 2024,
    kHostFree = 2025,
    kHostReallocate = 2026,
    kHostRuntimeError = 2027,
    kHostEndProgram = 2028,
    kHostClearObject = 2035,
};

// The window system answers kHostWindowList to kHostAfterBuild and the
// property entries; it installs itself here when it is linked in.
struct WindowSystemHooks {
    // Initialisation step 10: false = "载入窗口模板数据段出错!".
    bool (*readTemplates)(const uint8_t* data, size_t length, uintptr_t procedureBase) = nullptr;
    // false = "载入启动窗口失败".
    bool (*loadStartWindow)(uint32_t windowId) = nullptr;
    int64_t (*readProperty)(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind) = nullptr;
    void (*writeProperty)(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind, uint32_t low,
                          uint32_t high) = nullptr;
    intptr_t (*hostRequest)(int32_t request, intptr_t a, intptr_t b) = nullptr;
    bool (*anyWindowLoaded)() = nullptr;
    void (*releaseAll)() = nullptr;
    // Offered each message before dispatch; true = consumed (keyboard
    // interface of the window system).
    bool (*preTranslate)(void* msg) = nullptr;
    // Idle processing of the loaded windows; true = more work wanted.
    bool (*idle)(uint32_t elapsedMs) = nullptr;
};
void InstallWindowSystem(const WindowSystemHooks& hooks);

}  // namespace vx
