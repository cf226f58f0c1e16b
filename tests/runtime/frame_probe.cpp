// A program on the runtime, driven by its first argument, for the frame
// tests: each scenario ends the way a real program would.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "runtime/base/array.h"
#include "runtime/base/errors.h"
#include "runtime/base/memory.h"
#include "installer/library_table.h"
#include "runtime/process/program.h"
#include "runtime/process/runtime_object.h"
#include "runtime/process/services.h"
#include "runtime/threads/threads.h"

#include <new>

// Delay-loaded from tests/runtime/absent_dll.def and absent_export.def:
// neither can be found when called.
extern "C" int WINAPI VxAbsentAnswer();
extern "C" int WINAPI VxAbsentKernelExport();

namespace vx {
namespace {

const char* const kDllLibraries[] = {"kernel32", "", "user32", "vxplugin", "", "", "\\\\missing-volume\\x.dll"};
const char* const kDllNames[] = {
    "NoSuchExport", "NoSuchExport2", "PostMessageA", "VxPluginAnswer", "SHGetPathFromIDListA", "#1", "Whatever"};
constexpr uint32_t kDllCount = sizeof kDllNames / sizeof kDllNames[0];

std::string MarkerPath() {
    char buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VX_PROBE_MARKER", buffer, MAX_PATH);
    return std::string(buffer, n);
}

void AppendMarker(const std::string& line) {
    std::string path = MarkerPath();
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

void ExitRoutine() { AppendMarker("exit-routine"); }

bool Never(void*) { return false; }

DWORD WINAPI EndFromThread(void*) {
    Sleep(100);
    EndProgram(7);
}

// A command and a thread procedure whose C++ code runs out of memory.
void CommandOutOfMemory(ValueRecord*, int32_t, ValueRecord*) { throw std::bad_alloc(); }
DWORD WINAPI ThreadOutOfMemory(void*) { throw std::bad_alloc(); }

// A worker still running at the end, and a look at the literal and a
// declared function from the last step of clean-up (the hidden window's
// end), as the worker would see them.
const char kLiteral[] = "a literal";
DWORD WINAPI RunOn(void*) {
    for (;;) Sleep(INFINITE);
}
LRESULT CALLBACK LastStepHook(int code, WPARAM wp, LPARAM lp) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && call->message == WM_DESTROY) {
        AppendMarker(constants::IsLiteral(kLiteral) ? "literal-kept" : "literal-lost");
        AppendMarker(ResolveDllCommand(2) ? "function-kept" : "function-lost");
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

std::string Argument() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::string scenario;
    if (argc > 1)
        for (const wchar_t* p = argv[1]; *p; ++p) scenario += static_cast<char>(*p);
    LocalFree(argv);
    return scenario;
}

}  // namespace

const ProgramDescriptor& TheProgramDescriptor() {
    static const ProgramDescriptor descriptor{
        3, 0, 0x10254, 0, nullptr, 0, nullptr, 0, kLibraryCount, kLibraries, kDllCount, kDllLibraries, kDllNames,
    };
    return descriptor;
}

int ProgramMain() {
    // No window system in this program: template reading would fail, so the
    // probe stands in for it where a scenario needs initialisation to pass.
    WindowSystemHooks hooks;
    std::string scenario = Argument();
    if (scenario != "no-template") hooks.readTemplates = [](const uint8_t*, size_t, uintptr_t) { return true; };
    InstallWindowSystem(hooks);
    InitialiseRuntime();
    RegisterExitRoutine(ExitRoutine);

    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    AppendMarker(std::string("cwd=") + cwd);

    if (scenario == "quit") {
        RunMessageLoop();  // no window: returns at once
        return 0;
    }
    if (scenario == "raise-1") RaiseError(kIndexOutOfRange);
    if (scenario == "index-0") {
        static const int32_t array[] = {1, 2, 5, 6};
        ArrayElement(array, 0, 4);
    }
    if (scenario == "alloc") Allocate(SIZE_MAX - 4095);
    if (scenario == "end-thread") {
        CloseHandle(CreateThread(nullptr, 0, EndFromThread, nullptr, 0, nullptr));
        RunModalLoop(Never, nullptr);
    }
    if (scenario == "command-bad-alloc") CallCommand(CommandOutOfMemory, 0, nullptr);
    if (scenario == "thread-bad-alloc") {
        ValueRecord procedure = ValueRecord::OfAddress(reinterpret_cast<void*>(&ThreadOutOfMemory), type::SubProgram);
        ValueRecord started{};
        commands::ThreadStart(&started, 1, &procedure);
        RunModalLoop(Never, nullptr);
    }
    if (scenario == "worker-at-end") {
        constants::AddRange(kLiteral, sizeof kLiteral);
        ValueRecord procedure = ValueRecord::OfAddress(reinterpret_cast<void*>(&RunOn), type::SubProgram);
        ValueRecord started{};
        commands::ThreadStart(&started, 1, &procedure);
        ResolveDllCommand(2);
        SetWindowsHookExA(WH_CALLWNDPROC, LastStepHook, nullptr, GetCurrentThreadId());
        EndProgram(0);
    }
    if (scenario == "end-5") EndProgram(5);
    if (scenario == "absent-dll") AppendMarker("answer=" + std::to_string(VxAbsentAnswer()));
    if (scenario == "absent-export") AppendMarker("answer=" + std::to_string(VxAbsentKernelExport()));
    if (scenario == "start-window") LoadStartWindow(0x52010001);
    if (scenario.rfind("dll-", 0) == 0) {
        int k = std::stoi(scenario.substr(4));
        void* address = ResolveDllCommand(k);
        AppendMarker("resolved");
        if (k == 2) {  // must be the system's user32, not a planted copy
            HMODULE user32 = GetModuleHandleA("user32.dll");
            AppendMarker(address == reinterpret_cast<void*>(GetProcAddress(user32, "PostMessageA")) ? "system"
                                                                                                    : "planted");
        }
        if (k == 3) {
            auto answer = reinterpret_cast<int(WINAPI*)()>(address);
            AppendMarker("answer=" + std::to_string(answer()));
        }
        if (k == 4) {
            HMODULE shell32 = GetModuleHandleA("shell32.dll");
            AppendMarker(shell32 && address == reinterpret_cast<void*>(GetProcAddress(shell32, "SHGetPathFromIDListA"))
                             ? "shell32"
                             : "elsewhere");
        }
        if (ResolveDllCommand(k) == address) AppendMarker("cached");
    }
    return 0;
}

}  // namespace vx
