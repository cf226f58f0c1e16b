// Little-endian fields of the binary formats this program reads and writes
// (window templates, pictures, ZIP records, PE images): raw loads and stores
// at a checked place, a bounds-checked cursor and appending writers. Every
// byte parser reads through this one header.
//
// Portable: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace vx {

using Bytes = std::span<const uint8_t>;

// Whether count bytes from offset lie inside b (without overflowing).
inline bool Fits(Bytes b, size_t offset, size_t count) { return offset <= b.size() && count <= b.size() - offset; }

// Loads and stores at a place the caller has checked with Fits.
inline uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }
// PNG's own fields are big-endian.
inline uint32_t U32BigEndian(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Cursor over a byte span. A read past the end yields 0 or empty and sets
// failed(); later reads keep failing, so a parser may read a whole record
// and check once.
class ByteReader {
public:
    explicit ByteReader(Bytes bytes) : bytes_(bytes) {}

    uint8_t U8() {
        Bytes b = Take(1);
        return b.empty() ? 0 : b[0];
    }
    uint16_t U16() {
        Bytes b = Take(2);
        return b.empty() ? 0 : vx::U16(b.data());
    }
    uint32_t U32() {
        Bytes b = Take(4);
        return b.empty() ? 0 : vx::U32(b.data());
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    // Exactly n bytes.
    Bytes Take(size_t n) {
        if (failed_ || n > remaining()) {
            failed_ = true;
            return {};
        }
        Bytes b = bytes_.subspan(pos_, n);
        pos_ += n;
        return b;
    }
    void Skip(size_t n) { Take(n); }
    // Counted block: 32-bit length (0 or less: empty), then the bytes.
    Bytes Block() {
        int32_t length = I32();
        if (failed_ || length <= 0) return {};
        return Take(size_t(length));
    }
    // Counted text: as a block, cut at its first zero byte.
    std::string_view CountedText() {
        Bytes b = Block();
        std::string_view s(reinterpret_cast<const char*>(b.data()), b.size());
        return s.substr(0, s.find('\0'));
    }
    // Zero-terminated text (the zero is consumed, not returned).
    std::string_view ZeroText() {
        if (failed_) return {};
        // An empty span may have no data pointer at all, which memchr must not get.
        const void* zero = remaining() ? std::memchr(bytes_.data() + pos_, 0, remaining()) : nullptr;
        if (!zero) {
            failed_ = true;
            return {};
        }
        size_t n = size_t(static_cast<const uint8_t*>(zero) - (bytes_.data() + pos_));
        std::string_view s(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
        pos_ += n + 1;
        return s;
    }

    bool failed() const { return failed_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return bytes_.size() - pos_; }

private:
    Bytes bytes_;
    size_t pos_ = 0;
    bool failed_ = false;
};

// Appending the same fields.
inline void PutU16(std::vector<uint8_t>& out, uint16_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); }
inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}
inline void PutI32(std::vector<uint8_t>& out, int32_t v) { PutU32(out, static_cast<uint32_t>(v)); }
inline void PutBlock(std::vector<uint8_t>& out, Bytes block) {
    PutI32(out, static_cast<int32_t>(block.size()));
    out.insert(out.end(), block.begin(), block.end());
}
inline void PutCountedText(std::vector<uint8_t>& out, std::string_view text) {
    PutBlock(out, Bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}
inline void PutZeroText(std::vector<uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

}  // namespace vx
