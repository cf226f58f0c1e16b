// Real mouse and keyboard input through xdotool on the test display: the
// message filter's events, the keyboard interface and dragging.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "runtime/windows/system/window_system.h"
#include "tests/windows/test_windows.h"

namespace vx::test {
namespace {

using windows::FindUnitHandle;
using windows::IsWindowLoaded;
using windows::LoadWindow;

std::string At(POINT p) {
    char buffer[64];
    // No --sync: this xdotool waits forever when the pointer is already there.
    std::snprintf(buffer, sizeof buffer, "mousemove %ld %ld sleep 0.1", static_cast<long>(p.x), static_cast<long>(p.y));
    return buffer;
}

// Above any window another test process may show while the input runs.
void Raise(uint32_t window) {
    HWND frame = FindUnitHandle(window, 0);
    SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(frame);
    Pump(50);
}

void Close(uint32_t window) {
    if (HWND h = FindUnitHandle(window, 0)) DestroyWindow(h);
    Pump(20);
}

// Clicks a unit so that its window takes the focus as a user's click does.
void ClickInto(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    ASSERT_TRUE(Xdotool(At(ScreenPoint(hwnd, r.right / 2, r.bottom / 2)) + " click 1"));
}

TEST(Input, PressHandlerWithoutResultSwallowsThePress) {
    ASSERT_TRUE(LoadWindow(kPressWindow, nullptr, false));
    Raise(kPressWindow);
    HWND button = FindUnitHandle(kPressWindow, kPressButton);
    ASSERT_TRUE(button);
    // Different points each time, so no two presses make a double click.
    POINT p = ScreenPoint(button, 20, 15);

    g.pressGivesResult = false;
    int presses = g.presses, clicks = g.pressClicks;
    ASSERT_TRUE(Xdotool(At(p) + " click 1"));
    EXPECT_TRUE(PumpUntil([&] { return g.presses == presses + 1; }));
    Pump(100);
    EXPECT_EQ(g.pressClicks, clicks);  // the button never saw the press

    g.pressGivesResult = true;
    g.pressResult = 0;
    p.x += 40;
    ASSERT_TRUE(Xdotool(At(p) + " click 1"));
    EXPECT_TRUE(PumpUntil([&] { return g.presses == presses + 2; }));
    Pump(100);
    EXPECT_EQ(g.pressClicks, clicks);  // 0 stops it as well

    g.pressResult = 1;
    p.x += 40;
    ASSERT_TRUE(Xdotool(At(p) + " click 1"));
    EXPECT_TRUE(PumpUntil([&] { return g.pressClicks == clicks + 1; }));
    EXPECT_EQ(g.presses, presses + 3);
    g.pressGivesResult = false;
    Close(kPressWindow);
}

// On a window shown at 200 % the press arrives where the doubled button
// shows, and its handler gets the point in template units, as at 96 DPI.
TEST(Input, PressArgumentsStayInTemplateUnitsOnAScaledWindow) {
    ASSERT_TRUE(LoadWindow(kPressWindow, nullptr, false));
    HWND frame = FindUnitHandle(kPressWindow, 0);
    RECT suggested{100, 100, 100 + 400, 100 + 200};
    SendMessageA(frame, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    Raise(kPressWindow);
    HWND button = FindUnitHandle(kPressWindow, kPressButton);
    ASSERT_TRUE(button);
    RECT r;
    GetWindowRect(button, &r);
    EXPECT_EQ(r.right - r.left, 240);
    EXPECT_EQ(r.bottom - r.top, 80);
    g.pressGivesResult = false;
    int presses = g.presses;
    ASSERT_TRUE(Xdotool(At(ScreenPoint(button, 60, 30)) + " click 1"));
    EXPECT_TRUE(PumpUntil([&] { return g.presses == presses + 1; }));
    EXPECT_EQ(g.pressArgs[0], 30);
    EXPECT_EQ(g.pressArgs[1], 15);
    EXPECT_EQ(Read(kPressWindow, kPressButton, 2), 120);  // Width as the template has it
    Close(kPressWindow);
}

TEST(Input, DragAnywhereMovesTheWindowByBackgroundAndPicture) {
    ASSERT_TRUE(LoadWindow(kDragWindow, nullptr, false));
    Raise(kDragWindow);
    HWND frame = FindUnitHandle(kDragWindow, 0);
    RECT before;
    GetWindowRect(frame, &before);

    // On the background.
    POINT from = ScreenPoint(frame, 150, 100);
    char drag[256];
    std::snprintf(drag, sizeof drag, "%s mousedown 1 mousemove %ld %ld sleep 0.1 mousemove %ld %ld sleep 0.1 mouseup 1",
                  At(from).c_str(), from.x + 30L, from.y + 20L, from.x + 60L, from.y + 40L);
    ASSERT_TRUE(Xdotool(drag));
    EXPECT_TRUE(PumpUntil([&] {
        RECT r;
        GetWindowRect(frame, &r);
        return r.left == before.left + 60 && r.top == before.top + 40;
    })) << "window did not follow the drag on its background";

    // On the picture box (its type moves the window).
    RECT mid;
    GetWindowRect(frame, &mid);
    from = ScreenPoint(FindUnitHandle(kDragWindow, kDragPicBox), 30, 30);
    std::snprintf(drag, sizeof drag, "%s mousedown 1 mousemove %ld %ld sleep 0.1 mousemove %ld %ld sleep 0.1 mouseup 1",
                  At(from).c_str(), from.x - 20L, from.y + 10L, from.x - 50L, from.y + 25L);
    ASSERT_TRUE(Xdotool(drag));
    EXPECT_TRUE(PumpUntil([&] {
        RECT r;
        GetWindowRect(frame, &r);
        return r.left == mid.left - 50 && r.top == mid.top + 25;
    })) << "window did not follow the drag on the picture box";

    // Without the drag word the same gesture leaves it in place.
    Write(kDragWindow, 0, 27, 0);
    GetWindowRect(frame, &mid);
    from = ScreenPoint(frame, 150, 100);
    std::snprintf(drag, sizeof drag, "%s mousedown 1 mousemove %ld %ld sleep 0.1 mouseup 1", At(from).c_str(),
                  from.x + 40L, from.y + 40L);
    ASSERT_TRUE(Xdotool(drag));
    Pump(200);
    RECT after;
    GetWindowRect(frame, &after);
    EXPECT_EQ(after.left, mid.left);
    EXPECT_EQ(after.top, mid.top);
    Write(kDragWindow, 0, 27, 1);
    Close(kDragWindow);
}

TEST(Input, ReadOnlyEditIgnoresTypingWhileContentStillWrites) {
    ASSERT_TRUE(LoadWindow(kMainWindow, nullptr, false));
    Raise(kMainWindow);
    HWND ro = FindUnitHandle(kMainWindow, kReadOnlyEdit);
    HWND plain = FindUnitHandle(kMainWindow, kPlainEdit);
    WriteText(kMainWindow, kReadOnlyEdit, 8, "abc");
    WriteText(kMainWindow, kPlainEdit, 8, "");

    ClickInto(ro);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == ro; }));
    ASSERT_TRUE(Xdotool("type --delay 30 xyz"));
    Pump(100);
    EXPECT_EQ(ReadText(kMainWindow, kReadOnlyEdit, 8), "abc");

