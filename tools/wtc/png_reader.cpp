// Pictures of image lists: PNG strips read through libpng's simplified API.
#include <png.h>

#include <cstring>

#include "tools/wtc/wtc.h"

namespace wtc {

Pixels ReadPng(const std::filesystem::path& file) {
    std::string bytes = ReadFile(file);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw CompileError(file.string() + ": " + image.message);
    image.format = PNG_FORMAT_RGBA;
    Pixels p;
    p.width = image.width;
    p.height = image.height;
    p.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr)) {
        std::string message = image.message;
        png_image_free(&image);
        throw CompileError(file.string() + ": " + message);
    }
    return p;
}

}  // namespace wtc
