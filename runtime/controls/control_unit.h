// What the units of the picture-drawn controls share: the control's place
// from the unit's creation parameters, the colour of the window holding it,
// and the type's creation entry.
#pragma once

#include <windows.h>

#include <memory>

#include "runtime/controls/child_place.h"
#include "runtime/windows/system/unit_types.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::controls {

template <class Create>
Create PlacedAs(const windows::CreateParams& p) {
    Create c;
    ChildPlace& place = c;
    place = ChildPlace{p.parent, p.left, p.top, p.width, p.height, p.style, p.controlId, p.dpi};
    return c;
}

// The colour of the window that holds the control; button face for the
// system default or when the window cannot be found.
inline COLORREF HoldingWindowColour(uint32_t windowId) {
    constexpr uint32_t kSystemDefault = 0xFF000000u;
    windows::Unit* frame = windows::FindLiveUnit(windowId, 0);
    if (!frame) return GetSysColor(COLOR_BTNFACE);
    uint32_t colour = static_cast<uint32_t>(frame->GetProperty(wt::property::window::kBackColor).number);
    return colour == kSystemDefault ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(colour & 0xFFFFFF);
}

// A type's creation entry: the unit, or null when its data does not build.
template <class U>
windows::Unit* CreateUnit(const windows::CreateParams& p) {
    auto unit = std::make_unique<U>(p);
    return unit->Build(p) ? unit.release() : nullptr;
}

}  // namespace vx::controls
