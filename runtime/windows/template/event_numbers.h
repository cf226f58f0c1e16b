// Event numbers: what a unit raises and what a unit record binds a procedure
// to (its event table holds pairs of event number and handler offset).
// Negative numbers are raised by the window system's message filter for every
// windowed unit; 0 and up belong to the unit's type. Shared by the runtime and
// the template compiler, which takes the names below in window sources.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vx::wt::event {

// Every windowed unit. Mouse events carry x, y (client coordinates) and the
// key state (kCtrl | kShift | kAlt); a handler that runs lets the message on
// to the unit only when it returns non-zero.
constexpr int32_t kLeftButtonDown = -1;
constexpr int32_t kLeftButtonUp = -2;
constexpr int32_t kLeftDoubleClick = -3;
constexpr int32_t kRightButtonDown = -4;
constexpr int32_t kRightButtonUp = -5;
constexpr int32_t kMouseMove = -6;
constexpr int32_t kKeyDown = -9;      // key code, key state (also with Alt)
constexpr int32_t kKeyUp = -10;       // key code, key state
constexpr int32_t kCharacter = -11;   // character code; the result replaces it, 0 drops it
constexpr int32_t kMouseWheel = -12;  // notches (delta / 120), key state

// Key state bits of the events above.
constexpr int32_t kCtrl = 1;
constexpr int32_t kShift = 2;
constexpr int32_t kAlt = 4;

// The window's own unit. A close request raises kWindowQueryClose then
// kWindowClose; a handler of either that returns false keeps the window open.
constexpr int32_t kWindowCreated = 0;  // built, while loading
constexpr int32_t kWindowClose = 1;
constexpr int32_t kWindowDestroyed = 2;
constexpr int32_t kWindowCreatedNext = 3;  // right after kWindowCreated
constexpr int32_t kWindowCreatedLast = 4;  // then this one
constexpr int32_t kWindowQueryClose = 12;

// Menu items, Button and PicBtn: clicked.
constexpr int32_t kClicked = 0;
// EditBox: its text changed.
constexpr int32_t kTextChanged = 0;
// Timer: the interval elapsed.
constexpr int32_t kTimerElapsed = 0;
// SuperBar: the position changed (by any means); an arrow button was
// clicked (a handler's false cancels the step).
constexpr int32_t kPositionChanged = 0;
constexpr int32_t kDecreaseClicked = 1;
constexpr int32_t kIncreaseClicked = 2;
// ZIP: after each archive entry, with the percentage done; false stops.
constexpr int32_t kExtractProgress = 1;

// The names a window source may give instead of numbers: type (the unit
// type's name; empty for every windowed unit), event name, number.
struct EventName {
    std::string_view type;
    std::string_view name;
    int32_t number;
};
inline constexpr EventName kEventNames[] = {
    {"", "LeftButtonDown", kLeftButtonDown},
    {"", "LeftButtonUp", kLeftButtonUp},
    {"", "LeftDoubleClick", kLeftDoubleClick},
    {"", "RightButtonDown", kRightButtonDown},
    {"", "RightButtonUp", kRightButtonUp},
    {"", "MouseMove", kMouseMove},
    {"", "KeyDown", kKeyDown},
    {"", "KeyUp", kKeyUp},
    {"", "Character", kCharacter},
    {"", "MouseWheel", kMouseWheel},
    {"Window", "Created", kWindowCreated},
    {"Window", "Close", kWindowClose},
    {"Window", "Destroyed", kWindowDestroyed},
    {"Window", "CreatedNext", kWindowCreatedNext},
    {"Window", "CreatedLast", kWindowCreatedLast},
    {"Window", "QueryClose", kWindowQueryClose},
    {"Button", "Clicked", kClicked},
    {"PicBtn", "Clicked", kClicked},
    {"EditBox", "TextChanged", kTextChanged},
    {"Timer", "Elapsed", kTimerElapsed},
    {"SuperBar", "PositionChanged", kPositionChanged},
    {"SuperBar", "DecreaseClicked", kDecreaseClicked},
    {"SuperBar", "IncreaseClicked", kIncreaseClicked},
    {"ZIP", "Progress", kExtractProgress},
};

// The number of a named event of a unit type (or of every windowed unit).
constexpr std::optional<int32_t> FindEventNumber(std::string_view type, std::string_view name) {
    for (const EventName& e : kEventNames)
        if (e.name == name && (e.type.empty() || e.type == type)) return e.number;
    return std::nullopt;
}

}  // namespace vx::wt::event
