// Properties of objects of library-defined data types (internal services 4
// and 5): a library registers its data type's accessors once.
#pragma once

#include <cstdint>

namespace vx {

using ObjectPropertyReader = int64_t (*)(void* object, int32_t index, int32_t kind);
using ObjectPropertyWriter = void (*)(void* object, int32_t index, int32_t kind, uint32_t low, uint32_t high);

void RegisterObjectType(uint32_t typeCode, ObjectPropertyReader read, ObjectPropertyWriter write);
int64_t ReadObjectProperty(uint32_t typeCode, void* object, int32_t index, int32_t kind);
void WriteObjectProperty(uint32_t typeCode, void* object, int32_t index, int32_t kind, uint32_t low, uint32_t high);

}  // namespace vx
