#include "runtime/picture/picture_data.h"

#include <new>
#include <stdexcept>

namespace vx::picture {
namespace {

using DecodeFn = std::optional<PictureData> (*)(Bytes);

// By kind, 0 to 8.
constexpr DecodeFn kDecoders[] = {
    nullptr, DecodeJpeg, DecodeBmp, DecodeIcon, DecodeIcon, DecodeGif, DecodePcx, DecodePcx, DecodePng,
};

}  // namespace

std::optional<PictureData> Decode(Bytes bytes) {
    const Kind kind = Detect(bytes);
    DecodeFn decode = kDecoders[static_cast<int>(kind)];
    if (!decode) return std::nullopt;
    try {
        auto picture = decode(bytes);
        // The decoder re-reads the header; it must agree with the detection.
        if (picture && picture->kind != kind) return std::nullopt;
        return picture;
    } catch (const std::bad_alloc&) {
        return std::nullopt;  // allocation failure: no picture, partial results freed
    } catch (const std::length_error&) {
        return std::nullopt;
    }
}

}  // namespace vx::picture
