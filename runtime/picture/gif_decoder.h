// The one GIF decoder: the block structure of a file, image by image, and
// the LZW code stream of each image. DecodeGif (the first image as a
// picture) and the picture box's animation (every frame composed) both read
// through it; each decides how strict to be with a damaged image.
//
// Portable: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "runtime/base/byte_reader.h"
#include "runtime/picture/picture_data.h"

namespace vx::picture::gif {

struct Image {
    uint32_t left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    Bytes colourTable;   // red-green-blue triples: the local table, else the global one; may be empty
    GifControl control;  // the graphic control extension before this image, if any
    uint32_t minimumCodeSize = 0;
    std::vector<uint8_t> codes;  // the image's data sub-blocks joined
};

// Walks the blocks of a GIF file.
class Reader {
public:
    // Nothing when the bytes are no GIF or end inside the screen descriptor
    // or its colour table.
    static std::optional<Reader> Open(Bytes file);

    uint32_t width() const { return width_; }  // of the logical screen
    uint32_t height() const { return height_; }
    Bytes globalTable() const { return global_; }

    enum class Next { kImage, kTrailer, kDamaged };
    // The next image; kTrailer at the file's end mark, kDamaged when a block
    // runs past the end or an unknown block comes. Reading stops there.
    Next NextImage(Image& image);

private:
    explicit Reader(Bytes file) : r_(file) {}
    ByteReader r_;
    uint32_t width_ = 0, height_ = 0;
    Bytes global_;
};

enum class LzwEnd {
    kComplete,   // every index wanted was decoded
    kEndCode,    // the stream's end code came first
    kDataEnded,  // the data ran out first
    kBadCode,    // a code past the table, or no string to build on yet
};

struct LzwResult {
    size_t written;  // indexes put in out, from its start
    LzwEnd end;
};

// Standard GIF LZW: codes read least significant bit first, growing from
// minimum + 1 bits to 12; once the 4096-entry table is full it stays as it is
// until the next clear code. Stops when out is full. A minimum code size
// outside 1..8 decodes nothing (kBadCode).
LzwResult DecodeLzw(Bytes codes, uint32_t minimumCodeSize, std::span<uint8_t> out);

// The most indexes a code stream of that many bytes can give: every code
// takes at least minimum + 1 bits and stands for at most a table's length.
uint64_t MostLzwIndexes(size_t bytes, uint32_t minimumCodeSize);

// The image row that the n-th stored row of an image fills.
uint32_t ImageRow(uint32_t stored, uint32_t height, bool interlaced);

}  // namespace vx::picture::gif