    // The same keys reach a normal box, so the keyboard does work here.
    ClickInto(plain);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == plain; }));
    ASSERT_TRUE(Xdotool("type --delay 30 xyz"));
    EXPECT_TRUE(PumpUntil([&] { return ReadText(kMainWindow, kPlainEdit, 8) == "xyz"; }));

    WriteText(kMainWindow, kReadOnlyEdit, 8, "written");
    EXPECT_EQ(ReadText(kMainWindow, kReadOnlyEdit, 8), "written");

    // Tab moves the focus along the tab order: plain (1) -> button (2).
    ASSERT_TRUE(Xdotool("key Tab"));
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == FindUnitHandle(kMainWindow, kOkButton); }));
    ASSERT_TRUE(Xdotool("key shift+Tab"));
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == plain; }));
    // Alt+O presses the button whose caption is "&OK" (or "Go" after an
    // earlier caption write: restore it first).
    WriteText(kMainWindow, kOkButton, 10, "&OK");
    int clicks = g.clicks;
    ASSERT_TRUE(Xdotool("key alt+o"));
    EXPECT_TRUE(PumpUntil([&] { return g.clicks == clicks + 1; }));
    // Enter in a single-line box goes to the default push button.
    Write(kMainWindow, kOkButton, 9, 1);
    SetFocus(plain);
    ASSERT_TRUE(Xdotool("key Return"));
    EXPECT_TRUE(PumpUntil([&] { return g.clicks == clicks + 2; }));
    Write(kMainWindow, kOkButton, 9, 0);
    SetFocus(plain);  // the click took the focus to the button, which Enter would press
    ASSERT_TRUE(Xdotool("key Return"));
    Pump(200);
    EXPECT_EQ(g.clicks, clicks + 2);  // no default button: Enter does nothing
    Close(kMainWindow);
}

