// Every system DLL but kernel32 and msvcrt is delay-loaded (see
// VX_DELAY_LOADED_DLLS): first loaded on first call, after WinMain has
// narrowed the DLL search to the system folder. A DLL or function that is
// missing then ends the program with the code of a run-time error instead of
// an unhandled exception; it may be user32 itself, so no box is shown.
#include <windows.h>
// After <windows.h>: it uses its types.
#include <delayimp.h>

#include "product/common/product_files.h"

namespace {

FARPROC WINAPI DelayLoadFailed(unsigned notification, PDelayLoadInfo) {
    if (notification == dliFailLoadLib || notification == dliFailGetProc)
        ExitProcess(vx::product::kMissingSystemFunctionExit);
    return nullptr;
}

}  // namespace

// Read by MinGW's delay-load helper; defined here rather than set at run
// time so that it holds before the first delay-loaded call.
extern "C" {
PfnDliHook __pfnDliFailureHook2 = DelayLoadFailed;
}
