// The core unit types: window, edit box, picture box, button and timer.
#pragma once

#include "runtime/windows/system/unit_types.h"

namespace vx::windows::units {

const TypeDescriptor& WindowUnitType();
const TypeDescriptor& EditBoxType();
const TypeDescriptor& PicBoxType();
const TypeDescriptor& ButtonType();
const TypeDescriptor& TimerType();

// Registers the five types under their type ids.
void RegisterCoreUnits();

}  // namespace vx::windows::units
