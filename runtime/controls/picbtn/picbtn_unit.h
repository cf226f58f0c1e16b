// The picture button as a unit type of the window system (core library,
// type 45).
#pragma once

#include "runtime/windows/system/unit_types.h"

namespace vx::controls {

constexpr uint32_t kPicBtnTypeId = 0x0001002D;
const windows::TypeDescriptor& PicBtnType();
void RegisterPicBtnType();

}  // namespace vx::controls
