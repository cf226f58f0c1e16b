// The 8-bit top-down bitmap block of GIF and 256-colour PCX pictures:
// 40-byte header, 256 colour entries (blue, green, red, 0), pixel rows
// padded to 4 bytes.
#pragma once

#include "runtime/base/byte_reader.h"
#include "runtime/picture/picture_data.h"

namespace vx::picture {

inline size_t DibStride(uint32_t width) { return (size_t(width) + 3) & ~size_t(3); }

// Zero-filled block with its header written; empty when out of memory.
inline PixelBuffer NewDibBlock(uint32_t width, uint32_t height) {
    const size_t pixels = DibStride(width) * height;
    PixelBuffer block = PixelBuffer::Zeroed(kDibPixelOffset + pixels);
    if (block.empty()) return block;
    uint8_t* h = block.data();
    PutU32(h, kDibHeaderSize);
    PutU32(h + 4, width);
    PutU32(h + 8, static_cast<uint32_t>(-static_cast<int32_t>(height)));  // top-down
    PutU16(h + 12, 1);
    PutU16(h + 14, 8);
    PutU32(h + 20, static_cast<uint32_t>(pixels));
    PutU32(h + 32, 256);
    return block;
}

inline uint8_t* DibPalette(const PixelBuffer& block) { return block.data() + kDibHeaderSize; }
inline uint8_t* DibRow(const PixelBuffer& block, uint32_t width, uint32_t y) {
    return block.data() + kDibPixelOffset + DibStride(width) * y;
}
// Red-green-blue triples into the block's colour table.
inline void SetDibPalette(const PixelBuffer& block, const uint8_t* rgb, size_t count) {
    uint8_t* p = DibPalette(block);
    for (size_t i = 0; i < count && i < 256; ++i) {
        p[4 * i] = rgb[3 * i + 2];
        p[4 * i + 1] = rgb[3 * i + 1];
        p[4 * i + 2] = rgb[3 * i];
    }
}

}  // namespace vx::picture
