// Stored form of the picture button: portable byte parsing, no <windows.h>.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx::controls {

constexpr uint32_t kNoTransparentColour = 0xFF000000u;

struct PicBtnForm {
    int32_t version = 1;
    int32_t mode = 0;  // 0 push, 1 toggle
    int32_t selected = 0;
    uint32_t transparentColour = kNoTransparentColour;
    std::string pictures[4];  // normal, mouse-over, pressed, disabled (file bytes)
};

// Empty data gives the defaults; a version above 1 or data that ends inside
// a field gives nothing (the button is not created). The mode is clamped.
std::optional<PicBtnForm> ParsePicBtnForm(std::span<const uint8_t> data);
std::vector<uint8_t> WritePicBtnForm(const PicBtnForm& form);

inline int32_t ClampChoice(int32_t value, int32_t highest) { return value < 0 ? 0 : value > highest ? highest : value; }

}  // namespace vx::controls
