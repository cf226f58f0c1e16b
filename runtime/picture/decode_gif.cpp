// GIF: the block structure and LZW code streams of a file (the one decoder
// of the program), and the first image as a picture: LZW-decoded into an
// 8-bit top-down bitmap block the size of the logical screen.
#include "runtime/picture/gif_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/base/byte_reader.h"
#include "runtime/picture/dib_block.h"
#include "runtime/picture/picture_data.h"

namespace vx::picture::gif {
namespace {

constexpr char kSignature87[] = "GIF87a";
constexpr char kSignature89[] = "GIF89a";
constexpr size_t kSignatureSize = 6;
constexpr size_t kScreenDescriptorSize = 7;
constexpr size_t kImageDescriptorSize = 9;
constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr size_t kGraphicControlSize = 4;
constexpr uint8_t kHasColourTable = 0x80;  // screen and image descriptor flags
constexpr uint8_t kInterlaced = 0x40;      // image descriptor flag
constexpr uint8_t kTableSizeBits = 0x07;   // table of 2 << n entries
constexpr uint32_t kMaxCodes = 4096;
constexpr uint32_t kMaxCodeBits = 12;

Bytes ColourTable(ByteReader& r, uint8_t flags) {
    if (!(flags & kHasColourTable)) return {};
    return r.Take(3 * (size_t(2) << (flags & kTableSizeBits)));
}

// Data sub-blocks up to the empty one, joined into `into` when given; false
// if they run past the end.
bool ReadSubBlocks(ByteReader& r, std::vector<uint8_t>* into) {
    for (;;) {
        const uint8_t n = r.U8();
        if (r.failed()) return false;
        if (n == 0) return true;
        Bytes block = r.Take(n);
        if (r.failed()) return false;
        if (into) into->insert(into->end(), block.begin(), block.end());
    }
}

}  // namespace

std::optional<Reader> Reader::Open(Bytes file) {
    if (file.size() < kSignatureSize || (std::memcmp(file.data(), kSignature87, kSignatureSize) != 0 &&
                                         std::memcmp(file.data(), kSignature89, kSignatureSize) != 0)) {
        return std::nullopt;
    }
    Reader reader(file);
    ByteReader& r = reader.r_;
    r.Skip(kSignatureSize);
    Bytes screen = r.Take(kScreenDescriptorSize);
    if (r.failed()) return std::nullopt;
    reader.width_ = U16(&screen[0]);
    reader.height_ = U16(&screen[2]);
    reader.global_ = ColourTable(r, screen[4]);
    if (r.failed()) return std::nullopt;
    return reader;
}

Reader::Next Reader::NextImage(Image& image) {
    image = Image{};
    for (;;) {
        const uint8_t introducer = r_.U8();
        if (r_.failed()) return Next::kDamaged;
        if (introducer == kTrailer) return Next::kTrailer;
        if (introducer == kImageSeparator) break;
        if (introducer != kExtensionIntroducer) return Next::kDamaged;
        const uint8_t label = r_.U8();
        // A graphic control's fields are the first four bytes of its first
        // sub-block.
        const uint8_t size = r_.U8();
        Bytes g = r_.Take(size);
        if (r_.failed()) return Next::kDamaged;
        if (label == kGraphicControlLabel && size >= kGraphicControlSize)
            image.control = GifControl{true, uint8_t((g[0] >> 2) & 7), (g[0] & 1) != 0, U16(&g[1]), g[3]};
        if (size != 0 && !ReadSubBlocks(r_, nullptr)) return Next::kDamaged;
    }
    Bytes d = r_.Take(kImageDescriptorSize);
    if (r_.failed()) return Next::kDamaged;
    image.left = U16(&d[0]);
    image.top = U16(&d[2]);
    image.width = U16(&d[4]);
    image.height = U16(&d[6]);
    image.interlaced = (d[8] & kInterlaced) != 0;
    image.colourTable = (d[8] & kHasColourTable) ? ColourTable(r_, d[8]) : global_;
    image.minimumCodeSize = r_.U8();
    if (r_.failed() || !ReadSubBlocks(r_, &image.codes)) return Next::kDamaged;
    return Next::kImage;
}

LzwResult DecodeLzw(Bytes data, uint32_t minimum, std::span<uint8_t> out) {
    size_t written = 0;
    if (minimum < 1 || minimum > 8) return {0, LzwEnd::kBadCode};
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

    while (written < out.size()) {
        if (bitPos + bits > bitCount) return {written, LzwEnd::kDataEnded};
        uint32_t code = 0;
        for (uint32_t i = 0; i < bits; ++i, ++bitPos) code |= ((data[bitPos >> 3] >> (bitPos & 7)) & 1u) << i;
        if (code == clear) {
            next = clear + 2;
            bits = minimum + 1;
            previous = -1;
            continue;
        }
        if (code == end) return {written, LzwEnd::kEndCode};
        if (previous < 0) {
            if (code >= clear) return {written, LzwEnd::kBadCode};
            out[written++] = uint8_t(code);
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
            return {written, LzwEnd::kBadCode};
        }
        // Each entry's prefix is an older entry, so the walk ends within
        // the table and the stack (one entry per code) cannot overflow.
        while (walk >= clear) {
            stack[depth++] = suffix[walk];
            walk = prefix[walk];
        }
        stack[depth++] = uint8_t(walk);
        while (depth > 0 && written < out.size()) out[written++] = stack[--depth];
        if (next < kMaxCodes) {
            prefix[next] = uint16_t(previous);
            suffix[next] = head;
            first[next] = first[previous];
            ++next;
            if (next == (1u << bits) && bits < kMaxCodeBits) ++bits;
        }
        previous = int32_t(code);
    }
    return {written, LzwEnd::kComplete};
}

uint64_t MostLzwIndexes(size_t bytes, uint32_t minimum) { return uint64_t(bytes) * 8 / (minimum + 1) * kMaxCodes; }

uint32_t ImageRow(uint32_t r, uint32_t height, bool interlaced) {
    if (!interlaced) return r;
    static constexpr uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const uint32_t rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (r < rows) return kStart[pass] + r * kStep[pass];
        r -= rows;
    }
    return height;  // not reached for r < height
}

}  // namespace vx::picture::gif

