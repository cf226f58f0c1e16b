// Little-endian field access over a byte span, bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vx::picture {

inline bool Fits(std::span<const uint8_t> b, size_t offset, size_t count) {
    return offset <= b.size() && count <= b.size() - offset;
}
// Callers check Fits first.
inline uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }
inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace vx::picture
