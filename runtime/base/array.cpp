#include "runtime/base/array.h"

#include "runtime/base/errors.h"

namespace vx {

uint8_t* ArrayElement(const void* block, int32_t index, size_t elementSize) {
    if (index <= 0) RaiseError(kIndexBelowOne);
    ArrayView array{static_cast<const uint8_t*>(block)};
    if (index > array.Count()) RaiseError(kIndexOutOfRange);
    return array.Elements() + static_cast<size_t>(index - 1) * elementSize;
}

}  // namespace vx
