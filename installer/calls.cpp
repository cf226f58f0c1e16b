#include "installer/calls.h"

#include <vector>

#include "runtime/commands/commands.h"

namespace vx::installer {

bool FileExists(const std::string& path) { return Call(commands::FileExists, {Arg(path)}).Bool(); }

namespace {
void WriteAddress(uint32_t windowId, uint32_t unitId, int32_t index, const void* p) {
    auto v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
    WriteProperty(windowId, unitId, index, -1, static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32));
}
}  // namespace

void SetText(uint32_t windowId, uint32_t unitId, int32_t index, const char* text) {
    WriteAddress(windowId, unitId, index, text);
}

void SetBytes(uint32_t windowId, uint32_t unitId, int32_t index, const void* byteSet) {
    WriteAddress(windowId, unitId, index, byteSet);
}

void SetNumber(uint32_t windowId, uint32_t unitId, int32_t index, int32_t value) {
    WriteProperty(windowId, unitId, index, -1, static_cast<uint32_t>(value), 0);
}

Text GetText(uint32_t windowId, uint32_t unitId, int32_t index) {
    return Text(reinterpret_cast<char*>(static_cast<uintptr_t>(ReadProperty(windowId, unitId, index, -1))));
}

}  // namespace vx::installer
