// Every system DLL but kernel32 and msvcrt is delay-loaded (see
// VX_DELAY_LOADED_DLLS): first loaded on first call, after WinMain has
// narrowed the DLL search to the system folder. A DLL or function that is
// missing then is the run-time error of a missing DLL export, not an
// unhandled exception in the middle of some command.
#include <windows.h>
// After <windows.h>: it uses its types.
#include <delayimp.h>

#include <atomic>
#include <string>

#include "runtime/base/errors.h"

namespace {

std::atomic<bool> gReporting{false};

FARPROC WINAPI DelayLoadFailed(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliFailLoadLib && notification != dliFailGetProc) return nullptr;
    // The report needs user32 and the clean-up more: a failure on the way
    // ends the process with the run-time error's code, without a box.
    if (gReporting.exchange(true)) ExitProcess(static_cast<UINT>(-1));
    std::string function =
        info->dlp.fImportByName ? std::string(info->dlp.szProcName) : "#" + std::to_string(info->dlp.dwOrdinal);
    vx::ReportErrorF(vx::kMissingExportText, info->szDll, function.c_str());
}

}  // namespace

// Read by MinGW's delay-load helper; defined here rather than set at run
// time so that it holds before the first delay-loaded call.
extern "C" {
PfnDliHook __pfnDliFailureHook2 = DelayLoadFailed;
}