TEST(Input, EscapeClosesAWindowWithoutCloseHandlers) {
    ASSERT_TRUE(LoadWindow(kOtherWindow, nullptr, false));
    Raise(kOtherWindow);
    HWND edit = FindUnitHandle(kOtherWindow, 0x16020021);
    ClickInto(edit);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == edit; }));
    ASSERT_TRUE(Xdotool("key Escape"));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowLoaded(kOtherWindow); }));

    // With EscapeCloses cleared the window stays.
    ASSERT_TRUE(LoadWindow(kOtherWindow, nullptr, false));
    Raise(kOtherWindow);
    Write(kOtherWindow, 0, 22, 0);
    edit = FindUnitHandle(kOtherWindow, 0x16020021);
    ClickInto(edit);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == edit; }));
    ASSERT_TRUE(Xdotool("key Escape"));
    Pump(200);
    EXPECT_TRUE(IsWindowLoaded(kOtherWindow));
    Close(kOtherWindow);
}

// The shortcut a menu item's caption names after a tab works from the
// keyboard, and follows caption writes.
TEST(Input, MenuShortcutRaisesTheItemsClick) {
    ASSERT_TRUE(LoadWindow(kMenuWindow, nullptr, false));
    Raise(kMenuWindow);
    HWND button = FindUnitHandle(kMenuWindow, 0x160200C3);
    ClickInto(button);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == FindUnitHandle(kMenuWindow, 0); }));
    int clicks = g.clicks;
    ASSERT_TRUE(Xdotool("key ctrl+f"));
    EXPECT_TRUE(PumpUntil([&] { return g.clicks > clicks; })) << "Ctrl+F did not raise the item's click";
    Pump(200);
    clicks = g.clicks;

    // Without the shortcut in the caption, the key does nothing.
    WriteText(kMenuWindow, kMenuFile, 0, "&Open");
    ASSERT_TRUE(Xdotool("key ctrl+f"));
    Pump(300);
    EXPECT_EQ(g.clicks, clicks);
    WriteText(kMenuWindow, kMenuFile, 0, "&File\tCtrl+F");
    Close(kMenuWindow);
}

// Tab and Shift+Tab reach every visible, enabled unit that a click acts on
// or that has the tab-stop flag, row by row as read, then by tab order.
TEST(Input, TabFollowsReadingOrderThroughEveryClickableUnit) {
    ASSERT_TRUE(LoadWindow(kKeyWindow, nullptr, false));
    Raise(kKeyWindow);
    // The first tab stop as read has the focus when the window opens.
    HWND edit = FindUnitHandle(kKeyWindow, kKeyEdit);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == edit; }));
    const uint32_t forwards[] = {kKeyLeftPress, kKeyLowButton, kKeyLastEdit, kKeyPress, kKeyButton, kKeyEdit};
    for (uint32_t unit : forwards) {
        SCOPED_TRACE(testing::Message() << std::hex << unit);
        ASSERT_TRUE(Xdotool("key Tab"));
        EXPECT_TRUE(PumpUntil([&] { return GetFocus() == FindUnitHandle(kKeyWindow, unit); }));
    }
    for (uint32_t unit : {kKeyButton, kKeyPress, kKeyLastEdit}) {
        SCOPED_TRACE(testing::Message() << std::hex << unit);
        ASSERT_TRUE(Xdotool("key shift+Tab"));
        EXPECT_TRUE(PumpUntil([&] { return GetFocus() == FindUnitHandle(kKeyWindow, unit); }));
    }
    // A unit hidden or disabled since drops out; shown again, it is back.
    Write(kKeyWindow, kKeyPress, 5, 0);
    SetFocus(edit);
    ASSERT_TRUE(Xdotool("key shift+Tab"));
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == FindUnitHandle(kKeyWindow, kKeyButton); }));
    ASSERT_TRUE(Xdotool("key shift+Tab"));
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == FindUnitHandle(kKeyWindow, kKeyLastEdit); }));
    Write(kKeyWindow, kKeyPress, 5, 1);
    ASSERT_TRUE(Xdotool("key Tab"));
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == FindUnitHandle(kKeyWindow, kKeyPress); }));
    Close(kKeyWindow);
}

