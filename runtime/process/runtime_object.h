// The one process-wide runtime object. Written during initialisation and by
// the main thread; no lock (the program's own threads coordinate themselves).
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "runtime/process/program.h"
#include "runtime/process/services.h"

namespace vx {

constexpr UINT kEndProgramMessage = 0x83E7;

struct DllCommand {
    std::string library;
    std::string name;
    void* address = nullptr;
    HMODULE module = nullptr;
};

struct IdleCallback {
    HWND window;
    void (*callback)(HWND, void*);
    void* argument;
};

struct RuntimeObject {
    HANDLE heap = nullptr;
    uint32_t runMode = 0, reserved = 0, word3 = 0;
    uintptr_t procedureBase = 0;

    std::string instanceDirectory;  // with trailing "\", from instance initialisation
    std::string programDirectory;   // without trailing "\"
    std::string programFileName;
    std::string dllDirectory;  // optional runtime DLL directory; unset here

    HWND hiddenWindow = nullptr;
    DWORD mainThreadId = 0;

    std::vector<DllCommand> dllCommands;
    std::vector<HMODULE> otherModules;
    const LibraryDescriptor* libraries = nullptr;
    uint32_t libraryCount = 0;

    void (*exitRoutine)() = nullptr;
    int32_t (*errorHandler)(int32_t code, const char* message) = nullptr;
    std::atomic<bool> errorHandlerRunning{false};
    std::atomic<long> errorCounter{0};

    bool oleInitialised = false;
    bool loopEntered = false;
    std::atomic<bool> ending{false};
    bool initialised = false;
    // Threads the program started (ThreadStart) whose procedure has not
    // returned: while any runs, clean-up leaves the literals, the declared
    // DLLs and the templates they may still use in place.
    std::atomic<int32_t> runningThreads{0};

    std::vector<IdleCallback> idleCallbacks;
    WindowSystemHooks windows;
    // Clears a COM object record (host request 2035); set by the COM layer.
    void (*clearObject)(void* record) = nullptr;
};

RuntimeObject& Runtime();

// The run-time error report of a program on this runtime: its error handler,
// else the fixed message box; then the program ends with -1.
[[noreturn]] void ReportInMessageBox(const char* message, int32_t code);

// Instance initialisation: remembers the program folder (with its "\").
void InstanceInitialise();

// Modal form of the message loop: returns when ended(context) turns true or
// a quit message is next (left in the queue so the outer loop ends too).
void RunModalLoop(bool (*ended)(void*), void* context);

// Called by the window system after one of the program's windows is gone.
void OnProgramWindowDestroyed();

void AddIdleCallback(HWND window, void (*callback)(HWND, void*), void* argument);

}  // namespace vx
