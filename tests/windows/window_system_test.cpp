// Loading windows, properties, close requests and the core units, on the
// real Win32 API under wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/base/memory.h"
#include "runtime/base/value.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/windows/template/template.h"
#include "tests/support/win32_harness.h"
#include "tests/windows/test_windows.h"

namespace vx::test {
namespace {

using windows::FindUnitHandle;
using windows::IsWindowLoaded;
using windows::LoadWindow;
using windows::RequestClose;

constexpr char kErrorCaption[] = "\xb4\xed\xce\xf3";  // 错误

enum { kLeft = 0, kTop, kWidth, kHeight, kTag, kVisible, kDisabled, kMousePointer };

void Close(uint32_t window) {
    if (HWND h = FindUnitHandle(window, 0)) DestroyWindow(h);
    Pump(20);
}

// A child run of this exe that performs one failing access; the run-time
// error box it shows is read and answered by the harness.
ProcessResult RunChild(const char* mode) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    ProcessOptions options;
    options.boxCaption = kErrorCaption;
    options.timeoutMs = 30000;
    return RunProcess(std::string("\"") + exe + "\" " + mode, options);
}

std::vector<HWND> ChildrenInZOrder(HWND parent) {
    std::vector<HWND> list;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) list.push_back(h);
    return list;
}

TEST(Properties, StoredValuesBeforeLoadAndErrorsForTypeProperties) {
    ASSERT_FALSE(IsWindowLoaded(kMainWindow));
    EXPECT_EQ(Read(kMainWindow, kPlainEdit, kLeft), 10);
    EXPECT_EQ(Read(kMainWindow, kPlainEdit, kTop), 40);
    EXPECT_EQ(Read(kMainWindow, kPlainEdit, kWidth), 200);
    EXPECT_EQ(Read(kMainWindow, kHiddenPicBox, kVisible), 0);
    EXPECT_EQ(Read(kMainWindow, kOkButton, kVisible), 1);

    ProcessResult r = RunChild("--type-property-before-load");
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0xFFFFFFFFu);
    ASSERT_EQ(r.boxTexts.size(), 1u);
    EXPECT_NE(r.boxTexts[0].find("\xd6\xb8\xb6\xa8\xb4\xb0\xbf\xda\xc9\xd0\xce\xb4\xd4\xd8\xc8\xeb"), std::string::npos)
        << r.boxTexts[0];  // 指定窗口尚未载入

    ProcessResult unknown = RunChild("--unknown-window");
    EXPECT_EQ(unknown.exitCode, 0xFFFFFFFFu);
    ASSERT_EQ(unknown.boxTexts.size(), 1u);
    // 未载入欲访问窗口组件所在的窗口
    EXPECT_NE(unknown.boxTexts[0].find("\xce\xb4\xd4\xd8\xc8\xeb\xd3\xfb\xb7\xc3\xce\xca"), std::string::npos);
}

