#include "runtime/picture/picture_data.h"

#include "runtime/base/byte_reader.h"

#include <cstring>

namespace vx::picture {
namespace {

Kind DetectBmp(Bytes b) { return b[0] == 'B' && b[1] == 'M' ? Kind::Bmp : Kind::None; }
Kind DetectJpeg(Bytes b) { return b[0] == 0xFF && b[1] == 0xD8 ? Kind::Jpeg : Kind::None; }
Kind DetectPng(Bytes b) {
    return b[0] == 0x89 && b[1] == 0x50 && b[2] == 0x4E && b[3] == 0x47 ? Kind::Png : Kind::None;
}
Kind DetectIcon(Bytes b) {
    if (U16(&b[0]) != 0 || U16(&b[4]) == 0) return Kind::None;
    switch (U16(&b[2])) {
    case 1: return Kind::Ico;
    case 2: return Kind::Cur;
    default: return Kind::None;
    }
}
Kind DetectGif(Bytes b) {
    return std::memcmp(b.data(), "GIF87a", 6) == 0 || std::memcmp(b.data(), "GIF89a", 6) == 0 ? Kind::Gif : Kind::None;
}
Kind DetectPcx(Bytes b) {
    const uint8_t version = b[1], encoding = b[2], bits = b[3];
    if (b[0] != 0x0A || encoding != 1) return Kind::None;
    if (version <= 5 && bits == 8) return Kind::Pcx256;
    if (version == 3 && bits == 1) return Kind::PcxMono;
    return Kind::None;
}

// In this order: a file starting "BM" is a BMP whatever follows.
constexpr Kind (*kDetectors[])(Bytes) = {DetectBmp, DetectJpeg, DetectPng, DetectIcon, DetectGif, DetectPcx};

}  // namespace

Kind Detect(Bytes bytes) {
    if (bytes.size() <= 5) return Kind::None;
    for (auto detect : kDetectors) {
        Kind k = detect(bytes);
        if (k != Kind::None) return k;
    }
    return Kind::None;
}

}  // namespace vx::picture
