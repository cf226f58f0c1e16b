// PNG through libpng's simplified reading interface, into 8-bit BGRA.
#include "runtime/picture/picture_data.h"

#include <cstring>

#include <png.h>

namespace vx::picture {
namespace {

struct PngResult {
    uint8_t* pixels;
    size_t size;
    uint32_t width;
    uint32_t height;
};

// One cleanup path: the image is released on every exit.
PngResult PngToBgra(const uint8_t* bytes, size_t length) {
    PngResult result{};
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    uint8_t* out = nullptr;
    if (length >= 8 && png_image_begin_read_from_memory(&image, bytes, length) &&
        SizeAcceptable(image.width, image.height)) {
        image.format = PNG_FORMAT_BGRA;
        const size_t size = PNG_IMAGE_SIZE(image);
        out = static_cast<uint8_t*>(std::malloc(size));
        if (out && png_image_finish_read(&image, nullptr, out, 0, nullptr)) {
            result = PngResult{out, size, image.width, image.height};
            out = nullptr;
        }
    }
    std::free(out);
    png_image_free(&image);
    return result;
}

}  // namespace

std::optional<PictureData> DecodePng(Bytes bytes) {
    PngResult r = PngToBgra(bytes.data(), bytes.size());
    if (!r.pixels) return std::nullopt;
    PictureData picture;
    picture.kind = Kind::Png;
    picture.width = static_cast<int32_t>(r.width);
    picture.height = static_cast<int32_t>(r.height);
    picture.pixels = PixelBuffer(r.pixels, r.size);
    return picture;
}

}  // namespace vx::picture
