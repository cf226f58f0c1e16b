// libFuzzer target for one decoder family, chosen at build time with
// VX_FUZZ_FAMILY (bmp, gif, pcx, icon, png, jpeg, or any for detection and
// the dispatch). The decoded record's size is checked against its kind and
// its ends are read, so that a wrong size would be caught by the sanitizers.
#include "runtime/picture/picture_data.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/picture/gif_decoder.h"

namespace {

using namespace vx::picture;

#define VX_FAMILY_IS(name) (std::strcmp(VX_FUZZ_FAMILY, name) == 0)

std::optional<PictureData> DecodeFamily(Bytes bytes) {
    if (VX_FAMILY_IS("bmp")) return DecodeBmp(bytes);
    if (VX_FAMILY_IS("gif")) return DecodeGif(bytes);
    if (VX_FAMILY_IS("pcx")) return DecodePcx(bytes);
    if (VX_FAMILY_IS("icon")) return DecodeIcon(bytes);
    if (VX_FAMILY_IS("png")) return DecodePng(bytes);
    if (VX_FAMILY_IS("jpeg")) return DecodeJpeg(bytes);
    return Decode(bytes);
}

// Bytes the record must hold for its kind and size.
size_t ExpectedSize(const PictureData& p) {
    const size_t w = size_t(p.width), h = size_t(p.height);
    switch (p.kind) {
    case Kind::Jpeg:
    case Kind::Bmp: return w * h * 3;
    case Kind::Png: return w * h * 4;
    case Kind::Gif:
    case Kind::Pcx256: return kDibPixelOffset + ((w + 3) & ~size_t(3)) * h;
    case Kind::PcxMono: return (w + 15) / 16 * 2 * h;
    default: return p.pixels.size();
    }
}

// Every image's code stream, the way the animation reads them: as far as
// each goes, damage or not.
void DecodeEveryGifImage(Bytes bytes) {
    std::optional<gif::Reader> reader = gif::Reader::Open(bytes);
    if (!reader) return;
    gif::Image image;
    std::vector<uint8_t> indexes;
    while (reader->NextImage(image) == gif::Reader::Next::kImage) {
        const uint64_t wanted = uint64_t(image.width) * image.height;
        indexes.assign(size_t(std::min(wanted, gif::MostLzwIndexes(image.codes.size(), image.minimumCodeSize))), 0);
        const gif::LzwResult result = gif::DecodeLzw(image.codes, image.minimumCodeSize, indexes);
        if (result.written > indexes.size() ||
            (result.end == gif::LzwEnd::kComplete && result.written != indexes.size()))
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (VX_FAMILY_IS("gif")) DecodeEveryGifImage(Bytes(data, size));
    auto picture = DecodeFamily(Bytes(data, size));
    if (!picture) return 0;
    if (picture->width <= 0 || picture->height <= 0 || picture->pixels.empty() ||
        picture->pixels.size() != ExpectedSize(*picture)) {
        __builtin_trap();
    }
    // The size is right, so the ends bound the block. Summing every byte
    // would spend seconds of instrumented loop on a few hundred input bytes
    // that rightly decode to tens of millions of pixels.
    const uint8_t* bytes = picture->pixels.data();
    volatile unsigned sink = unsigned(bytes[0]) + bytes[picture->pixels.size() - 1];
    (void)sink;
    return 0;
}
