// Stored form of the transparent label: portable byte parsing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx::controls {

struct TransLabelForm {
    int32_t version = 1;
    int32_t effect = 0;  // 0 none, 1 light below right, 2 light above left, 3 dark shadow
    uint32_t textColour = 0;
    int32_t alignment = 0;          // 0 left, 1 centre, 2 right
    int32_t verticalAlignment = 1;  // 0 top, 1 centre, 2 bottom
    int32_t wordWrap = 0;
    std::string font;     // empty or one 60-byte LOGFONTA (others fall back at paint time)
    std::string caption;  // "透明标签" by default
    TransLabelForm();
};

// Empty data gives the defaults; a version above 1 or truncated data gives
// nothing. Choices are clamped, the caption is cut at a zero byte.
std::optional<TransLabelForm> ParseTransLabelForm(std::span<const uint8_t> data);
std::vector<uint8_t> WriteTransLabelForm(const TransLabelForm& form);

inline int32_t ClampLabelChoice(int32_t value, int32_t highest) {
    return value < 0 ? 0 : value > highest ? highest : value;
}

}  // namespace vx::controls
