// The window system: builds windows from the loaded template, answers the
// property service entries and the window host requests, dispatches events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "runtime/windows/system/unit_types.h"

namespace vx::windows {

// Registers the core unit types and installs the window system into the
// runtime (call before InitialiseRuntime).
void Install();
// Installs only the runtime hooks (Install calls it after registering the
// core types).
void InstallSystemHooks();

// Load request (window load command, host request kHostLoadWindow): loads the window
// as a top-level window (parent may be null) or modally; a modal window that
// is shown runs a nested message loop until it has been destroyed. false:
// unknown window id, a parent that no longer exists, or a failed build.
bool LoadWindow(uint32_t windowId, HWND parent, bool modal);

// Live object of a unit (unit id of the window's own unit, or 0, gives the
// window object); null when the window is not loaded.
Unit* FindLiveUnit(uint32_t windowId, uint32_t unitId);
// Its window handle, or null.
HWND FindUnitHandle(uint32_t windowId, uint32_t unitId);
bool IsWindowLoaded(uint32_t windowId);

// A close request (close box, Escape, close command): events 12 and 1, then
// destruction unless a handler returned false. Returns whether it closed.
bool RequestClose(uint32_t windowId);
// A close command handled later: the window is marked as closing (a load
// before then destroys it and builds it afresh) and the private close
// request is posted to it. false: not loaded.
bool PostCloseRequest(uint32_t windowId);

// Keyboard roles in a window drawn entirely by its units, which has no
// default push button or close box of its own: Enter that the focused unit
// does not take acts on `defaultUnit`, and the system's close command
// (Alt+F4, the taskbar's Close) on `closeUnit`, each as a click on it would
// (nothing while that unit is hidden or disabled). 0: no such role.
void SetKeyboardRoles(uint32_t windowId, uint32_t defaultUnit, uint32_t closeUnit);

// The service entries (kind -1: the whole value).
int64_t ReadUnitProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind);
void WriteUnitProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind, uint32_t low, uint32_t high);

// Host requests about windows and events (kHostWindowList to
// kHostAfterBuild, runtime/process/services.h); 0 for anything else.
intptr_t WindowHostRequest(int32_t request, intptr_t a, intptr_t b);

// Argument block of host request kHostLoadWindow (passed as a).
struct LoadRequest {
    uint32_t windowId;
    HWND parent;  // null: none
    bool modal;
};

// The font description a font property takes with kind -1 (and gives back,
// as one runtime block, when read with kind -1).
struct FontDescription {
    int32_t escapement;  // tenths of a degree
    int32_t bold;
    int32_t italic;
    int32_t underline;
    int32_t strikeOut;
    int32_t size;  // points
    const char* faceName;
};

// The runtime's mouse pointer numbering <-> system cursor ids, for the
// first word of a 4-byte-or-longer MousePointer block.
int32_t PointerNumberFromCursorId(int32_t cursorId);
int32_t CursorIdFromPointerNumber(int32_t number);

// The runtime's private window messages, understood by the unit types.
constexpr UINT kMsgUnitBuilt = 0x806F;     // to every unit after the window is built
constexpr UINT kMsgWindowBuilt = 0x8004;   // to the window after that
constexpr UINT kMsgLoadFinished = 0x8076;  // to every unit at the end of the load
constexpr UINT kMsgCloseRequest = 0x8065;  // to the window: a close command, handled later

}  // namespace vx::windows

namespace vx::windows {

// The live object of a window's own unit (made by the window type's create
// entry): what the window system asks of the frame window.
class FrameUnit : public Unit {
public:
    using Unit::Unit;
    virtual bool EnterMovesFocus() const = 0;
    virtual bool EscapeCloses() const = 0;
    virtual bool F1Help() const = 0;
    virtual std::string HelpFile() const = 0;
    virtual int32_t HelpTopic() const = 0;
    virtual bool DragAnywhere() const = 0;
    virtual bool AlwaysOnTop() const = 0;
    virtual void SetAlwaysOnTop(bool on) = 0;
    // Shows the window as a load does (minimised / maximised per Position).
    virtual void ShowLoaded() = 0;
};

// The hidden top-level window that owns modal windows and windows kept out
// of the taskbar.
HWND OwnerWindow();

}  // namespace vx::windows
