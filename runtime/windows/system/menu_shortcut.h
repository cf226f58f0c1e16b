// The shortcut key a menu item's caption names after a tab, as menus show
// it ("&Open\tCtrl+O"): what the window's accelerator table is built from.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

namespace vx::windows::detail {

// The key of "Ctrl+Shift+F5", "Alt+X", "Del"...: modifiers Ctrl, Shift and
// Alt (any case, in any order), then one key name; nullopt when the caption
// has no tab or names no key this table knows.
std::optional<ACCEL> MenuShortcut(std::string_view caption, WORD command);

}  // namespace vx::windows::detail