TEST(Loading, AFailedBuildLeavesNoWindowAndRaisesNothing) {
    int created = g.created, destroyed = g.destroyed;
    EXPECT_FALSE(LoadWindow(kUnknownTypeWindow, nullptr, false));
    EXPECT_FALSE(IsWindowLoaded(kUnknownTypeWindow));
    EXPECT_FALSE(LoadWindow(kBadVersionWindow, nullptr, false));
    EXPECT_FALSE(IsWindowLoaded(kBadVersionWindow));
    EXPECT_FALSE(LoadWindow(0x52029999, nullptr, false));
    EXPECT_EQ(g.created, created);
    EXPECT_EQ(g.destroyed, destroyed);
    // No frame of this process is left (other test processes may have theirs).
    for (HWND h = FindWindowExA(nullptr, nullptr, "WTWindow", nullptr); h;
         h = FindWindowExA(nullptr, h, "WTWindow", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        EXPECT_NE(pid, GetCurrentProcessId());
    }
}

TEST(Failures, RunTimeErrorsOfTheWindowSystem) {
    struct Case {
        const char* mode;
        const char* text;
    } cases[] = {
        // 未找到引发事件的窗口组件
        {"--event-unknown-unit",
         "\xce\xb4\xd5\xd2\xb5\xbd\xd2\xfd\xb7\xa2\xca\xc2\xbc\xfe\xb5\xc4\xb4\xb0\xbf\xda\xd7\xe9\xbc\xfe"},
        // 未找到引发事件的窗口
        {"--event-unknown-window", "\xce\xb4\xd5\xd2\xb5\xbd\xd2\xfd\xb7\xa2\xca\xc2\xbc\xfe\xb5\xc4\xb4\xb0\xbf\xda"},
        // 指定窗口或窗口组件不存在或尚未载入
        {"--live-unit-not-loaded", "\xd6\xb8\xb6\xa8\xb4\xb0\xbf\xda\xbb\xf2\xb4\xb0\xbf\xda\xd7\xe9\xbc\xfe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ProcessResult r = RunChild(c.mode);
        ASSERT_TRUE(r.started);
        EXPECT_EQ(r.exitCode, 0xFFFFFFFFu);
        ASSERT_EQ(r.boxTexts.size(), 1u);
        EXPECT_NE(r.boxTexts[0].find(c.text), std::string::npos) << r.boxTexts[0];
    }
}

TEST(Properties, GeometryIsClampedInTheRecordAndOnScreen) {
    Write(kOtherWindow, 0x16020021, kWidth, 40000);
    EXPECT_EQ(Read(kOtherWindow, 0x16020021, kWidth), 32627);
    Write(kOtherWindow, 0x16020021, kWidth, -5);
    EXPECT_EQ(Read(kOtherWindow, 0x16020021, kWidth), 0);
    Write(kOtherWindow, 0x16020021, kLeft, -40000);
    EXPECT_EQ(Read(kOtherWindow, 0x16020021, kLeft), -32627);
    Write(kOtherWindow, 0x16020021, kTop, 40000);
    EXPECT_EQ(Read(kOtherWindow, 0x16020021, kTop), 32627);

    // Back to sane values; after the load the live window follows writes.
    Write(kOtherWindow, 0x16020021, kLeft, 10);
    Write(kOtherWindow, 0x16020021, kTop, 10);
    Write(kOtherWindow, 0x16020021, kWidth, 150);
    ASSERT_TRUE(LoadWindow(kOtherWindow, nullptr, false));
    HWND edit = FindUnitHandle(kOtherWindow, 0x16020021);
    ASSERT_TRUE(edit);
    Write(kOtherWindow, 0x16020021, kLeft, 33);
    Write(kOtherWindow, 0x16020021, kHeight, 40000);
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, GetParent(edit), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 33);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(Read(kOtherWindow, 0x16020021, kLeft), 33);
    Write(kOtherWindow, 0x16020021, kHeight, 22);
    Close(kOtherWindow);
    // The record keeps the last written values.
    EXPECT_EQ(Read(kOtherWindow, 0x16020021, kLeft), 33);
}

TEST(Properties, LongerTagKeepsTheTemplateConsistent) {
    const std::string longer(300, 'x');
    WriteText(kTagWindow, 0x16020071, kTag, longer.c_str());
    EXPECT_EQ(ReadText(kTagWindow, 0x16020071, kTag), longer);
    // The records after it moved; their fields still read right.
    EXPECT_EQ(ReadText(kTagWindow, 0x16020072, kTag), "tag of b");
    EXPECT_EQ(Read(kTagWindow, 0x16020072, kTop), 40);
    auto* pointer = static_cast<uint8_t*>(
        reinterpret_cast<void*>(static_cast<uintptr_t>(Read(kTagWindow, 0x16020072, kMousePointer))));
    ASSERT_EQ(vx::ByteSetSize(pointer), 4u);
    int32_t number;
    memcpy(&number, vx::ByteSetData(pointer), 4);
    EXPECT_EQ(number, 15);  // the hand pointer in the runtime's numbering
    Free(pointer);
    // And the window still builds from them.
    ASSERT_TRUE(LoadWindow(kTagWindow, nullptr, false));
    EXPECT_EQ(ReadText(kTagWindow, 0x16020072, 8), "second");
    EXPECT_EQ(ReadText(kTagWindow, 0x16020071, 8), "first");
    WriteText(kTagWindow, 0x16020072, kTag, "");
    EXPECT_EQ(ReadText(kTagWindow, 0x16020072, kTag), "");
    EXPECT_EQ(ReadText(kTagWindow, 0x16020071, kTag), longer);
    Close(kTagWindow);
}

TEST(Loading, BuildsUnitsInReverseYetStacksThemInTableOrder) {
    int created = g.created;
    ASSERT_TRUE(LoadWindow(kMainWindow, nullptr, false));
    EXPECT_EQ(g.created, created + 1);
    HWND frame = FindUnitHandle(kMainWindow, 0);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(IsWindowVisible(frame));
    char cls[32];
    GetClassNameA(frame, cls, sizeof cls);
    EXPECT_STREQ(cls, "WTWindow");

    HWND ro = FindUnitHandle(kMainWindow, kReadOnlyEdit);
    HWND plain = FindUnitHandle(kMainWindow, kPlainEdit);
    HWND ok = FindUnitHandle(kMainWindow, kOkButton);
    HWND pic = FindUnitHandle(kMainWindow, kHiddenPicBox);
    ASSERT_TRUE(ro && plain && ok && pic);
    EXPECT_EQ(FindUnitHandle(kMainWindow, kTimerUnit), nullptr);  // a component has no window
    // Created last to second: the last unit got 100, then 110, ...
    EXPECT_EQ(GetDlgCtrlID(pic), 100);
    EXPECT_EQ(GetDlgCtrlID(ok), 120);
    EXPECT_EQ(GetDlgCtrlID(plain), 130);
    EXPECT_EQ(GetDlgCtrlID(ro), 140);
    std::vector<HWND> z = ChildrenInZOrder(frame);
    std::vector<HWND> expected{ro, plain, ok, pic};
    std::vector<HWND> units;
    for (HWND h : z)
        if (std::find(expected.begin(), expected.end(), h) != expected.end()) units.push_back(h);
    EXPECT_EQ(units, expected);

    EXPECT_TRUE(IsWindowVisible(ro));
    EXPECT_FALSE(IsWindowVisible(pic));
    EXPECT_EQ(Read(kMainWindow, kHiddenPicBox, kVisible), 0);
    Write(kMainWindow, kHiddenPicBox, kVisible, 1);
    EXPECT_TRUE(IsWindowVisible(pic));
    Write(kMainWindow, kHiddenPicBox, kVisible, 0);

    // A second load only brings the window forward.
    ASSERT_TRUE(LoadWindow(kMainWindow, nullptr, false));
    EXPECT_EQ(FindUnitHandle(kMainWindow, 0), frame);
    EXPECT_EQ(g.created, created + 1);

    int destroyed = g.destroyed;
    Close(kMainWindow);
    EXPECT_EQ(g.destroyed, destroyed + 1);
    EXPECT_FALSE(IsWindowLoaded(kMainWindow));
    EXPECT_EQ(wt::LoadedTemplate().FindWindow(kMainWindow)->liveObject(1), nullptr);
}

TEST(Loading, ModalWindowDisablesOthersAndRestoresTheirStates) {
    ASSERT_TRUE(LoadWindow(kMainWindow, nullptr, false));
    ASSERT_TRUE(LoadWindow(kOtherWindow, nullptr, false));
    HWND main = FindUnitHandle(kMainWindow, 0);
    HWND other = FindUnitHandle(kOtherWindow, 0);
    EnableWindow(other, FALSE);  // disabled before the modal window comes

    static bool mainEnabledDuring, modalShown;
    mainEnabledDuring = true;
    modalShown = false;
    // Runs inside the modal loop: look, then close the modal window.
    UINT_PTR timer = SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        mainEnabledDuring = IsWindowEnabled(FindUnitHandle(kMainWindow, 0)) != FALSE;
        modalShown = IsWindowVisible(FindUnitHandle(kModalWindow, 0)) != FALSE;
        RequestClose(kModalWindow);
    });
    ASSERT_NE(timer, 0u);
    ASSERT_TRUE(LoadWindow(kModalWindow, nullptr, true));  // returns once closed
    EXPECT_TRUE(modalShown);
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_FALSE(IsWindowLoaded(kModalWindow));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindowEnabled(other));
    Close(kMainWindow);
    Close(kOtherWindow);
}

