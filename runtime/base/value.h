// Value records, type codes and the stored layouts of texts, byte sets and
// arrays. Portable: no <windows.h>, so the byte-level rules build and test
// natively as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace vx {

// Type codes carried in the third word of a value record.
namespace type {
constexpr uint32_t Omitted = 0x00000000;
constexpr uint32_t Byte = 0x80000101;
constexpr uint32_t Short = 0x80000201;
constexpr uint32_t Int = 0x80000301;
constexpr uint32_t Long = 0x80000401;
constexpr uint32_t Float = 0x80000501;
constexpr uint32_t Double = 0x80000601;
constexpr uint32_t Bool = 0x80000002;
constexpr uint32_t DateTime = 0x80000003;
constexpr uint32_t Text = 0x80000004;
constexpr uint32_t Bytes = 0x80000005;
constexpr uint32_t SubProgram = 0x80000006;
constexpr uint32_t System8 = 0x80000008;
constexpr uint32_t Window = 0x00010001;  // core library, type 1

constexpr uint32_t ByAddress = 0x20000000;

constexpr uint32_t Base(uint32_t code) { return code & ~ByAddress; }
constexpr bool IsByAddress(uint32_t code) { return (code & ByAddress) != 0; }
// Top two bits 10: a system type. 00 and non-zero: a library-defined type.
constexpr bool IsSystem(uint32_t code) { return (Base(code) & 0xC0000000u) == 0x80000000u; }
constexpr bool IsLibraryType(uint32_t code) { return Base(code) != 0 && (Base(code) & 0xC0000000u) == 0; }
constexpr bool IsNumeric(uint32_t code) { return IsSystem(code) && (Base(code) & 0xFF) == 0x01; }
constexpr uint16_t LibraryOf(uint32_t code) { return static_cast<uint16_t>(Base(code) >> 16); }
constexpr uint16_t TypeInLibrary(uint32_t code) { return static_cast<uint16_t>(Base(code) & 0xFFFF); }
constexpr uint32_t Make(uint16_t library, uint16_t typeNumber) { return (uint32_t(library) << 16) | typeNumber; }

// Storage size of one element when a value is copied or converted. Texts and
// byte sets are stored as addresses, which are pointer-sized on this target.
// 0 for codes without a fixed size.
constexpr size_t StorageSize(uint32_t code) {
    switch (Base(code)) {
    case Byte: return 1;
    case Short: return 2;
    case Int:
    case Float:
    case Bool:
    case SubProgram: return 4;
    case Long:
    case Double:
    case DateTime:
    case System8: return 8;
    case Text:
    case Bytes: return sizeof(void*);
    default: return IsLibraryType(code) ? 8 : 0;
    }
}
}  // namespace type

// Three 32-bit words: value low, value high, type code. Where the design
// keeps an address in the value words, the address spans both words (low
// word first), so a 64-bit pointer fits without changing the record's shape.
struct ValueRecord {
    uint32_t low = 0;
    uint32_t high = 0;
    uint32_t type = type::Omitted;

    bool Given() const { return type != type::Omitted; }

    int32_t Int() const { return static_cast<int32_t>(low); }
    int64_t Long() const { return static_cast<int64_t>((uint64_t(high) << 32) | low); }
    bool Bool() const { return low != 0; }
    double Double() const {
        uint64_t bits = (uint64_t(high) << 32) | low;
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    float Float() const {
        float f;
        std::memcpy(&f, &low, sizeof f);
        return f;
    }
    template <class T = void>
    T* Address() const {
        return reinterpret_cast<T*>(static_cast<uintptr_t>((uint64_t(high) << 32) | low));
    }
    const char* Text() const { return Address<const char>(); }

    static ValueRecord OfInt(int32_t v) { return {static_cast<uint32_t>(v), 0, type::Int}; }
    static ValueRecord OfLong(int64_t v) {
        return {static_cast<uint32_t>(uint64_t(v)), static_cast<uint32_t>(uint64_t(v) >> 32), type::Long};
    }
    static ValueRecord OfBool(bool v) { return {v ? 1u : 0u, 0, type::Bool}; }
    static ValueRecord OfDouble(double d) {
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        return {static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32), type::Double};
    }
    static ValueRecord OfAddress(const void* p, uint32_t code) {
        auto v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
        return {static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32), code};
    }
    static ValueRecord OfText(const char* text) { return OfAddress(text, type::Text); }
    static ValueRecord OfBytes(const void* block) { return OfAddress(block, type::Bytes); }
    void SetInt(int32_t v) {
        low = static_cast<uint32_t>(v);
        high = 0;
    }
    void SetBool(bool v) {
        low = v ? 1 : 0;
        high = 0;
    }
    void SetAddress(const void* p) {
        auto v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
        low = static_cast<uint32_t>(v);
        high = static_cast<uint32_t>(v >> 32);
    }
};
static_assert(sizeof(ValueRecord) == 12, "a value record is three 32-bit words");

// A command: (result record, argument count, first argument record).
using CommandFn = void (*)(ValueRecord* result, int32_t argc, ValueRecord* args);

// Byte set: {1, n} followed by n bytes. Address 0 is the empty byte set.
struct ByteSetHeader {
    int32_t one;
    int32_t count;
};
inline size_t ByteSetSize(const void* block) {
    if (!block) return 0;
    int32_t n;
    std::memcpy(&n, static_cast<const uint8_t*>(block) + 4, 4);
    return n > 0 ? static_cast<size_t>(n) : 0;
}
inline const uint8_t* ByteSetData(const void* block) {
    return block ? static_cast<const uint8_t*>(block) + sizeof(ByteSetHeader) : nullptr;
}

// Array: int32 dimension count d, d int32 sizes (outermost first), then the
// elements packed without gaps. Address 0 is an empty array.
struct ArrayView {
    const uint8_t* block = nullptr;

    int32_t Dimensions() const { return block ? ReadInt(0) : 0; }
    int32_t Size(int32_t dim) const { return ReadInt(4 + 4 * size_t(dim)); }
    // Product of the sizes; 0 for no dimensions or an empty array.
    int64_t Count() const {
        int32_t d = Dimensions();
        if (d <= 0) return 0;
        int64_t n = 1;
        for (int32_t i = 0; i < d; ++i) n *= Size(i);
        return n < 0 ? 0 : n;
    }
    uint8_t* Elements() const { return const_cast<uint8_t*>(block) + 4 + 4 * size_t(Dimensions()); }

private:
    int32_t ReadInt(size_t offset) const {
        int32_t v;
        std::memcpy(&v, block + offset, 4);
        return v;
    }
};

// A float or double as a 32-bit integer: truncated toward zero, NaN as 0,
// values beyond the range clamped to its ends (a plain cast is undefined).
inline int32_t TruncateToInt32(double d) {
    if (d != d) return 0;
    if (d >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (d <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(d);
}

}  // namespace vx
