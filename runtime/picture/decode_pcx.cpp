// PCX, 256 colours (8 bits, one plane) and monochrome (1 bit, one plane),
// run-length decoded from byte 128 on.
#include "runtime/picture/picture_data.h"

#include "runtime/base/byte_reader.h"
#include "runtime/picture/dib_block.h"

#include <algorithm>
#include <cstring>

namespace vx::picture {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr uint8_t kPaletteMarker = 12;
constexpr size_t kPaletteSize = 256 * 3;
constexpr uint8_t kMaxRun = 0xFF - 0xC0;

// Decodes `lines` scan lines of `lineBytes` each, calling put(line, bytes)
// per line. Runs carry over into the next line and stop at the last one.
// Returns the position after the image data, or 0 if the data ends early.
template <class PutLine>
size_t DecodeRuns(Bytes b, size_t lineBytes, uint32_t lines, uint8_t* line, PutLine put) {
    size_t pos = kHeaderSize;
    uint8_t value = 0;
    uint32_t pending = 0;
    for (uint32_t y = 0; y < lines; ++y) {
        for (size_t x = 0; x < lineBytes;) {
            if (pending == 0) {
                if (pos >= b.size()) return 0;
                const uint8_t code = b[pos++];
                if (code > 0xC0) {
                    if (pos >= b.size()) return 0;
                    pending = code - 0xC0u;
                    value = b[pos++];
                } else {
                    pending = 1;
                    value = code;
                }
            }
            const size_t n = std::min<size_t>(pending, lineBytes - x);
            std::memset(line + x, value, n);
            x += n;
            pending -= uint32_t(n);
        }
        put(y, line);
    }
    return pos;
}

}  // namespace

std::optional<PictureData> DecodePcx(Bytes b) {
    if (b.size() < kHeaderSize + 1 || b[0] != 0x0A || b[1] > 5 || b[2] != 1) return std::nullopt;
    const uint8_t bits = b[3], planes = b[65];
    const uint16_t xmin = U16(&b[4]), ymin = U16(&b[6]), xmax = U16(&b[8]), ymax = U16(&b[10]);
    const uint16_t lineBytes = U16(&b[66]);
    if (xmax < xmin || ymax < ymin) return std::nullopt;
    const uint32_t width = uint32_t(xmax) - xmin + 1, height = uint32_t(ymax) - ymin + 1;
    if (!SizeAcceptable(width, height) || planes != 1) return std::nullopt;
    const bool mono = bits == 1;
    if (!mono && bits != 8) return std::nullopt;
    // A line must hold the whole width.
    if (lineBytes < (mono ? (width + 7) / 8 : width)) return std::nullopt;
    // Two bytes give at most kMaxRun decoded ones: refuse before allocating
    // when the data cannot possibly fill the picture.
    if (uint64_t(lineBytes) * height > (uint64_t(b.size() - kHeaderSize) / 2 + 1) * kMaxRun) return std::nullopt;

    PixelBuffer line = PixelBuffer::Zeroed(lineBytes);
    if (line.empty()) return std::nullopt;
    PictureData picture;
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    if (mono) {
        // Monochrome bitmap rows are word-aligned.
        const size_t stride = (size_t(width) + 15) / 16 * 2;
        PixelBuffer out = PixelBuffer::Zeroed(stride * height);
        if (out.empty()) return std::nullopt;
        const size_t copy = std::min<size_t>(stride, lineBytes);
        if (!DecodeRuns(b, lineBytes, height, line.data(),
                        [&](uint32_t y, const uint8_t* src) { std::memcpy(out.data() + stride * y, src, copy); })) {
            return std::nullopt;
        }
        picture.kind = Kind::PcxMono;
        picture.pixels = std::move(out);
        return picture;
    }
    PixelBuffer block = NewDibBlock(width, height);
    if (block.empty()) return std::nullopt;
    const size_t end = DecodeRuns(b, lineBytes, height, line.data(), [&](uint32_t y, const uint8_t* src) {
        std::memcpy(DibRow(block, width, y), src, width);
    });
    if (end == 0) return std::nullopt;
    if (end < b.size() && b[end] == kPaletteMarker && Fits(b, end + 1, kPaletteSize)) {
        SetDibPalette(block, &b[end + 1], 256);
    }
    picture.kind = Kind::Pcx256;
    picture.pixels = std::move(block);
    return picture;
}

}  // namespace vx::picture
