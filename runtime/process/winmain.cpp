// Process entry of a program built on the runtime.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "runtime/process/program.h"
#include "runtime/process/runtime_object.h"

// The handler an uncaught exception ends in. The library's default one names
// the exception's type on stderr, which a GUI program does not have, before
// it aborts; defined here, it keeps that handler and the demangler it calls
// (some 45 KB) out of the program. std::set_terminate still replaces it.
namespace __cxxabiv1 {
std::terminate_handler __terminate_handler = std::abort;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL: system libraries come from the system
    // folder only, never from a folder someone could plant a DLL in.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    vx::InstanceInitialise();
    int result = vx::ProgramMain();
    (void)result;  // 0 by construction: the exit handler runs with code 0
    vx::EndProgram(0);
}
