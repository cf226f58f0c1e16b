// The parser of one window source: its header, units and menu items, each
// unit's type data by the type's field list, into the window's template
// record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "tools/wtc/source.h"
#include "tools/wtc/wtc.h"

namespace wtc {

class Compiler;

struct ParsedWindow {
    uint32_t id = 0;
    std::vector<uint8_t> record;
    std::vector<AccessEntry> access;  // its 'access' lines, in order
};

// Throws CompileError naming the source line. Procedures are resolved
// through the compiler; pictures are read from baseDir.
ParsedWindow ParseWindow(const Source& source, const Compiler& compiler, const std::filesystem::path& baseDir);

}  // namespace wtc