// Space and Enter on the focused unit raise what a click raises: a
// button's click, or the press and release of a unit bound to them.
TEST(Input, SpaceAndEnterActOnTheFocusedUnitAsAClick) {
    ASSERT_TRUE(LoadWindow(kKeyWindow, nullptr, false));
    Raise(kKeyWindow);
    g.pressGivesResult = false;
    SetFocus(FindUnitHandle(kKeyWindow, kKeyPress));
    int presses = g.presses, releases = g.releases, clicks = g.clicks;
    ASSERT_TRUE(Xdotool("key space"));
    EXPECT_TRUE(PumpUntil([&] { return g.releases == releases + 1; }));
    EXPECT_EQ(g.presses, presses + 1);
    ASSERT_TRUE(Xdotool("key Return"));
    EXPECT_TRUE(PumpUntil([&] { return g.releases == releases + 2; }));
    EXPECT_EQ(g.presses, presses + 2);
    EXPECT_EQ(g.clicks, clicks);

    SetFocus(FindUnitHandle(kKeyWindow, kKeyButton));
    ASSERT_TRUE(Xdotool("key Return"));
    EXPECT_TRUE(PumpUntil([&] { return g.clicks == clicks + 1; }));
    ASSERT_TRUE(Xdotool("key space"));
    EXPECT_TRUE(PumpUntil([&] { return g.clicks == clicks + 2; }));
    EXPECT_EQ(g.lastClickUnit, kKeyButton);
    EXPECT_EQ(g.presses, presses + 2);

    // In an edit box, Space types and Enter, with no default, does nothing.
    HWND edit = FindUnitHandle(kKeyWindow, kKeyEdit);
    SetFocus(edit);
    ASSERT_TRUE(Xdotool("key space Return"));
    Pump(200);
    EXPECT_EQ(g.clicks, clicks + 2);
    EXPECT_EQ(g.presses, presses + 2);
    EXPECT_EQ(ReadText(kKeyWindow, kKeyEdit, 8), " ");
    Close(kKeyWindow);
}

// A window drawn by its units names its default and close units: Enter
// that the focused unit does not take, and the system's close command
// (Alt+F4), then act on those as a click does.
TEST(Input, KeyboardRolesTakeEnterAndTheCloseCommand) {
    ASSERT_TRUE(LoadWindow(kKeyWindow, nullptr, false));
    Raise(kKeyWindow);
    windows::SetKeyboardRoles(kKeyWindow, kKeyLowButton, kKeyButton);
    HWND edit = FindUnitHandle(kKeyWindow, kKeyEdit);
    SetFocus(edit);
    int clicks = g.clicks;
    ASSERT_TRUE(Xdotool("key Return"));
    EXPECT_TRUE(PumpUntil([&] { return g.clicks == clicks + 1; }));
    EXPECT_EQ(g.lastClickUnit, kKeyLowButton);

    ASSERT_TRUE(Xdotool("key alt+F4"));
    EXPECT_TRUE(PumpUntil([&] { return g.clicks == clicks + 2; }));
    EXPECT_EQ(g.lastClickUnit, kKeyButton);
    EXPECT_TRUE(IsWindowLoaded(kKeyWindow));
    // A disabled close unit does nothing, as under the mouse.
    Write(kKeyWindow, kKeyButton, 6, 1);
    SetFocus(edit);
    ASSERT_TRUE(Xdotool("key alt+F4"));
    Pump(300);
    EXPECT_EQ(g.clicks, clicks + 2);
    EXPECT_TRUE(IsWindowLoaded(kKeyWindow));
    Write(kKeyWindow, kKeyButton, 6, 0);

    // Without roles Enter does nothing here and Alt+F4 closes the window.
    windows::SetKeyboardRoles(kKeyWindow, 0, 0);
    SetFocus(edit);
    ASSERT_TRUE(Xdotool("key Return"));
    Pump(200);
    EXPECT_EQ(g.clicks, clicks + 2);
    ASSERT_TRUE(Xdotool("key alt+F4"));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowLoaded(kKeyWindow); }));
    Close(kKeyWindow);
}

}  // namespace
}  // namespace vx::test
