// Keyboard use of a loaded window: which units Tab reaches and in what
// order, acting on a unit as a click would, the window's keyboard roles and
// the system's rule for when focus cues show.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <vector>

#include "runtime/windows/system/loaded_window.h"

namespace vx::windows::detail {

// The keys held now, as the key state argument of the key and mouse events.
int32_t KeyState();

// Whether a procedure is bound to the event (group links followed).
bool IsEventBound(const wt::TemplateWindow& tw, size_t index, int32_t event);

// The units Tab and Shift+Tab reach: visible and enabled, with the tab-stop
// flag or something a click does (a type's click with event 0 bound, or a
// bound press or release). Ordered by tab order, then as read: rows top to
// bottom, each row left to right.
std::vector<size_t> FocusOrder(const LoadedWindow& lw);

// Whether the unit is clicked through the common press and release events
// (a label acting as a link) rather than by a click of its type.
bool ClicksByPress(const LoadedWindow& lw, size_t index);
// What a click on the visible, enabled unit does: its type's click, or its
// press and release events raised at its centre. false: nothing to do.
bool ClickUnit(LoadedWindow& lw, size_t index);
// Enter that the focused unit did not take, when the window has a default
// unit; the system's close command, when it has a close unit. true: taken.
bool EnterByRole(LoadedWindow& lw);
bool CloseCommandByRole(LoadedWindow& lw);

// Activation of the frame: as in a dialog, the unit that had the focus when
// the window went inactive (a message box, a modal window) gets it back.
// true: handled, the frame keeps the focus from going to itself.
bool TrackFocusOnActivate(LoadedWindow& lw, WPARAM wp);

// Focus cues: hidden when a window opens unless the system shows them
// always; shown for good once the keyboard moves the focus.
void InitialiseFocusCues(HWND frame);
void ShowFocusCues(HWND frame);
// The frame keeps the window's cue state and answers the system's UI-state
// messages itself (not every system keeps it), telling every control of a
// change. true: handled, with `result`.
bool HandleUiState(LoadedWindow& lw, UINT msg, WPARAM wp, LRESULT& result);

}  // namespace vx::windows::detail
