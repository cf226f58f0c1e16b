// Reading command arguments out of value records. A record past the argument
// count reads as omitted, so a short call never reaches beyond its records.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/base/text.h"
#include "runtime/base/value.h"

namespace vx::commands {

inline const ValueRecord& Arg(int32_t argc, const ValueRecord* args, int32_t index) {
    static const ValueRecord kOmitted{};
    return (args && index >= 0 && index < argc) ? args[index] : kOmitted;
}

inline bool Given(int32_t argc, const ValueRecord* args, int32_t index) { return Arg(argc, args, index).Given(); }

// A text argument; any record that is not a text reads as the empty text.
inline const char* TextPointer(const ValueRecord& v) {
    return type::Base(v.type) == type::Text && !type::IsByAddress(v.type) ? v.Text() : nullptr;
}
inline std::string_view TextArg(const ValueRecord& v) { return text::View(TextPointer(v)); }

// A byte-set argument as its bytes; the constant {1, 0} block and 0 are empty.
struct ByteSpan {
    const uint8_t* data = nullptr;
    size_t size = 0;
};
inline ByteSpan BytesArg(const ValueRecord& v) {
    if (type::Base(v.type) != type::Bytes || type::IsByAddress(v.type)) return {};
    const void* block = v.Address();
    return {ByteSetData(block), ByteSetSize(block)};
}

// Integer conversion of one value, by the rules of ToInteger.
int32_t ToInt32(const ValueRecord& v);

// An integer argument: any numeric record (or a logical) converted, else
// the fallback.
inline int32_t IntArg(const ValueRecord& v, int32_t fallback = 0) {
    if (type::IsByAddress(v.type)) return fallback;
    if (type::IsNumeric(v.type) || v.type == type::Bool) return ToInt32(v);
    return fallback;
}

inline bool BoolArg(const ValueRecord& v, bool fallback = false) {
    if (!v.Given() || type::IsByAddress(v.type)) return fallback;
    if (v.type == type::Bool) return v.low != 0;
    if (type::IsNumeric(v.type)) return ToInt32(v) != 0;
    return fallback;
}

}  // namespace vx::commands
