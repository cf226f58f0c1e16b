// The program descriptor of in-process test exes: the nine libraries, no
// declared DLL functions, no window template.
#include "installer/library_table.h"
#include "runtime/process/program.h"

namespace vx {

const ProgramDescriptor& TheProgramDescriptor() {
    static const ProgramDescriptor descriptor{
        3, 0, 0x10254, 0, nullptr, 0, nullptr, 0, kLibraryCount, kLibraries, 0, nullptr, nullptr,
    };
    return descriptor;
}

int ProgramMain() { return 0; }

}  // namespace vx
