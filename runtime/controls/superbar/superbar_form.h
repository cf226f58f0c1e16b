// Stored form of the multi-function bar: portable byte parsing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx::controls {

// Parts that carry their own images, drawing mode and cell switches.
enum BarGroup : int { kTrackGroup = 0, kFillGroup = 1, kArrowGroup = 2, kThumbGroup = 3 };

struct SuperBarForm {
    int32_t version = 1;
    // Image data blocks ("MITL", 00 00 00 FF, image-list stream) by BarGroup.
    std::array<std::string, 4> images;
    int32_t pageStep = 10, lineStep = 1;
    int32_t minimum = 0, maximum = 100, position = 30;
    int32_t showArrows = 1, showThumb = 1, showFill = 1;
    // End caps and centre mark of track, fill and thumb (index 0, 1, 2).
    std::array<int32_t, 3> endCaps{1, 1, 1};
    std::array<int32_t, 3> centreMark{1, 1, 1};
    int32_t crossOffset = 0;
    int32_t barType = 1, orientation = 0, style = 0;
    // Drawing modes of track, fill and thumb as stored: value + 1 (1 origin,
    // 2 centred, 3 stretched, 4 tiled).
    std::array<int32_t, 3> drawMode{4, 4, 4};
    int32_t fillFollowsThumb = 1, showPercent = 0, interactive = 1;
    uint32_t textColour = 0;
    int32_t proportionalThumb = 1;
    std::string font;  // empty: the default GUI font; else a 60-byte LOGFONTA
    int32_t band = 1, trackInset = 0;
    // Words stored but not read at run time, kept for writing back.
    std::array<int32_t, 9> unused{};
};

constexpr size_t kLogFontBytes = 60;

// Empty data gives the defaults; a version above 1 or data that ends inside
// a field gives nothing. The two trailing switches may be absent.
std::optional<SuperBarForm> ParseSuperBarForm(std::span<const uint8_t> data);
std::vector<uint8_t> WriteSuperBarForm(const SuperBarForm& form);

// The image-list stream inside an image data block, or empty when the block
// holds no images (8 bytes or less, or no "MITL" tag).
std::span<const uint8_t> ImageListStream(std::span<const uint8_t> block);

}  // namespace vx::controls

namespace vx::controls {
inline int32_t ClampBarChoice(int32_t value, int32_t highest) {
    return value < 0 ? 0 : value > highest ? highest : value;
}
}  // namespace vx::controls
