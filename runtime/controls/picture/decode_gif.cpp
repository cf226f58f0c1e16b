// GIF: the first image of the file, LZW-decoded into an 8-bit top-down
// bitmap block the size of the logical screen.
#include "runtime/controls/picture/picture_data.h"

#include "runtime/byte_reader.h"
#include "runtime/controls/picture/dib_block.h"

#include <cstring>
#include <vector>

namespace vx::picture {
namespace {

constexpr size_t kMinimumSize = 14;
constexpr uint32_t kMaxCodes = 4096;
constexpr uint32_t kMaxCodeBits = 12;

// Cursor over the blocks of the file; every read is checked.
struct Cursor {
    Bytes b;
    size_t pos = 0;
    bool Has(size_t n) const { return Fits(b, pos, n); }
    const uint8_t* Take(size_t n) {
        const uint8_t* p = b.data() + pos;
        pos += n;
        return p;
    }
};

// Joins the data sub-blocks that follow; false if they run past the end.
bool ReadSubBlocks(Cursor& c, std::vector<uint8_t>* into) {
    for (;;) {
        if (!c.Has(1)) return false;
        const uint8_t n = *c.Take(1);
        if (n == 0) return true;
        if (!c.Has(n)) return false;
        const uint8_t* p = c.Take(n);
        if (into) into->insert(into->end(), p, p + n);
    }
}

// Where decoded pixels land: image rows (interlaced or not) clipped to the
// logical screen.
struct PixelSink {
    const PixelBuffer* block;
    uint32_t screenWidth, screenHeight;
    uint32_t left, top, width, height;
    bool interlaced;
    uint32_t colours;  // entries of the colour table in force
    uint64_t written = 0;

    uint32_t RowOf(uint32_t r) const {
        if (!interlaced) return r;
        static constexpr uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            const uint32_t rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
            if (r < rows) return kStart[pass] + r * kStep[pass];
            r -= rows;
        }
        return height;  // not reached for r < height
    }
    bool Full() const { return written == uint64_t(width) * height; }
    // False for an index outside the colour table.
    bool Put(uint8_t index) {
        if (index >= colours) return false;
        const uint32_t x = uint32_t(written % width), r = uint32_t(written / width);
        ++written;
        const uint64_t sx = uint64_t(left) + x, sy = uint64_t(top) + RowOf(r);
        if (sx < screenWidth && sy < screenHeight) DibRow(*block, screenWidth, uint32_t(sy))[sx] = index;
        return true;
    }
};

// Standard GIF LZW: codes read least significant bit first, growing from
// minimum + 1 bits to 12; once the 4096-entry table is full it stays as it
// is until the next clear code. False on a code past the table, an index
// outside the colour table, or data that ends before every pixel is set.
bool DecodeLzw(const std::vector<uint8_t>& data, uint32_t minimum, PixelSink& sink) {
    if (minimum < 1 || minimum > 8) return false;
    uint16_t prefix[kMaxCodes];
    uint8_t suffix[kMaxCodes], first[kMaxCodes];
    uint8_t stack[kMaxCodes];
    const uint32_t clear = 1u << minimum, end = clear + 1;
    for (uint32_t i = 0; i < clear; ++i) {
        prefix[i] = 0;
        suffix[i] = first[i] = uint8_t(i);
    }
    uint32_t next = clear + 2, bits = minimum + 1;
    int32_t previous = -1;
    uint64_t bitPos = 0;
    const uint64_t bitCount = uint64_t(data.size()) * 8;

    while (!sink.Full()) {
        if (bitPos + bits > bitCount) return false;
        uint32_t code = 0;
        for (uint32_t i = 0; i < bits; ++i, ++bitPos) code |= ((data[bitPos >> 3] >> (bitPos & 7)) & 1u) << i;
        if (code == clear) {
            next = clear + 2;
            bits = minimum + 1;
            previous = -1;
            continue;
        }
        if (code == end) return false;
        if (previous < 0) {
            if (code >= clear) return false;
            if (!sink.Put(uint8_t(code))) return false;
            previous = int32_t(code);
            continue;
        }
        uint32_t depth = 0, walk = code;
        uint8_t head;
        if (code < next) {
            head = first[code];
        } else if (code == next && next < kMaxCodes) {
            // The code being defined right now: previous string plus its
            // own first byte.
            head = first[previous];
            stack[depth++] = head;
            walk = uint32_t(previous);
        } else {
            return false;
        }
        while (walk >= clear) {
            stack[depth++] = suffix[walk];
            walk = prefix[walk];
        }
        stack[depth++] = uint8_t(walk);
        while (depth > 0 && !sink.Full()) {
            if (!sink.Put(stack[--depth])) return false;
        }
        if (next < kMaxCodes) {
            prefix[next] = uint16_t(previous);
            suffix[next] = head;
            first[next] = first[previous];
            ++next;
            if (next == (1u << bits) && bits < kMaxCodeBits) ++bits;
        }
        previous = int32_t(code);
    }
    return true;
}

}  // namespace

