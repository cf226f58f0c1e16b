// The transparent label as a unit type of the window system ("extended
// interface library 1", type 5).
#pragma once

#include "runtime/windows/system/unit_types.h"

namespace vx::controls {

constexpr uint32_t kTransLabelTypeId = 0x00020005;
const windows::TypeDescriptor& TransLabelType();
void RegisterTransLabelType();

}  // namespace vx::controls
