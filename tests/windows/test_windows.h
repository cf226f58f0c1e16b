// Shared set-up of the window system tests: the test windows, the procedure
// table their events are bound to, and a message pump that applies the
// window system's message filter as the runtime's loop does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/win32_harness.h"

namespace vx::test {

// Windows of the test template.
constexpr uint32_t kMainWindow = 0x52020001;  // edits, button, timer, hidden picture box
constexpr uint32_t kMainSelf = 0x06020001;
constexpr uint32_t kReadOnlyEdit = 0x16020002;
constexpr uint32_t kPlainEdit = 0x16020003;
constexpr uint32_t kOkButton = 0x16020004;
constexpr uint32_t kTimerUnit = 0x16020005;
constexpr uint32_t kHiddenPicBox = 0x16020006;

constexpr uint32_t kModalWindow = 0x52020010;
constexpr uint32_t kOtherWindow = 0x52020020;  // no bindings; Escape closes it
constexpr uint32_t kDragWindow = 0x52020030;   // borderless, drag anywhere
constexpr uint32_t kDragPicBox = 0x16020031;
constexpr uint32_t kPressWindow = 0x52020040;  // a button whose -1 handler decides
constexpr uint32_t kPressButton = 0x16020041;
constexpr uint32_t kShapeWindow = 0x52020050;        // 559 x 400, Shape 2
constexpr uint32_t kKeepOpenWindow = 0x52020060;     // close event 12 answers false
constexpr uint32_t kTagWindow = 0x52020070;          // for Tag rewrites
constexpr uint32_t kUnknownTypeWindow = 0x52020080;  // a unit of a type nobody registered
constexpr uint32_t kGifWindow = 0x520200A0;          // an animated picture box
constexpr uint32_t kGifPicBox = 0x160200A1;
constexpr uint32_t kMidiWindow = 0x520200B0;  // a MIDI background sound played once
constexpr uint32_t kMenuWindow = 0x520200C0;  // two menu items
constexpr uint32_t kMenuFile = 0x260200C1;
constexpr uint32_t kMenuHelp = 0x260200C2;
constexpr uint32_t kBadVersionWindow = 0x52020090;  // edit box data of version 3
// Borderless, its units in a table order unlike their reading order: Tab
// reaches kKeyPress, kKeyButton (one row), kKeyEdit, kKeyLeftPress,
// kKeyLowButton (one row), then kKeyLastEdit (tab order 1).
constexpr uint32_t kKeyWindow = 0x520200D0;
constexpr uint32_t kKeyButton = 0x160200D1;     // click bound, no tab stop
constexpr uint32_t kKeyPress = 0x160200D2;      // picture box with press and release bound
constexpr uint32_t kKeyEdit = 0x160200D3;       // tab stop, nothing bound
constexpr uint32_t kKeyLeftPress = 0x160200D7;  // a row lower, further left
constexpr uint32_t kKeyLowButton = 0x160200D8;
constexpr uint32_t kKeyLastEdit = 0x160200D9;  // top left, but tab order 1

// Procedure table entries (offset = index * 8).
enum Procedure : int {
    kOnCreated = 0,   // counts created events
    kOnDestroyed,     // counts event 2
    kOnClick,         // counts button clicks
    kOnTimer,         // counts timer ticks
    kOnPress,         // -1 handler: returns g.pressResult when g.pressGivesResult
    kOnQueryClose,    // event 12: returns g.closeAnswer
    kOnPressClick,    // the pressed button's click
    kOnChange,        // counts an edit box's change events
    kOnRelease = 20,  // counts -2 events (past the installer template's procedures)
    kProcedureCount = 24,
};

struct Observed {
    int created = 0;
    int destroyed = 0;
    int clicks = 0;
    int ticks = 0;
    int presses = 0;
    int32_t pressArgs[3] = {};  // x, y, key state of the last press
    int pressClicks = 0;
    int changes = 0;
    int releases = 0;
    uint32_t lastClickUnit = 0;        // the unit of the last kOnClick
    std::vector<uint32_t> otherUnits;  // the unit of each installer procedure run
    bool pressGivesResult = false;
    int32_t pressResult = 0;
    int32_t closeAnswer = 0;
    int otherProcedures = 0;  // the installer template's handlers
};
extern Observed g;

// Reads the test windows (and the installer template when built in) into
// the runtime's working copy; installs the window system.
void SetUpWindowSystem();  // and has Pump pass messages through its filter
bool HaveInstallerTemplate();

// Pumps until done() or the timeout; returns done().
template <class F>
bool PumpUntil(F done, int timeoutMs = 3000) {
    DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
    while (!done() && static_cast<int32_t>(end - GetTickCount()) > 0) Pump(20);
    return done();
}
// Screen point of a client point.
POINT ScreenPoint(HWND hwnd, int x, int y);

// Property service shorthands.
int64_t Read(uint32_t window, uint32_t unit, int32_t index);
std::string ReadText(uint32_t window, uint32_t unit, int32_t index);
void Write(uint32_t window, uint32_t unit, int32_t index, int64_t value);
void WriteText(uint32_t window, uint32_t unit, int32_t index, const char* text);

// Unix path of the folder the test writes its artefacts into.
std::string ArtefactDir();

}  // namespace vx::test
