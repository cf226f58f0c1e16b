// Runtime initialisation, the message loop and the end-of-program clean-up.
#include <objbase.h>
#include <windows.h>

#include <cfloat>

#include "runtime/base/errors.h"
#include "runtime/process/runtime_object.h"
#include "runtime/base/text.h"

namespace vx {
namespace {

constexpr char kHiddenClass[] = "VxRuntimeHidden";

LRESULT CALLBACK HiddenWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Contained([&]() -> LRESULT {
        if (msg == kEndProgramMessage) EndProgram(static_cast<int32_t>(wp));
        return DefWindowProcA(hwnd, msg, wp, lp);
    });
}

void CreateHiddenWindow(RuntimeObject& rt) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = HiddenWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kHiddenClass;
    RegisterClassA(&wc);
    rt.hiddenWindow = CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      wc.hInstance, nullptr);
}

bool AnyWindowLoaded(const RuntimeObject& rt) { return rt.windows.anyWindowLoaded && rt.windows.anyWindowLoaded(); }

// Per-window idle callbacks, last registered first; dead windows drop out.
void RunIdleCallbacks(RuntimeObject& rt) {
    for (size_t i = rt.idleCallbacks.size(); i-- > 0;) {
        IdleCallback entry = rt.idleCallbacks[i];
        if (!IsWindow(entry.window)) {
            rt.idleCallbacks.erase(rt.idleCallbacks.begin() + static_cast<ptrdiff_t>(i));
            continue;
        }
        entry.callback(entry.window, entry.argument);
    }
}

// The application's idle handler: passes 0 and 1 always want more; from pass
// 2 the loaded windows get their idle processing with the elapsed time.
struct IdleState {
    DWORD startTick = 0;
};
bool ApplicationIdle(RuntimeObject& rt, IdleState& state, long pass) {
    if (pass == 0) state.startTick = GetTickCount();
    if (pass < 2) return true;
    return rt.windows.idle && rt.windows.idle(GetTickCount() - state.startTick);
}

bool PreTranslate(RuntimeObject& rt, MSG& msg) {
    return msg.hwnd && rt.windows.preTranslate && rt.windows.preTranslate(&msg);
}

