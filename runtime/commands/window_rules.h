// Argument rules of the window, process and message-box commands that do not
// need the system: reference decoding and the clamped option tables.
#pragma once

#include <cstdint>

#include "runtime/base/value.h"

namespace vx::commands {

// A control reference: window id in the low word, unit id in the high word.
struct WindowReference {
    uint32_t windowId;
    uint32_t unitId;
};
inline WindowReference ReferenceOf(const ValueRecord& v) { return {v.low, v.high}; }

// z-order position: omitted, 1 and below 1 -> top; 2 bottom; 3 topmost;
// 4 and up -> not topmost.
enum class ZOrder { kTop = 0, kBottom = 1, kTopmost = 2, kNotTopmost = 3 };
inline ZOrder ZOrderOf(bool given, int32_t position) {
    if (!given || position <= 1) return ZOrder::kTop;
    if (position == 2) return ZOrder::kBottom;
    if (position == 3) return ZOrder::kTopmost;
    return ZOrder::kNotTopmost;
}

// RunProgram's window mode (omitted -> 2, clamped into 1..6) as a show
// command: hide, normal, minimised, maximised, no-activate, minimise.
inline int32_t ShowCommandOf(bool given, int32_t mode) {
    static const int32_t kShow[] = {0 /*SW_HIDE*/,          1 /*SW_SHOWNORMAL*/,     2 /*SW_SHOWMINIMIZED*/,
                                    3 /*SW_SHOWMAXIMIZED*/, 4 /*SW_SHOWNOACTIVATE*/, 6 /*SW_MINIMIZE*/};
    if (!given) mode = 2;
    mode = mode < 1 ? 1 : (mode > 6 ? 6 : mode);
    return kShow[mode - 1];
}

// Message box style: task-modal unless system-modal was asked for.
inline uint32_t MessageBoxStyleOf(uint32_t flags) {
    constexpr uint32_t kSystemModal = 0x1000, kTaskModal = 0x2000;
    return (flags & kSystemModal) ? flags : (flags | kTaskModal);
}

// Button pressed (IDOK 1 .. IDNO 7) as the command's result 0..6; -1 for
// anything else (the box could not be shown).
inline int32_t MessageBoxResultOf(int32_t buttonId) { return (buttonId >= 1 && buttonId <= 7) ? buttonId - 1 : -1; }

}  // namespace vx::commands
