// Process entry of a program built on the runtime.
#include <windows.h>

#include "runtime/process/program.h"
#include "runtime/process/runtime_object.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL: system libraries come from the system
    // folder only, never from a folder someone could plant a DLL in.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    vx::InstanceInitialise();
    int result = vx::ProgramMain();
    (void)result;  // 0 by construction: the exit handler runs with code 0
    vx::EndProgram(0);
}
