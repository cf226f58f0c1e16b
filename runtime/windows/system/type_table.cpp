// The unit type table and what every unit does by default.
#include <unordered_map>

#include "runtime/windows/system/unit_types.h"

namespace vx::windows {
namespace {
std::unordered_map<uint32_t, const TypeDescriptor*>& Table() {
    static std::unordered_map<uint32_t, const TypeDescriptor*> table;
    return table;
}
}  // namespace

void RegisterUnitType(uint32_t typeId, const TypeDescriptor* descriptor) { Table()[typeId] = descriptor; }

const TypeDescriptor* FindUnitType(uint32_t typeId) {
    auto it = Table().find(typeId);
    return it == Table().end() ? nullptr : it->second;
}

Unit* UnitFromHandle(HWND hwnd) { return hwnd ? static_cast<Unit*>(GetPropA(hwnd, "VxUnit")) : nullptr; }

void Unit::Show(bool visible) {
    if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void Unit::Enable(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void Unit::MoveTo(int x, int y, int width, int height) {
    if (hwnd_) SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vx::windows