// Shared by the normal and the modal loop.
void MessageLoop(bool (*ended)(void*), void* context) {
    RuntimeObject& rt = Runtime();
    const bool modal = ended != nullptr;
    IdleState idle;
    for (;;) {
        MSG msg;
        long pass = 0;
        bool wantIdle = true;
        while (wantIdle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            RunIdleCallbacks(rt);
            wantIdle = ApplicationIdle(rt, idle, pass++);
            if (modal && ended(context)) return;
        }
        do {
            if (modal) {
                // A quit ends the modal loop but stays queued for the outer one.
                if (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return;
            }
            if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return;
            if (!PreTranslate(rt, msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (modal && ended(context)) return;
        } while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

}  // namespace

RuntimeObject& Runtime() {
    static RuntimeObject runtime;
    return runtime;
}

// Every program that uses the runtime reports its run-time errors through
// it, from before its first line runs.
[[maybe_unused]] const bool gErrorReporterInstalled = (SetErrorReporter(&ReportInMessageBox), true);

void InstanceInitialise() {
    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path - 1);
    std::string_view full(path, n);
    size_t slash = text::FindLastChar(full, '\\');
    Runtime().instanceDirectory = std::string(full.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
}

void InitialiseRuntime() {
    RuntimeObject& rt = Runtime();
    const ProgramDescriptor& pd = TheProgramDescriptor();

    rt.heap = GetProcessHeap();
    rt.runMode = pd.runMode;
    rt.reserved = pd.reserved;
    rt.word3 = pd.word3;
    rt.procedureBase = pd.procedureBase;

    if (!rt.oleInitialised) rt.oleInitialised = SUCCEEDED(OleInitialize(nullptr));

    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path - 1);
    std::string_view full(path, n);
    size_t slash = text::FindLastChar(full, '\\');
    if (slash == std::string_view::npos) {
        rt.programFileName = std::string(full);
    } else {
        rt.programDirectory = std::string(full.substr(0, slash));
        rt.programFileName = std::string(full.substr(slash + 1));
    }
    // A bare drive ("C:") needs its "\" to name the root, not the drive's cwd.
    std::string cwd = rt.programDirectory;
    if (cwd.size() == 2 && cwd[1] == ':') cwd += '\\';
    SetCurrentDirectoryA(cwd.c_str());

    CreateHiddenWindow(rt);
    rt.mainThreadId = GetCurrentThreadId();

    if (pd.constantStart && pd.constantLength) constants::AddRange(pd.constantStart, pd.constantLength);

    rt.dllCommands.clear();
    for (uint32_t i = 0; i < pd.dllCount; ++i)
        rt.dllCommands.push_back({pd.dllLibraries[i] ? pd.dllLibraries[i] : "", pd.dllNames[i], nullptr, nullptr});

    rt.libraries = pd.libraries;
    rt.libraryCount = pd.libraryCount;
    for (uint32_t i = 0; i < rt.libraryCount; ++i)
        if (rt.libraries[i].notify)
            rt.libraries[i].notify(kLibraryHostRequest, reinterpret_cast<intptr_t>(&HostRequest), 0);

    // Reading the template also turns its handler offsets into addresses.
    if (!rt.windows.readTemplates || !rt.windows.readTemplates(pd.templateData, pd.templateLength, pd.procedureBase))
        ReportError("载入窗口模板数据段出错!", 0);
    rt.initialised = true;
}

void LoadStartWindow(uint32_t windowId) {
    RuntimeObject& rt = Runtime();
    if (!rt.windows.loadStartWindow || !rt.windows.loadStartWindow(windowId)) ReportError("载入启动窗口失败", 0);
}

void RunMessageLoop() {
    RuntimeObject& rt = Runtime();
    rt.loopEntered = true;
    if (!AnyWindowLoaded(rt)) return;
    MessageLoop(nullptr, nullptr);
}

void RunModalLoop(bool (*ended)(void*), void* context) { MessageLoop(ended, context); }

void OnProgramWindowDestroyed() {
    RuntimeObject& rt = Runtime();
    if (rt.loopEntered && !AnyWindowLoaded(rt)) PostQuitMessage(0);
}

void AddIdleCallback(HWND window, void (*callback)(HWND, void*), void* argument) {
    Runtime().idleCallbacks.push_back({window, callback, argument});
}

void RegisterExitRoutine(void (*routine)()) { Runtime().exitRoutine = routine; }

void InstallWindowSystem(const WindowSystemHooks& hooks) { Runtime().windows = hooks; }

void EndProgram(int32_t exitCode) {
    RuntimeObject& rt = Runtime();
    rt.errorCounter++;

    if (rt.mainThreadId && GetCurrentThreadId() != rt.mainThreadId) {
        // The main thread owns the windows and the clean-up.
        if (rt.hiddenWindow) SendMessageA(rt.hiddenWindow, kEndProgramMessage, static_cast<WPARAM>(exitCode), 0);
        if (!rt.ending) ExitProcess(static_cast<UINT>(exitCode));
        // The main thread is already cleaning up and will end the process.
        for (;;) Sleep(INFINITE);
    }
    if (rt.ending.exchange(true)) ExitProcess(static_cast<UINT>(exitCode));

    rt.idleCallbacks.clear();
    if (rt.windows.releaseAll) rt.windows.releaseAll();
    if (void (*routine)() = rt.exitRoutine) {
        rt.exitRoutine = nullptr;
        routine();
    }
    for (uint32_t i = 0; i < rt.libraryCount; ++i)
        if (rt.libraries[i].notify) rt.libraries[i].notify(kLibraryEnding, 0, 0);
    rt.libraries = nullptr;
    rt.libraryCount = 0;
    // A worker still running may call a declared function or free a literal
    // until the process ends: then these outlive it.
    if (rt.runningThreads == 0) {
        ReleaseDllCommands();
        for (HMODULE m : rt.otherModules) FreeLibrary(m);
        rt.otherModules.clear();
        constants::Clear();
    }
    if (rt.hiddenWindow) {
        DestroyWindow(rt.hiddenWindow);
        rt.hiddenWindow = nullptr;
    }
    if (rt.oleInitialised) {
        OleUninitialize();
        rt.oleInitialised = false;
    }
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace vx