std::optional<PictureData> DecodeGif(Bytes b) {
    if (b.size() < kMinimumSize || (std::memcmp(b.data(), "GIF87a", 6) != 0 && std::memcmp(b.data(), "GIF89a", 6) != 0)) {
        return std::nullopt;
    }
    Cursor c{b, 6};
    const uint8_t* screen = c.Take(7);
    const uint32_t width = U16(screen), height = U16(screen + 2);
    const uint8_t flags = screen[4];
    if (!SizeAcceptable(width, height)) return std::nullopt;
    const uint8_t* globalTable = nullptr;
    uint32_t globalColours = 0;
    if (flags & 0x80) {
        globalColours = 2u << (flags & 7);
        if (!c.Has(3 * size_t(globalColours))) return std::nullopt;
        globalTable = c.Take(3 * size_t(globalColours));
    }

    PictureData picture;
    for (;;) {
        if (!c.Has(1)) return std::nullopt;
        const uint8_t introducer = *c.Take(1);
        if (introducer == 0x21) {
            if (!c.Has(1)) return std::nullopt;
            const uint8_t label = *c.Take(1);
            if (label == 0xF9 && c.Has(6) && c.b[c.pos] >= 4) {
                const uint8_t* g = c.b.data() + c.pos + 1;
                picture.gif = GifControl{true, uint8_t((g[0] >> 2) & 7), (g[0] & 1) != 0, U16(g + 1), g[3]};
            }
            if (!ReadSubBlocks(c, nullptr)) return std::nullopt;
            continue;
        }
        if (introducer != 0x2C) return std::nullopt;  // trailer before any image, or junk
        break;
    }

    if (!c.Has(9)) return std::nullopt;
    const uint8_t* d = c.Take(9);
    PixelSink sink{nullptr, width, height, U16(d), U16(d + 2), U16(d + 4), U16(d + 6), (d[8] & 0x40) != 0, 0};
    if (!SizeAcceptable(sink.width, sink.height)) return std::nullopt;
    const uint8_t* table = globalTable;
    sink.colours = globalColours;
    if (d[8] & 0x80) {
        sink.colours = 2u << (d[8] & 7);
        if (!c.Has(3 * size_t(sink.colours))) return std::nullopt;
        table = c.Take(3 * size_t(sink.colours));
    }
    if (!table || !c.Has(1)) return std::nullopt;
    const uint32_t minimum = *c.Take(1);
    std::vector<uint8_t> data;
    if (!ReadSubBlocks(c, &data)) return std::nullopt;

    PixelBuffer block = NewDibBlock(width, height);
    if (block.empty()) return std::nullopt;
    SetDibPalette(block, table, sink.colours);
    sink.block = &block;
    if (!DecodeLzw(data, minimum, sink)) return std::nullopt;

    picture.kind = Kind::Gif;
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    picture.pixels = std::move(block);
    return picture;
}

}  // namespace vx::picture
