// Smooth resampling of 32-bit pixels (blue, green, red, alpha or unused),
// for pictures shown larger or smaller than their own size: each direction
// is interpolated linearly between the two nearest source pixels when it
// grows and averaged over the source pixels a target pixel covers when it
// shrinks. Plain byte work, built natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vx::picture {

// `source` holds width x height pixels, rows top-down without padding. The
// result holds targetWidth x targetHeight pixels the same way; empty when a
// size is not positive or the source is too short. With a key colour
// (0xRRGGBB), pixels of that colour are left out of every blend (a target
// pixel with nothing else around is the key colour): a picture whose key
// colour is cut away keeps clean edges.
std::vector<uint8_t> ResamplePixels(const uint8_t* source, size_t sourceLength, int width, int height, int targetWidth,
                                    int targetHeight, std::optional<uint32_t> key = {});

}  // namespace vx::picture
