// Every frame of an animated GIF, composed onto the logical screen as a
// viewer shows it (transparency, disposal), for the picture box's animation.
// Portable byte parsing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx::windows::gif {

struct Frame {
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, rows from the top, width x height
    int delayMs = 0;
};

struct Animation {
    int width = 0;
    int height = 0;
    std::vector<Frame> frames;
};

// Empty frames when the bytes are no GIF or hold no decodable image. Frames
// after a damaged one are left out.
Animation DecodeFrames(const uint8_t* data, size_t size);

}  // namespace vx::windows::gif
