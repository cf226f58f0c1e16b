// The multi-function bar as a unit type of the window system ("extended
// interface library 6", type 1).
#pragma once

#include "runtime/windows/system/unit_types.h"

namespace vx::controls {

constexpr uint32_t kSuperBarTypeId = 0x00050001;
const windows::TypeDescriptor& SuperBarType();
void RegisterSuperBarType();

}  // namespace vx::controls
