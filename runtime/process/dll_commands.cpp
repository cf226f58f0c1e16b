// Declared DLL functions: resolved on first use, cached per command number.
#include <windows.h>

#include <cstdlib>
#include <mutex>

#include "runtime/base/errors.h"
#include "runtime/process/runtime_object.h"

namespace vx {
namespace {

// Empty library name: these system libraries, in this order.
constexpr const char* kSystemLibraries[] = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                            "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};

// "#n" names the export with ordinal n (decimal, low 16 bits).
FARPROC FindExport(HMODULE module, const std::string& name) {
    if (name.size() > 1 && name[0] == '#') {
        unsigned long ordinal = std::strtoul(name.c_str() + 1, nullptr, 10);
        return GetProcAddress(module, MAKEINTRESOURCEA(ordinal & 0xFFFF));
    }
    return GetProcAddress(module, name.c_str());
}

HMODULE LoadSystemLibrary(const char* name) { return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); }

// A library that the system folder holds is a system library: it is loaded
// from there only, so a planted copy beside the program is never picked up.
bool IsSystemLibrary(const std::string& name) {
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    std::string path = std::string(dir, n) + "\\" + name;
    if (name.find('.') == std::string::npos) path += ".dll";
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HMODULE LoadNamedLibrary(const RuntimeObject& rt, const std::string& name) {
    const bool absolute = name.find(':') != std::string::npos;
    if (!absolute) {
        if (IsSystemLibrary(name)) return LoadSystemLibrary(name.c_str());
        std::string candidates[3];
        if (!rt.dllDirectory.empty()) candidates[0] = rt.dllDirectory + "\\" + name;
        candidates[1] = rt.programDirectory + "\\" + name;
        candidates[2] = rt.instanceDirectory + name;
        for (const std::string& path : candidates) {
            if (path.empty()) continue;
            if (HMODULE m = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) return m;
        }
    }
    return LoadLibraryA(name.c_str());
}

// Workers resolve declared functions while the main thread may too, and
// clean-up releases them: the cache is filled and emptied under this lock
// (never held across a run-time error, whose clean-up takes it again).
std::mutex& CacheLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

void ReleaseDllCommands() {
    RuntimeObject& rt = Runtime();
    std::lock_guard guard(CacheLock());
    for (DllCommand& c : rt.dllCommands)
        if (c.module) FreeLibrary(c.module);
    rt.dllCommands.clear();
}

void* ResolveDllCommand(int32_t k) {
    RuntimeObject& rt = Runtime();
    std::unique_lock guard(CacheLock());
    if (k < 0 || static_cast<size_t>(k) >= rt.dllCommands.size()) {
        guard.unlock();
        RaiseError(kIndexOutOfRange);
    }
    DllCommand& c = rt.dllCommands[static_cast<size_t>(k)];
    if (c.address) return c.address;

    FARPROC found = nullptr;
    HMODULE module = nullptr;
    if (c.library.empty()) {
        for (const char* lib : kSystemLibraries) {
            module = LoadSystemLibrary(lib);
            if (!module) continue;
            if ((found = FindExport(module, c.name))) break;
            FreeLibrary(module);
            module = nullptr;
        }
    } else {
        module = LoadNamedLibrary(rt, c.library);
        if (module && !(found = FindExport(module, c.name))) {
            FreeLibrary(module);
            module = nullptr;
        }
    }
    if (!found) {
        guard.unlock();
        if (c.library.empty()) ReportErrorF(kMissingSystemExportText, c.name.c_str());
        ReportErrorF(kMissingExportText, c.library.c_str(), c.name.c_str());
    }
    c.module = module;
    c.address = reinterpret_cast<void*>(found);
    // The design checks the stack pointer after each call for a callee that
    // removed the wrong number of argument bytes. On x86-64 there is one
    // calling convention and the caller owns the stack, so that mismatch
    // cannot happen and there is no check to make here.
    return c.address;
}

}  // namespace vx
