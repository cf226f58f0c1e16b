#pragma once

#include "runtime/services.h"

namespace vx {
// The host-request function a support library received at start-up, or
// nullptr before initialisation.
HostRequestFn LibraryHost(int32_t position);
}  // namespace vx