namespace vx::picture {

// The first image, strictly: any damage before or in it, an index outside
// its colour table or too few indexes refuse the whole picture.
std::optional<PictureData> DecodeGif(Bytes b) {
    std::optional<gif::Reader> reader = gif::Reader::Open(b);
    if (!reader) return std::nullopt;
    const uint32_t width = reader->width(), height = reader->height();
    if (!SizeAcceptable(width, height)) return std::nullopt;
    gif::Image image;
    if (reader->NextImage(image) != gif::Reader::Next::kImage) return std::nullopt;
    if (!SizeAcceptable(image.width, image.height) || image.colourTable.empty()) return std::nullopt;
    const uint32_t colours = uint32_t(image.colourTable.size() / 3);
    // Too little data for every pixel fails anyway; refuse it before the
    // index buffer is allocated.
    if (uint64_t(image.width) * image.height > gif::MostLzwIndexes(image.codes.size(), image.minimumCodeSize))
        return std::nullopt;

    std::vector<uint8_t> indexes;
    try {
        indexes.resize(size_t(image.width) * image.height);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (gif::DecodeLzw(image.codes, image.minimumCodeSize, indexes).end != gif::LzwEnd::kComplete) return std::nullopt;
    for (uint8_t index : indexes)
        if (index >= colours) return std::nullopt;

    PixelBuffer block = NewDibBlock(width, height);
    if (block.empty()) return std::nullopt;
    SetDibPalette(block, image.colourTable.data(), colours);
    // Rows placed where the image lies on the screen, clipped to it.
    for (uint32_t r = 0; r < image.height; ++r) {
        const uint64_t y = uint64_t(image.top) + gif::ImageRow(r, image.height, image.interlaced);
        if (y >= height || image.left >= width) continue;
        const uint32_t count = std::min(image.width, width - image.left);
        std::memcpy(DibRow(block, width, uint32_t(y)) + image.left, &indexes[size_t(r) * image.width], count);
    }

    PictureData picture;
    picture.kind = Kind::Gif;
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    picture.pixels = std::move(block);
    picture.gif = image.control;
    return picture;
}

}  // namespace vx::picture
