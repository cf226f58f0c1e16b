// The program's procedure table: one entry per procedure of
// installer/procedures.list, in that order (generated at build time). The window
// template's handler offsets are byte offsets into it.
#pragma once

#include <cstdint>

namespace vx::installer::procedures {
using Entry = bool (*)(const int32_t* args, int32_t argc, int32_t* result);
}  // namespace vx::installer::procedures

extern "C" const vx::installer::procedures::Entry vxProcedureTable[];
