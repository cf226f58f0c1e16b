// The program's table of support libraries, in descriptor order, and the
// host-request function each was handed at start-up.
#pragma once

#include "runtime/process/program.h"

namespace vx {

// The nine descriptors of this program, in table order.
extern const LibraryDescriptor kLibraries[kLibraryCount];

// The host-request function a support library received at start-up, or
// nullptr before initialisation.
HostRequestFn LibraryHost(int32_t position);

}  // namespace vx
