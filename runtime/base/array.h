// Indexed access to array values, counted from 1 as the procedures do.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/base/value.h"

namespace vx {

// Address of element `index` (1-based) of a one-dimensional view of the
// array: index <= 0 raises error 4, index > count raises error 1 (also for
// the empty array 0).
uint8_t* ArrayElement(const void* block, int32_t index, size_t elementSize);

}  // namespace vx
