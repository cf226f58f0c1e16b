// The program's table of what screen readers are told of its units (roles
// and names the window sources give), as the window template compiler
// writes it beside the template.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/windows/template/unit_access.h"

namespace vx::windows {

// Adds a table; it is kept, not copied (a program's constant). Call before
// the windows are built.
void RegisterUnitAccess(const wt::UnitAccess* entries, size_t count);
// The entry of a unit, or null when no table names it.
const wt::UnitAccess* FindUnitAccess(uint32_t windowId, uint32_t unitId);

}  // namespace vx::windows
