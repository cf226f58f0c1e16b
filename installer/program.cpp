// The program descriptor and the main procedure's fixed sequence.
#include <cfloat>

#include "runtime/program.h"
#include "runtime/services.h"

namespace vx {
namespace {

constexpr uint32_t kStartWindowId = 0x52010001;

const char* const kDllLibraries[] = {"user32", "", ""};
const char* const kDllNames[] = {"PostMessageA", "SHBrowseForFolderA", "SHGetPathFromIDListA"};

void FreeGlobals() {}

}  // namespace

const ProgramDescriptor& TheProgramDescriptor() {
    static const ProgramDescriptor descriptor{
        3, 0, 0x10254, 0, nullptr, 0, nullptr, 0, kLibraryCount, kLibraries, 3, kDllLibraries, kDllNames,
    };
    return descriptor;
}

int ProgramMain() {
    InitialiseRuntime();
    _fpreset();
    RegisterExitRoutine(FreeGlobals);
    LoadStartWindow(kStartWindowId);
    RunMessageLoop();
    return 0;
}

}  // namespace vx
