// Arguments for commands called through the service entries (runtime's
// Call and CallLibrary), and taking ownership of what they return.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/command_call.h"
#include "runtime/memory.h"
#include "runtime/program.h"
#include "runtime/services.h"
#include "runtime/value.h"

namespace vx::test {

inline std::string TakeText(const ValueRecord& r) {
    RuntimeBlock owner(r.Address());
    return r.Text() ? std::string(r.Text()) : std::string();
}

inline ValueRecord Text(const char* t) { return ValueRecord::OfText(t); }
inline ValueRecord Text(const std::string& t) { return ValueRecord::OfText(t.c_str()); }
inline ValueRecord Int(int32_t v) { return ValueRecord::OfInt(v); }
inline ValueRecord Bool(bool v) { return ValueRecord::OfBool(v); }
inline ValueRecord Omitted() { return ValueRecord{}; }

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
