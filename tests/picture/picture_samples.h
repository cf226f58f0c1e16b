// Writers of small picture files for the tests: BMP, GIF (with an LZW
// encoder of its own), PCX and ICO/CUR byte by byte; PNG and JPEG through
// libpng and libjpeg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx::picture::samples {

using ByteVector = std::vector<uint8_t>;

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};
struct Rgba {
    uint8_t r, g, b, a;
};

// Palette picture, rows top-down.
struct Indexed {
    uint32_t width = 0, height = 0;
    std::vector<Rgb> palette;
    std::vector<uint8_t> index;
    uint8_t At(uint32_t x, uint32_t y) const { return index[size_t(y) * width + x]; }
};

// A deterministic pattern using `colours` palette entries.
Indexed Pattern(uint32_t width, uint32_t height, uint32_t colours, uint32_t seed = 1);
std::vector<Rgb> TrueColourPattern(uint32_t width, uint32_t height, uint32_t seed = 1);

// 1, 4 or 8 bits; colourCount 0 writes 2^bits table entries.
ByteVector Bmp(const Indexed& picture, int bits, bool topDown = false, uint32_t colourCount = 0);
// 24 or 32 bits; pixels top-down.
ByteVector BmpTrue(uint32_t width, uint32_t height, const std::vector<Rgb>& pixels, int bits, bool topDown = false);

struct GifOptions {
    bool interlaced = false;
    bool localTable = false;       // colours in a local table, none global
    bool clearWhenFull = true;     // else the full table is kept (no clear)
    uint32_t minimumCodeSize = 0;  // 0: from the palette size
    bool control = false;          // graphic control extension
    uint8_t disposal = 0;
    uint16_t delay = 0;
    int transparentIndex = -1;
    bool comment = false;                                           // a comment extension before the image
    uint16_t screenWidth = 0, screenHeight = 0, left = 0, top = 0;  // 0: the picture's size
};
ByteVector Gif(const Indexed& picture, const GifOptions& options = {});
// The raw LZW code stream (before sub-blocking).
ByteVector LzwEncode(const std::vector<uint8_t>& indexes, uint32_t minimumCodeSize, bool clearWhenFull);

// 8 bits with the trailing palette, or 1 bit (version 3). runsAcrossLines
// lets a run carry over into the next line.
ByteVector Pcx(const Indexed& picture, int bits, bool runsAcrossLines = false);

struct IconImage {
    uint32_t width = 0, height = 0;
    uint8_t colourCount = 0;   // directory byte
    std::vector<Rgba> pixels;  // top-down, 32-bit image
};
// type 1 ICO, 2 CUR (hot spot 3, 5).
ByteVector Icon(const std::vector<IconImage>& images, uint16_t type = 1);
IconImage IconPattern(uint32_t size, uint8_t colourCount = 0, uint32_t seed = 1);

ByteVector Png(uint32_t width, uint32_t height, const std::vector<Rgba>& pixels);
ByteVector PngGrey(uint32_t width, uint32_t height, const std::vector<uint8_t>& grey);
// components 1 (grey) or 3 (red-green-blue), rows top-down.
ByteVector Jpeg(uint32_t width, uint32_t height, int components, const std::vector<uint8_t>& samples, int quality = 95);

}  // namespace vx::picture::samples
