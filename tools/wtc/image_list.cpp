// The image-list block of a bar: a strip's cells as the common controls'
// image-list stream.
#include <iterator>

#include "runtime/windows/template/template.h"
#include "runtime/windows/template/type_data.h"
#include "tools/wtc/wtc.h"

namespace wtc {

namespace wt = vx::wt;
using Buffer = std::vector<uint8_t>;

std::vector<uint8_t> ImageListBlock(const Pixels& strip, uint32_t cellWidth, uint32_t cellHeight, uint32_t count) {
    // The stream keeps its cells four to a row, as the image list holds them.
    constexpr uint32_t kTiles = 4;
    const uint32_t rows = (count + kTiles - 1) / kTiles;
    const uint32_t width = cellWidth * kTiles, height = cellHeight * rows;
    const uint32_t colourStride = (width * 24 + 31) / 32 * 4;
    const uint32_t maskStride = (width + 31) / 32 * 4;
    const uint32_t across = strip.width / cellWidth;

    Buffer colour(size_t(colourStride) * height, 0);
    Buffer mask(size_t(maskStride) * height, 0xFF);  // unused space is transparent
    for (uint32_t cell = 0; cell < count; ++cell) {
        uint32_t sx = (cell % across) * cellWidth, sy = (cell / across) * cellHeight;
        uint32_t dx = (cell % kTiles) * cellWidth, dy = (cell / kTiles) * cellHeight;
        for (uint32_t y = 0; y < cellHeight; ++y) {
            const uint8_t* src = &strip.rgba[(size_t(sy + y) * strip.width + sx) * 4];
            uint32_t row = height - 1 - (dy + y);  // bottom-up
            for (uint32_t x = 0; x < cellWidth; ++x, src += 4) {
                bool transparent = src[3] < 128 || (src[0] == 255 && src[1] == 0 && src[2] == 255);
                uint32_t px = dx + x;
                uint8_t* c = &colour[size_t(row) * colourStride + px * 3];
                uint8_t& m = mask[size_t(row) * maskStride + px / 8];
                uint8_t bit = uint8_t(0x80 >> (px % 8));
                if (transparent) {
                    c[0] = c[1] = c[2] = 0;  // masked pixels stay black in the colour bitmap
                } else {
                    c[0] = src[2];
                    c[1] = src[1];
                    c[2] = src[0];
                    m = uint8_t(m & ~bit);
                }
            }
        }
    }

    auto putU16 = [](Buffer& out, uint32_t v) { wt::PutU16(out, uint16_t(v)); };
    auto bitmap = [&](Buffer& out, uint16_t bits, const Buffer& pixels) {
        uint32_t palette = bits == 1 ? 8 : 0;
        uint32_t offBits = 14 + 40 + palette;
        putU16(out, 0x4D42);  // "BM"
        wt::PutI32(out, int32_t(offBits + pixels.size()));
        wt::PutI32(out, 0);
        wt::PutI32(out, int32_t(offBits));
        wt::PutI32(out, 40);
        wt::PutI32(out, int32_t(width));
        wt::PutI32(out, int32_t(height));
        putU16(out, 1);
        putU16(out, bits);
        wt::PutI32(out, 0);  // BI_RGB
        wt::PutI32(out, int32_t(pixels.size()));
        wt::PutI32(out, 0);
        wt::PutI32(out, 0);
        wt::PutI32(out, 0);
        wt::PutI32(out, 0);
        if (bits == 1) {
            wt::PutI32(out, 0x00000000);
            wt::PutI32(out, 0x00FFFFFF);
        }
        out.insert(out.end(), pixels.begin(), pixels.end());
    };

    Buffer out(std::begin(wt::kImageListTag), std::end(wt::kImageListTag));
    putU16(out, 0x4C49);  // "IL"
    putU16(out, 0x0101);
    putU16(out, count);          // images in the list
    putU16(out, rows * kTiles);  // room for
    putU16(out, kTiles);         // grow step
    putU16(out, cellWidth);
    putU16(out, cellHeight);
    wt::PutI32(out, -1);                              // no background colour (CLR_NONE)
    putU16(out, 0x0018 | 0x0001);                     // 24-bit colour with mask
    for (int k = 0; k < 4; ++k) putU16(out, 0xFFFF);  // no overlay images
    bitmap(out, 24, colour);
    bitmap(out, 1, mask);
    return out;
}

}  // namespace wtc
