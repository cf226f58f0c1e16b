// Commands called through the service entries (runtime's Call and
// CallLibrary, not the direct test::Call), with the argument makers and
// owners of what they return that the native tests use.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/process/command_call.h"
#include "runtime/base/memory.h"
#include "runtime/process/program.h"
#include "runtime/process/services.h"
#include "runtime/base/value.h"
#include "tests/commands/native_support.h"

namespace vx::test {

// A byte set block {1, n, bytes} kept by the test.
struct ByteSetBlock {
    std::vector<uint8_t> block;
    explicit ByteSetBlock(const std::string& bytes) : block(8 + bytes.size()) {
        int32_t header[2] = {1, static_cast<int32_t>(bytes.size())};
        std::memcpy(block.data(), header, 8);
        std::memcpy(block.data() + 8, bytes.data(), bytes.size());
    }
    ValueRecord Record() const { return ValueRecord::OfBytes(block.data()); }
};

}  // namespace vx::test
