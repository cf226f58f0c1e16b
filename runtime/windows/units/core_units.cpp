#include "runtime/windows/units/core_units.h"

#include <windows.h>

#include <commctrl.h>

#include "runtime/windows/system/window_system.h"

namespace vx::windows {
namespace units {

void RegisterCoreUnits() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterUnitType(0x00010001, &WindowUnitType());
    RegisterUnitType(0x00010005, &EditBoxType());
    RegisterUnitType(0x00010006, &PicBoxType());
    RegisterUnitType(0x0001000B, &ButtonType());
    RegisterUnitType(0x00010020, &TimerType());
}

}  // namespace units

void Install() {
    units::RegisterCoreUnits();
    InstallSystemHooks();
}

}  // namespace vx::windows