TEST(Closing, FalseFromTheCloseEventKeepsTheWindowOpen) {
    ASSERT_TRUE(LoadWindow(kKeepOpenWindow, nullptr, false));
    HWND frame = FindUnitHandle(kKeepOpenWindow, 0);
    g.closeAnswer = 0;
    SendMessageA(frame, WM_CLOSE, 0, 0);  // the close box
    EXPECT_TRUE(IsWindowLoaded(kKeepOpenWindow));
    g.closeAnswer = 1;
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowLoaded(kKeepOpenWindow));
    EXPECT_FALSE(IsWindow(frame));
}

// Bit 2 of the window's own flags is a control's tab stop; on a frame
// WS_TABSTOP is WS_MAXIMIZEBOX, which MaxButton 0 must not show.
TEST(Loading, FrameFlagsGiveNoMaximiseBox) {
    ASSERT_TRUE(LoadWindow(kOtherWindow, nullptr, false));
    HWND frame = FindUnitHandle(kOtherWindow, 0);
    const LONG style = GetWindowLongA(frame, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    DestroyWindow(frame);
    EXPECT_FALSE(IsWindowLoaded(kOtherWindow));
}

// A whole font description keeps an empty face name; a missing one, or a
// single face-name write of an empty one, gives 宋体.
TEST(Properties, FontDescriptionKeepsAnEmptyFaceName) {
    ASSERT_TRUE(LoadWindow(kMainWindow, nullptr, false));
    constexpr int32_t kFont = 12;
    auto face = [] {
        auto* text = reinterpret_cast<char*>(
            static_cast<uintptr_t>(windows::ReadUnitProperty(kMainWindow, kPlainEdit, kFont, 6)));
        std::string s = text ? text : "";
        Free(text);
        return s;
    };
    const std::string song = "\xcb\xce\xcc\xe5";
    windows::FontDescription d{0, 0, 0, 0, 0, 12, ""};
    Write(kMainWindow, kPlainEdit, kFont, static_cast<int64_t>(reinterpret_cast<uintptr_t>(&d)));
    EXPECT_EQ(face(), "");
    d.faceName = nullptr;
    Write(kMainWindow, kPlainEdit, kFont, static_cast<int64_t>(reinterpret_cast<uintptr_t>(&d)));
    EXPECT_EQ(face(), song);
    auto writeFace = [](const char* name) {
        const auto at = reinterpret_cast<uintptr_t>(name);
        windows::WriteUnitProperty(kMainWindow, kPlainEdit, kFont, 6, static_cast<uint32_t>(at),
                                   static_cast<uint32_t>(at >> 32));
    };
    writeFace("Arial");
    EXPECT_EQ(face(), "Arial");
    writeFace("");
    EXPECT_EQ(face(), song);
    Close(kMainWindow);
}

TEST(Units, TimerWithIntervalZeroNeverFires) {
    ASSERT_TRUE(LoadWindow(kMainWindow, nullptr, false));
    int ticks = g.ticks;
    Pump(400);
    EXPECT_EQ(g.ticks, ticks);
    Write(kMainWindow, kTimerUnit, 8, 30);
    EXPECT_EQ(Read(kMainWindow, kTimerUnit, 8), 30);
    EXPECT_TRUE(PumpUntil([&] { return g.ticks >= ticks + 2; }));
    Write(kMainWindow, kTimerUnit, 8, 0);
    Pump(50);
    int stopped = g.ticks;
    Pump(300);
    EXPECT_EQ(g.ticks, stopped);

    // Writing the interval it already has does not start the count again.
    Write(kMainWindow, kTimerUnit, 8, 250);
    ticks = g.ticks;
    for (int i = 0; i < 10; ++i) {
        Pump(100);
        Write(kMainWindow, kTimerUnit, 8, 250);
    }
    EXPECT_GE(g.ticks, ticks + 2);
    Write(kMainWindow, kTimerUnit, 8, 0);
    Close(kMainWindow);
}

TEST(Units, ButtonClickAndEditProperties) {
    ASSERT_TRUE(LoadWindow(kMainWindow, nullptr, false));
    int clicks = g.clicks;
    SendMessageA(FindUnitHandle(kMainWindow, kOkButton), BM_CLICK, 0, 0);
    EXPECT_EQ(g.clicks, clicks + 1);
    WriteText(kMainWindow, kOkButton, 10, "Go");
    EXPECT_EQ(ReadText(kMainWindow, kOkButton, 10), "Go");

    HWND ro = FindUnitHandle(kMainWindow, kReadOnlyEdit);
    EXPECT_TRUE(GetWindowLongA(ro, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(ReadText(kMainWindow, kReadOnlyEdit, 8), "abc");
    WriteText(kMainWindow, kReadOnlyEdit, 8, "C:\\Program Files\\X");
    EXPECT_EQ(ReadText(kMainWindow, kReadOnlyEdit, 8), "C:\\Program Files\\X");
    // Out-of-range picks are clamped; a negative MaxLength is 0.
    Write(kMainWindow, kPlainEdit, 17, 7);
    EXPECT_EQ(Read(kMainWindow, kPlainEdit, 17), 2);
    Write(kMainWindow, kPlainEdit, 14, -3);
    EXPECT_EQ(Read(kMainWindow, kPlainEdit, 14), 0);
    // MultiLine rebuilds the box in place: same id, same stacking slot.
    HWND plain = FindUnitHandle(kMainWindow, kPlainEdit);
    WriteText(kMainWindow, kPlainEdit, 8, "kept");
    Write(kMainWindow, kPlainEdit, 15, 1);
    HWND rebuilt = FindUnitHandle(kMainWindow, kPlainEdit);
    ASSERT_TRUE(rebuilt);
    EXPECT_NE(rebuilt, plain);
    EXPECT_TRUE(GetWindowLongA(rebuilt, GWL_STYLE) & ES_MULTILINE);
    EXPECT_EQ(GetDlgCtrlID(rebuilt), 130);
    EXPECT_EQ(GetWindow(rebuilt, GW_HWNDPREV), ro);
    EXPECT_EQ(ReadText(kMainWindow, kPlainEdit, 8), "kept");
    // A content write is a change, as typing is, in one line or several.
    int changes = g.changes;
    WriteText(kMainWindow, kPlainEdit, 8, "line 1\r\nline 2");
    EXPECT_EQ(g.changes, changes + 1) << "multi-line";
    Write(kMainWindow, kPlainEdit, 15, 0);
    changes = g.changes;
    WriteText(kMainWindow, kPlainEdit, 8, "one line");
    EXPECT_EQ(g.changes, changes + 1) << "single line";
    // A unit window destroyed on its own takes its live object along; the
    // record still answers the fixed properties.
    DestroyWindow(FindUnitHandle(kMainWindow, kOkButton));
    EXPECT_EQ(windows::FindLiveUnit(kMainWindow, kOkButton), nullptr);
    EXPECT_EQ(Read(kMainWindow, kOkButton, kLeft), 10);
    EXPECT_TRUE(IsWindowLoaded(kMainWindow));
    Close(kMainWindow);
}

TEST(Units, AnimatedGifPlaysWhileAnimateIsSet) {
    ASSERT_TRUE(LoadWindow(kGifWindow, nullptr, false));
    HWND box = FindUnitHandle(kGifWindow, kGifPicBox);
    ASSERT_TRUE(box);
    auto colour = [&] {
        HDC dc = GetDC(box);
        COLORREF c = GetPixel(dc, 1, 1);
        ReleaseDC(box, dc);
        return c;
    };
    bool red = false, blue = false;
    PumpUntil([&] {
        COLORREF c = colour();
        red |= c == RGB(255, 0, 0);
        blue |= c == RGB(0, 0, 255);
        return red && blue;
    });
    EXPECT_TRUE(red);
    EXPECT_TRUE(blue);
    // Beside the 4 x 2 picture the box shows its back colour.
    {
        HDC dc = GetDC(box);
        EXPECT_EQ(GetPixel(dc, 30, 30), RGB(255, 255, 255));
        ReleaseDC(box, dc);
    }
    // At 200 % every frame shows at 8 x 4, the still picture's size.
    RECT suggested{700, 40, 700 + 240, 40 + 240};
    SendMessageA(FindUnitHandle(kGifWindow, 0), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    box = FindUnitHandle(kGifWindow, kGifPicBox);
    ASSERT_TRUE(box);
    red = blue = false;
    PumpUntil([&] {
        HDC dc = GetDC(box);
        COLORREF c = GetPixel(dc, 6, 3);
        ReleaseDC(box, dc);
        red |= c == RGB(255, 0, 0);
        blue |= c == RGB(0, 0, 255);
        return red && blue;
    });
    EXPECT_TRUE(red && blue) << "the frames are not doubled";
    {
        HDC dc = GetDC(box);
        EXPECT_EQ(GetPixel(dc, 9, 1), RGB(255, 255, 255));
        ReleaseDC(box, dc);
    }
    Write(kGifWindow, kGifPicBox, 12, 0);  // Animate off: the frame stays
    Pump(100);
    COLORREF held = colour();
    for (int i = 0; i < 6; ++i) {
        Pump(60);
        EXPECT_EQ(colour(), held);
    }
    Close(kGifWindow);
}

int TemporarySoundFiles() {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string pattern = std::string(folder) + "vxm*.tmp";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do ++n;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

TEST(Units, MidiBackgroundSoundLeavesNoFileBehind) {
    int before = TemporarySoundFiles();
    ASSERT_TRUE(LoadWindow(kMidiWindow, nullptr, false));
    EXPECT_TRUE(IsWindowVisible(FindUnitHandle(kMidiWindow, 0)));
    Pump(100);
    Close(kMidiWindow);
    EXPECT_EQ(TemporarySoundFiles(), before);
}

TEST(Loading, MenuItemsBuildTheMenuBarAndRaiseTheirClick) {
    ASSERT_TRUE(LoadWindow(kMenuWindow, nullptr, false));
    HWND frame = FindUnitHandle(kMenuWindow, 0);
    HMENU menu = GetMenu(frame);
    ASSERT_TRUE(menu);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    char text[32] = {};
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&File\tCtrl+F");
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(ReadText(kMenuWindow, kMenuFile, 0), "&File\tCtrl+F");
    EXPECT_EQ(Read(kMenuWindow, kMenuHelp, 2), 1);
    EXPECT_EQ(Read(kMenuWindow, kMenuHelp, 3), 1);

    int clicks = g.clicks;
    PostMessageA(frame, WM_COMMAND, GetMenuItemID(menu, 0), 0);
    EXPECT_TRUE(PumpUntil([&] { return g.clicks == clicks + 1; }));

    // Property writes change the record and rebuild the menu.
    Write(kMenuWindow, kMenuHelp, 2, 0);
    Write(kMenuWindow, kMenuFile, 1, 1);
    WriteText(kMenuWindow, kMenuFile, 0, "&Open");
    menu = GetMenu(frame);
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Open");
    EXPECT_TRUE(GetMenuState(menu, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);
    Write(kMenuWindow, kMenuHelp, 3, 0);  // hidden
    EXPECT_EQ(GetMenuItemCount(GetMenu(frame)), 1);
    EXPECT_EQ(Read(kMenuWindow, kMenuHelp, 3), 0);
    Write(kMenuWindow, kMenuHelp, 3, 1);
    Close(kMenuWindow);
}

TEST(Units, ShapeTwoGivesEightyPixelCornerEllipses) {
    ASSERT_TRUE(LoadWindow(kShapeWindow, nullptr, false));
    HWND frame = FindUnitHandle(kShapeWindow, 0);
    RECT r;
    GetWindowRect(frame, &r);
    EXPECT_EQ(r.right - r.left, 559);
    EXPECT_EQ(r.bottom - r.top, 400);
    // Centred on the screen.
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 559) / 2);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(frame, rgn), ERROR);
    // An 80 x 80 corner ellipse (radius 40): (8, 8) and (3, 20) lie outside,
    // (15, 15) and (2, 35) inside; a 64 or 100 pixel corner gets one wrong.
    EXPECT_FALSE(PtInRegion(rgn, 8, 8));
    EXPECT_FALSE(PtInRegion(rgn, 3, 20));
    EXPECT_TRUE(PtInRegion(rgn, 15, 15));
    EXPECT_TRUE(PtInRegion(rgn, 2, 35));
    EXPECT_TRUE(PtInRegion(rgn, 279, 200));
    EXPECT_FALSE(PtInRegion(rgn, 556, 397));
    EXPECT_TRUE(PtInRegion(rgn, 555, 200));
    // Shape 1 replaces it with the ellipse at once.
    Write(kShapeWindow, 0, 28, 1);
    ASSERT_NE(GetWindowRgn(frame, rgn), ERROR);
    EXPECT_FALSE(PtInRegion(rgn, 40, 40));
    EXPECT_TRUE(PtInRegion(rgn, 279, 5));
    DeleteObject(rgn);
    Close(kShapeWindow);
}

}  // namespace
}  // namespace vx::test

int main(int argc, char** argv) {
    vx::test::SetUpWindowSystem();
    if (argc > 1) {
        std::string mode = argv[1];
        if (mode == "--type-property-before-load") {
            vx::test::Read(vx::test::kMainWindow, vx::test::kPlainEdit, 8);
            return 0;
        }
        if (mode == "--event-unknown-unit") {
            vx::windows::RaiseEvent(vx::test::kMainWindow, 0x16027777, 0);
            return 0;
        }
        if (mode == "--event-unknown-window") {
            vx::windows::RaiseEvent(0x52027777, 0, 0);
            return 0;
        }
        if (mode == "--live-unit-not-loaded") {
            vx::windows::WindowHostRequest(2007, vx::test::kMainWindow, vx::test::kPlainEdit);
            return 0;
        }
        if (mode == "--unknown-window") {
            vx::test::Read(0x52029999, 0x16020002, 0);
            return 0;
        }
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
