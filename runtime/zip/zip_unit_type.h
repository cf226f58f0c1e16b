// The "ZIP压缩" type as the window system builds it from a window template.
#pragma once

#include "runtime/windows/system/unit_types.h"

namespace vx::zip {

const windows::TypeDescriptor& ZipUnitType();

// Registers the type under 0x00060001 and routes the progress event through
// the window system's dispatcher.
void RegisterZipUnitType();

}  // namespace vx::zip
