// The window template built into the program (generated from data/windows by
// the template compiler).
#pragma once

#include "runtime/windows/template/unit_access.h"

extern const unsigned char vxTemplateData[];
extern const unsigned int vxTemplateSize;

// Roles and names for screen readers of the units whose window sources give
// them (an 'access' line); vxUnitAccessCount entries.
extern const vx::wt::UnitAccess vxUnitAccess[];
extern const unsigned int vxUnitAccessCount;
