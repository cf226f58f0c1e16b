// Uncompressed BMP (1, 4, 8, 24 and 32 bits per pixel) into 3-byte
// blue-green-red rows, bottom-up.
#include "runtime/picture/picture_data.h"

#include "runtime/base/byte_reader.h"

#include <cstring>

namespace vx::picture {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

struct BmpHeader {
    uint32_t pixelOffset;
    uint32_t infoSize;
    uint32_t width;
    uint32_t height;
    bool topDown;
    uint16_t bits;
    uint32_t colours;  // palette entries, 0 for 24/32 bits
};

bool ReadHeader(Bytes b, BmpHeader& h) {
    if (!Fits(b, 0, kFileHeaderSize + kInfoHeaderSize) || b[0] != 'B' || b[1] != 'M') return false;
    const uint8_t* info = b.data() + kFileHeaderSize;
    h.pixelOffset = U32(b.data() + 10);
    h.infoSize = U32(info);
    const int64_t width = I32(info + 4), height = I32(info + 8);
    h.bits = U16(info + 14);
    const uint32_t compression = U32(info + 16), used = U32(info + 32);
    // Larger (V4/V5) headers are fine: the colour table follows whatever
    // the header size says, not a fixed 54 bytes.
    if (h.infoSize < kInfoHeaderSize || !Fits(b, kFileHeaderSize, h.infoSize) || compression != 0) return false;
    h.width = static_cast<uint32_t>(width < 0 ? -width : width);
    h.height = static_cast<uint32_t>(height < 0 ? -height : height);
    h.topDown = height < 0;
    if (!SizeAcceptable(h.width, h.height)) return false;
    switch (h.bits) {
    case 1:
    case 4:
    case 8: h.colours = used ? used : 1u << h.bits; return h.colours <= 256;
    case 24:
    case 32: h.colours = 0; return true;
    default: return false;
    }
}

}  // namespace

std::optional<PictureData> DecodeBmp(Bytes b) {
    BmpHeader h;
    if (!ReadHeader(b, h)) return std::nullopt;
    const size_t paletteAt = kFileHeaderSize + h.infoSize;
    if (!Fits(b, paletteAt, size_t(h.colours) * 4) || h.pixelOffset < paletteAt + size_t(h.colours) * 4) {
        return std::nullopt;
    }
    const uint8_t* palette = b.data() + paletteAt;
    const size_t srcStride = (size_t(h.width) * h.bits + 31) / 32 * 4;
    if (!Fits(b, h.pixelOffset, srcStride * h.height)) return std::nullopt;

    const size_t dstStride = size_t(h.width) * 3;
    PixelBuffer out = PixelBuffer::Zeroed(dstStride * h.height);
    if (out.empty()) return std::nullopt;
    for (uint32_t y = 0; y < h.height; ++y) {
        // Output rows run bottom-up; a top-down file (negative height) is
        // turned over rather than shown upside down.
        const uint32_t srcRow = h.topDown ? h.height - 1 - y : y;
        const uint8_t* src = b.data() + h.pixelOffset + srcStride * srcRow;
        uint8_t* dst = out.data() + dstStride * y;
        if (h.bits >= 24) {
            const size_t step = h.bits / 8;
            for (uint32_t x = 0; x < h.width; ++x) std::memcpy(dst + 3 * x, src + step * x, 3);
            continue;
        }
        const uint32_t perByte = 8 / h.bits, mask = (1u << h.bits) - 1;
        for (uint32_t x = 0; x < h.width; ++x) {
            const uint32_t shift = 8 - h.bits * (x % perByte + 1);
            const uint32_t index = (src[x / perByte] >> shift) & mask;
            if (index >= h.colours) return std::nullopt;
            std::memcpy(dst + 3 * x, palette + 4 * index, 3);
        }
    }
    PictureData picture;
    picture.kind = Kind::Bmp;
    picture.width = static_cast<int32_t>(h.width);
    picture.height = static_cast<int32_t>(h.height);
    picture.pixels = std::move(out);
    return picture;
}

}  // namespace vx::picture
