#include "runtime/windows/units/gif_frames.h"

#include <algorithm>
#include <new>
#include <optional>
#include <stdexcept>

#include "runtime/picture/gif_decoder.h"

namespace vx::windows::gif {
namespace {

constexpr int kMaxSide = 4096;
constexpr size_t kMaxTotalPixels = size_t(64) << 20;  // over all frames
// Disposal methods of the graphic control extension.
constexpr int kRestoreBackground = 2;
constexpr int kRestorePrevious = 3;

uint32_t Argb(const uint8_t* rgb) { return 0xFF000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2]; }

// Damaged data is shown as far as it goes: indexes the code stream does not
// give are 0, colours past the image's table are transparent black.
Animation Frames(const uint8_t* data, size_t size) {
    Animation a;
    if (!data) return a;
    std::optional<picture::gif::Reader> reader = picture::gif::Reader::Open(picture::Bytes(data, size));
    if (!reader) return a;
    const int w = int(reader->width()), h = int(reader->height());
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return a;
    a.width = w;
    a.height = h;
    std::vector<uint32_t> canvas(size_t(w) * h, 0);
    size_t total = 0;
    picture::gif::Image image;
    while (reader->NextImage(image) == picture::gif::Reader::Next::kImage) {
        const int fx = int(image.left), fy = int(image.top), fw = int(image.width), fh = int(image.height);
        if (fw <= 0 || fh <= 0 || fw > kMaxSide || fh > kMaxSide) break;
        total += size_t(w) * h;
        if (total > kMaxTotalPixels) break;
        std::vector<uint32_t> table(256, 0);
        for (size_t i = 0; i < image.colourTable.size() / 3; ++i) table[i] = Argb(&image.colourTable[3 * i]);
        std::vector<uint8_t> indices(size_t(fw) * fh, 0);
        picture::gif::DecodeLzw(image.codes, image.minimumCodeSize, indices);
        const int disposal = image.control.disposal;
        const int transparent = image.control.transparent ? image.control.transparentIndex : -1;

        std::vector<uint32_t> saved;
        if (disposal == kRestorePrevious) saved = canvas;
        for (int r = 0; r < fh; ++r) {
            const int y = int(picture::gif::ImageRow(uint32_t(r), uint32_t(fh), image.interlaced));
            if (fy + y >= h) continue;
            for (int x = 0; x < fw; ++x) {
                if (fx + x >= w) break;
                uint8_t i = indices[size_t(r) * fw + x];
                if (i == transparent) continue;
                canvas[size_t(fy + y) * w + (fx + x)] = table[i];
            }
        }
        a.frames.push_back(Frame{canvas, image.control.delay * 10});
        if (disposal == kRestoreBackground) {
            for (int y = fy; y < std::min(h, fy + fh); ++y)
                for (int x = fx; x < std::min(w, fx + fw); ++x) canvas[size_t(y) * w + x] = 0;
        } else if (disposal == kRestorePrevious) {
            canvas = std::move(saved);
        }
    }
    return a;
}

}  // namespace

Animation DecodeFrames(const uint8_t* data, size_t size) {
    try {
        return Frames(data, size);
    } catch (const std::bad_alloc&) {
        return {};  // allocation failure: no animation
    } catch (const std::length_error&) {
        return {};
    }
}

}  // namespace vx::windows::gif
