// The visual style library on real controls of this thread: which controls it
// takes over, those created later, that they keep working under real input,
// and that switching off gives every control its own procedure back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <thread>

#include "runtime/commands/commands.h"
#include "runtime/commands/visual_style.h"
#include "tests/commands/command_calls.h"
#include "tests/support/win32_harness.h"

namespace vx::commands {
namespace {

int gClicks = 0;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) ++gClicks;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool SetStyle(int32_t style) { return CallLibrary(kVisualStyleLibrary, SetXpStyle, {test::Int(style)}).low == 1; }

LONG_PTR Proc(HWND hwnd) { return GetWindowLongPtrA(hwnd, GWLP_WNDPROC); }

class VisualStyle : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "VxStyleTestParent";
        RegisterClassA(&wc);
        parent_ = CreateWindowExA(0, "VxStyleTestParent", "style", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        check_ = Child("Button", "check", BS_AUTOCHECKBOX, 10, 10);
        edit_ = Child("Edit", "", ES_AUTOHSCROLL | WS_BORDER, 10, 50);
        label_ = Child("Static", "label", 0, 10, 90);
        gClicks = 0;
    }
    void TearDown() override {
        SetStyle(0);
        DestroyWindow(parent_);
    }
    HWND Child(const char* cls, const char* text, DWORD style, int x, int y) {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, 120, 28, parent_, nullptr, nullptr,
                               nullptr);
    }
    static void ClickAt(HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
        test::Pump(200);
    }
    HWND parent_ = nullptr, check_ = nullptr, edit_ = nullptr, label_ = nullptr;
};

TEST_F(VisualStyle, TakesOverStandardControlsAndGivesThemBack) {
    LONG_PTR checkProc = Proc(check_), editProc = Proc(edit_), labelProc = Proc(label_);
    EXPECT_TRUE(SetStyle(1));
    EXPECT_EQ(CurrentXpStyle(), 1);
    EXPECT_NE(Proc(check_), checkProc);
    EXPECT_NE(Proc(edit_), editProc);
    EXPECT_EQ(Proc(label_), labelProc) << "not a recognised class";
    EXPECT_TRUE(IsXpStyled(check_));
    EXPECT_FALSE(IsXpStyled(label_));

    // Switching off and on again does not stack a second takeover.
    EXPECT_TRUE(SetStyle(3));
    LONG_PTR styledProc = Proc(check_);
    SendMessageA(check_, BM_CLICK, 0, 0);
    EXPECT_EQ(gClicks, 1);

    EXPECT_TRUE(SetStyle(0));
    EXPECT_EQ(CurrentXpStyle(), 0);
    EXPECT_EQ(Proc(check_), checkProc);
    EXPECT_EQ(Proc(edit_), editProc);
    EXPECT_NE(Proc(check_), styledProc);
    EXPECT_FALSE(IsXpStyled(check_));
    // Other values switch it off as well.
    EXPECT_TRUE(SetStyle(1));
    EXPECT_TRUE(SetStyle(7));
    EXPECT_EQ(Proc(check_), checkProc);
}

TEST_F(VisualStyle, ControlsKeepWorkingUnderRealInput) {
    ASSERT_TRUE(SetStyle(1));
    test::Pump(200);
    ClickAt(check_);
    EXPECT_EQ(SendMessageA(check_, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(gClicks, 1);
    ClickAt(check_);
    EXPECT_EQ(SendMessageA(check_, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Focus lives in the active window: another test's window may have taken
    // activation since the fixture made ours.
    SetForegroundWindow(parent_);
    test::Pump(200);
    ClickAt(edit_);
    EXPECT_EQ(GetFocus(), edit_);
    for (char c : std::string("ok")) SendMessageA(edit_, WM_CHAR, c, 0);
    char text[16] = {};
    GetWindowTextA(edit_, text, sizeof text);
    EXPECT_STREQ(text, "ok");
    EnableWindow(check_, FALSE);
    EXPECT_FALSE(IsWindowEnabled(check_));
}

int gTopMessages = 0;
LRESULT CALLBACK CountingSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == BM_CLICK) ++gTopMessages;
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// The window system subclasses a control again after the style took it
// over at creation; switching the style off and on again must neither loop
// nor drop the subclass on top.
TEST_F(VisualStyle, SubclassOnTopSurvivesSwitchingOffAndOn) {
    ASSERT_TRUE(SetStyle(1));
    HWND later = Child("Button", "later", BS_PUSHBUTTON, 150, 10);
    ASSERT_TRUE(IsXpStyled(later));
    ASSERT_TRUE(SetWindowSubclass(later, CountingSubclass, 1, 0));
    gTopMessages = 0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_TRUE(SetStyle(0));
        EXPECT_FALSE(IsXpStyled(later));
        SendMessageA(later, BM_CLICK, 0, 0);
        EXPECT_TRUE(SetStyle(1));
        EXPECT_TRUE(IsXpStyled(later));
        SendMessageA(later, BM_CLICK, 0, 0);
    }
    EXPECT_TRUE(SetStyle(0));
    SendMessageA(later, BM_CLICK, 0, 0);
    EXPECT_EQ(gClicks, 5);
    EXPECT_EQ(gTopMessages, 5);
    RemoveWindowSubclass(later, CountingSubclass, 1);
    DestroyWindow(later);
}

TEST_F(VisualStyle, LaterWindowsOfThisThreadOnly) {
    ASSERT_TRUE(SetStyle(2));
    HWND later = Child("BUTTON", "later", BS_PUSHBUTTON, 150, 10);
    HWND laterLabel = Child("Static", "x", 0, 150, 50);
    EXPECT_TRUE(IsXpStyled(later));
    EXPECT_FALSE(IsXpStyled(laterLabel));
    SendMessageA(later, BM_CLICK, 0, 0);
    EXPECT_EQ(gClicks, 1);

    // A control that goes while styled leaves the list.
    DestroyWindow(later);
    EXPECT_FALSE(IsXpStyled(later));

    // Another thread's windows are not touched.
    LONG_PTR otherProc = 0, otherOriginal = 0;
    std::thread other([&] {
        HWND button = CreateWindowExA(0, "Button", "t", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
        WNDCLASSA wc{};
        GetClassInfoA(nullptr, "Button", &wc);
        otherOriginal = reinterpret_cast<LONG_PTR>(wc.lpfnWndProc);
        otherProc = Proc(button);
        DestroyWindow(button);
    });
    other.join();
    EXPECT_EQ(otherProc, otherOriginal);

    ASSERT_TRUE(SetStyle(0));
    HWND afterOff = Child("Button", "off", BS_PUSHBUTTON, 150, 90);
    EXPECT_FALSE(IsXpStyled(afterOff));
}

}  // namespace
}  // namespace vx::commands
