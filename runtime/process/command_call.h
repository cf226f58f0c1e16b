// Calling a command through the service entries with its arguments listed in
// place, as the installer's procedures and the tests of the commands do.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "runtime/process/services.h"
#include "runtime/base/value.h"

namespace vx {

inline ValueRecord Call(CommandFn fn, std::initializer_list<ValueRecord> args) {
    std::vector<ValueRecord> records(args);
    return CallCommand(fn, static_cast<int32_t>(records.size()), records.data());
}

inline ValueRecord CallLibrary(int32_t libraryPosition, CommandFn fn, std::initializer_list<ValueRecord> args) {
    std::vector<ValueRecord> records(args);
    return CallLibraryCommand(libraryPosition, fn, static_cast<int32_t>(records.size()), records.data());
}

}  // namespace vx
