// State of the visual style library, for the window system and tests.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vx::commands {
// The style last given to SetXpStyle.
int32_t CurrentXpStyle();
// Whether the calling thread's style holds this window.
bool IsXpStyled(HWND hwnd);
}  // namespace vx::commands
