// ICO and CUR: choose one image from the directory and check that its
// resource bytes are complete before the system is asked to make an icon.
#include "runtime/picture/picture_data.h"

#include "runtime/base/byte_reader.h"

#include <cstring>

namespace vx::picture {
namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct IconSize {
    uint32_t width;
    uint32_t height;  // of the picture, i.e. half the height of the resource
};

// A PNG-compressed image carries its size in IHDR.
bool PngImageSize(Bytes data, IconSize& size) {
    if (!Fits(data, 0, 24)) return false;
    size = {U32BigEndian(&data[16]), U32BigEndian(&data[20])};
    return SizeAcceptable(size.width, size.height);
}

// A bitmap image: header, colour table, colour bits and mask bits must all
// lie inside the entry, or the system would read past it.
bool BitmapImageSize(Bytes data, IconSize& size) {
    if (!Fits(data, 0, 40)) return false;
    const uint32_t headerSize = U32(&data[0]);
    const int32_t width = I32(&data[4]), height = I32(&data[8]);
    const uint16_t bits = U16(&data[14]);
    const uint32_t compression = U32(&data[16]), used = U32(&data[32]);
    if (headerSize < 40 || width <= 0 || height <= 1 || compression != 0) return false;
    size = {uint32_t(width), uint32_t(height) / 2};
    if (!SizeAcceptable(size.width, size.height)) return false;
    uint64_t colours = 0;
    switch (bits) {
    case 1:
    case 4:
    case 8: colours = used ? used : 1u << bits; break;
    case 16:
    case 24:
    case 32: break;
    default: return false;
    }
    if (colours > 256) return false;
    const uint64_t colourRow = (uint64_t(size.width) * bits + 31) / 32 * 4;
    const uint64_t maskRow = (uint64_t(size.width) + 31) / 32 * 4;
    const uint64_t needed = headerSize + colours * 4 + (colourRow + maskRow) * size.height;
    return needed <= data.size();
}

}  // namespace

std::optional<PictureData> DecodeIcon(Bytes b) {
    if (!Fits(b, 0, kHeaderSize) || U16(&b[0]) != 0) return std::nullopt;
    const uint16_t type = U16(&b[2]), count = U16(&b[4]);
    if ((type != 1 && type != 2) || count == 0) return std::nullopt;
    // The first 32-pixel-wide entry with more than 15 colours, else the last.
    size_t chosen = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = kHeaderSize + kEntrySize * i;
        if (!Fits(b, at, kEntrySize)) return std::nullopt;
        chosen = at;
        if (b[at] == 32 && b[at + 2] > 15) break;
    }
    const uint8_t* entry = &b[chosen];
    const uint32_t size = U32(entry + 8), offset = U32(entry + 12);
    if (size == 0 || !Fits(b, offset, size)) return std::nullopt;
    const Bytes data = b.subspan(offset, size);
    IconSize dims;
    const bool png = data.size() >= 8 && std::memcmp(data.data(), kPngSignature, 8) == 0;
    if (!(png ? PngImageSize(data, dims) : BitmapImageSize(data, dims))) return std::nullopt;

    // A cursor resource starts with its hot spot, which a cursor file keeps
    // in the directory entry instead.
    const size_t prefix = type == 2 ? 4 : 0;
    PixelBuffer resource = PixelBuffer::Zeroed(prefix + data.size());
    if (resource.empty()) return std::nullopt;
    if (prefix) std::memcpy(resource.data(), entry + 4, 4);
    std::memcpy(resource.data() + prefix, data.data(), data.size());

    PictureData picture;
    picture.kind = type == 1 ? Kind::Ico : Kind::Cur;
    picture.width = static_cast<int32_t>(dims.width);
    picture.height = static_cast<int32_t>(dims.height);
    picture.pixels = std::move(resource);
    return picture;
}

}  // namespace vx::picture
