// Calling commands the way the service entry does (result zeroed first) and
// taking ownership of what they return.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/base/memory.h"
#include "runtime/base/value.h"

namespace vx::test {

inline ValueRecord Call(CommandFn fn, std::initializer_list<ValueRecord> args) {
    std::vector<ValueRecord> records(args);
    ValueRecord result{};
    fn(&result, static_cast<int32_t>(records.size()), records.data());
    return result;
}

// The text a command returned (freed here); nullopt-like "<null>" is
// distinguished from "" by TextIsNull.
inline std::string TakeText(const ValueRecord& r) {
    RuntimeBlock owner(r.Address());
    return r.Text() ? std::string(r.Text()) : std::string();
}

// The bytes of a returned byte set (freed here).
inline std::string TakeBytes(const ValueRecord& r) {
    RuntimeBlock owner(r.Address());
    const void* block = r.Address();
    return std::string(reinterpret_cast<const char*>(ByteSetData(block)), ByteSetSize(block));
}

inline ValueRecord Text(const char* t) { return ValueRecord::OfText(t); }
inline ValueRecord Text(const std::string& t) { return ValueRecord::OfText(t.c_str()); }
inline ValueRecord Int(int32_t v) { return ValueRecord::OfInt(v); }
inline ValueRecord Bool(bool v) { return ValueRecord::OfBool(v); }
inline ValueRecord Omitted() { return ValueRecord{}; }

}  // namespace vx::test
