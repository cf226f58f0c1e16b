// The installer's real window template: start state, geometry, stacking
// order, and a screenshot of the window as it first appears.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/windows/system/window_system.h"
#include "runtime/windows/template/template.h"
#include "tests/support/accessible_reader.h"
#include "tests/windows/test_windows.h"
#ifdef VX_HAVE_EXTENDED_UNITS
#include "runtime/controls/picbtn/picbtn_unit.h"
#include "runtime/controls/superbar/superbar_unit.h"
#include "runtime/controls/translabel/translabel_unit.h"
#include "runtime/zip/zip_unit_type.h"
#endif

namespace vx::test {
namespace {

using namespace windows;

constexpr uint32_t kInstaller = 0x52010001;
constexpr uint32_t kAgreement = 0x520100D2;

// Types of other libraries that may not be linked into this test: a plain
// child window (or no window, for components) stands in, so the window
// system's part of the build can be checked on the real template.
class StandIn final : public Unit {
public:
    explicit StandIn(const CreateParams& p, bool component) : Unit(p) {
        if (component) return;
        hwnd_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | p.style, p.left, p.top, p.width, p.height, p.parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)), nullptr, nullptr);
    }
};
Unit* CreateWindowed(const CreateParams& p) { return new StandIn(p, false); }
Unit* CreateComponent(const CreateParams& p) { return new StandIn(p, true); }

const TypeDescriptor kStandInLabel{"", "TransLabel", 0x00012040, 0, nullptr, CreateWindowed};
const TypeDescriptor kStandInPicBtn{"", "PicBtn", 0x80010040, 0, nullptr, CreateWindowed};
const TypeDescriptor kStandInBar{"", "SuperBar", 0x80000040, 0, nullptr, CreateWindowed};
const TypeDescriptor kStandInZip{"", "ZIP", 0x00008040, 0, nullptr, CreateComponent};

void RegisterMissingTypes() {
#ifdef VX_HAVE_EXTENDED_UNITS
    controls::RegisterPicBtnType();
    controls::RegisterTransLabelType();
    controls::RegisterSuperBarType();
    zip::RegisterZipUnitType();
#endif
    const std::pair<uint32_t, const TypeDescriptor*> standIns[] = {{0x00020005, &kStandInLabel},
                                                                   {0x0001002D, &kStandInPicBtn},
                                                                   {0x00050001, &kStandInBar},
                                                                   {0x00060001, &kStandInZip}};
    for (auto [id, d] : standIns)
        if (!FindUnitType(id)) RegisterUnitType(id, d);
}

struct Expected {
    uint32_t id;
    RECT rect;  // left, top, width, height
    bool visible;
};

// Part of the start state: the path row, agreement row, install button and
// footer show; the progress view is hidden.
const Expected kUnits[] = {
    {0x16010090, {280, 344, 56, 20}, false}, {0x16010087, {467, 302, 24, 20}, true},
    {0x16010080, {496, 302, 56, 20}, true},  {0x1601007F, {448, 305, 16, 16}, true},
    {0x1601007B, {16, 304, 536, 28}, false}, {0x1601007A, {16, 342, 64, 24}, false},
    {0x16010079, {72, 344, 472, 20}, false}, {0x1601005F, {484, 8, 32, 32}, true},
    {0x1601005E, {524, 8, 32, 32}, true},    {0x16010015, {480, 320, 56, 28}, true},
    {0x16010011, {467, 352, 80, 32}, true},  {0x1601000C, {296, 350, 16, 16}, true},
    {0x1601000B, {136, 350, 16, 16}, true},  {0x16010006, {296, 376, 128, 20}, true},
    {0x16010005, {8, 376, 280, 20}, true},   {0x16010003, {16, 324, 56, 20}, true},
    {0x16010002, {76, 324, 388, 20}, true},  {0x16010064, {8, 40, 544, 256}, true},
};

void SaveScreenshot(HWND frame, const char* name) {
    RECT r;
    GetWindowRect(frame, &r);
    char command[512];
    std::snprintf(command, sizeof command, "/usr/bin/import -window root -crop %ldx%ld+%ld+%ld +repage %s/%s",
                  static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top), static_cast<long>(r.left),
                  static_cast<long>(r.top), ArtefactDir().c_str(), name);
    EXPECT_TRUE(RunUnix(command, 20000)) << command;
}

TEST(InstallerWindow, StartStateMatchesTheTemplate) {
    if (!HaveInstallerTemplate()) GTEST_SKIP() << "built without the installer template";
    RegisterMissingTypes();
    int created = g.created;
    ASSERT_TRUE(LoadWindow(kInstaller, nullptr, false));
    EXPECT_EQ(g.created, created + 1);  // OnStartWindowCreated ran once
    HWND frame = FindUnitHandle(kInstaller, 0);
    ASSERT_TRUE(frame);
    RECT outer, client;
    GetWindowRect(frame, &outer);
    GetClientRect(frame, &client);
    EXPECT_EQ(outer.right - outer.left, 559);
    EXPECT_EQ(outer.bottom - outer.top, 400);
    EXPECT_EQ(client.right, 559);  // borderless: the client area is the window
    EXPECT_EQ(client.bottom, 400);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 559) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 400) / 2);
    EXPECT_FALSE(GetWindowLongA(frame, GWL_STYLE) & WS_CAPTION);

    std::vector<HWND> tableOrder;
    for (const Expected& e : kUnits) {
        SCOPED_TRACE(testing::Message() << std::hex << e.id);
        HWND h = FindUnitHandle(kInstaller, e.id);
        ASSERT_TRUE(h);
        tableOrder.push_back(h);
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, e.rect.left);
        EXPECT_EQ(r.top, e.rect.top);
        EXPECT_EQ(r.right - r.left, e.rect.right);
        EXPECT_EQ(r.bottom - r.top, e.rect.bottom);
        EXPECT_EQ(IsWindowVisible(h) != FALSE, e.visible);
    }
    // Components are never shown (the ZIP unit may keep a hidden window).
    HWND zipWindow = FindUnitHandle(kInstaller, 0x16010089);
    EXPECT_FALSE(zipWindow && IsWindowVisible(zipWindow));
    EXPECT_NE(FindLiveUnit(kInstaller, 0x16010089), nullptr);
    EXPECT_EQ(FindUnitHandle(kInstaller, 0x16010068), nullptr);  // the timer

    std::vector<HWND> stacked;
    for (HWND h = GetWindow(frame, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (std::find(tableOrder.begin(), tableOrder.end(), h) != tableOrder.end()) stacked.push_back(h);
    EXPECT_EQ(stacked, tableOrder);

    // The path box: read-only, with the default folder.
    HWND path = FindUnitHandle(kInstaller, 0x16010002);
    EXPECT_TRUE(GetWindowLongA(path, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(ReadText(kInstaller, 0x16010002, 8), "C:\\Program Files\\TolvanePC");

    Pump(300);
    SaveScreenshot(frame, "installer_start.png");

    // The background picture is painted (not the plain system colour): the
    // night sky is dark blue at the top.
    HDC dc = GetDC(frame);
    COLORREF sky = GetPixel(dc, 200, 20);
    EXPECT_GT(GetBValue(sky), GetRValue(sky)) << std::hex << sky;
    EXPECT_NE(sky, GetSysColor(COLOR_BTNFACE));

    // The two picture buttons without a picture paint black, on black
    // silhouettes of the background: nothing of them shows, in the button nor
    // in a ring around it.
    for (POINT at : {POINT{136, 350}, POINT{296, 350}}) {
        for (int y = at.y - 3; y < at.y + 16 + 3; ++y)
            for (int x = at.x - 3; x < at.x + 16 + 3; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                ASSERT_LE(std::max({GetRValue(c), GetGValue(c), GetBValue(c)}), 24)
                    << "button at " << at.x << "," << at.y << " shows at " << x << "," << y << ": " << std::hex << c;
            }
    }
    ReleaseDC(frame, dc);

    // Escape closes it at once: no handler is bound to its close events.
    SendMessageA(path, WM_KEYDOWN, VK_ESCAPE, 0);  // not through the queue: nothing happens
    EXPECT_TRUE(IsWindowLoaded(kInstaller));
    PostMessageA(path, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(PumpUntil([] { return !IsWindowLoaded(kInstaller); }));
}

// What the window shows over a unit's rectangle.
std::vector<COLORREF> UnitPixels(HWND frame, HWND unit) {
    RECT r;
    GetWindowRect(unit, &r);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
    std::vector<COLORREF> pixels;
    HDC dc = GetDC(frame);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(frame, dc);
    return pixels;
}

// The focusable units of the installer window, in reading order from the
// path box, which has the focus when the window opens.
constexpr uint32_t kPathBox = 0x16010002, kChangePathLink = 0x16010015, kInstallButton = 0x16010011;
constexpr uint32_t kWebLink = 0x16010006, kMinimiseButton = 0x1601005F, kCloseButton = 0x1601005E;
constexpr uint32_t kAgreementBox = 0x1601007F, kAgreementLink = 0x16010080;
constexpr uint32_t kTabOrder[] = {kChangePathLink, kInstallButton, kWebLink,       kMinimiseButton,
                                  kCloseButton,    kAgreementBox,  kAgreementLink, kPathBox};

// The system's "show keyboard cues always", for the length of a test.
class KeyboardCuesSetting {
public:
    explicit KeyboardCuesSetting(BOOL always) {
        SystemParametersInfoA(SPI_GETKEYBOARDCUES, 0, &saved_, 0);
        SystemParametersInfoA(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<intptr_t>(always)), 0);
    }
    ~KeyboardCuesSetting() {
        SystemParametersInfoA(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<intptr_t>(saved_)), 0);
    }
    KeyboardCuesSetting(const KeyboardCuesSetting&) = delete;
    KeyboardCuesSetting& operator=(const KeyboardCuesSetting&) = delete;

private:
    BOOL saved_ = FALSE;
};

TEST(InstallerWindow, TabReachesEveryControlInReadingOrderWithAFocusCue) {
    if (!HaveInstallerTemplate()) GTEST_SKIP() << "built without the installer template";
#ifndef VX_HAVE_EXTENDED_UNITS
    GTEST_SKIP() << "built without the picture-drawn controls, which are what Tab reaches";
#endif
    RegisterMissingTypes();
    KeyboardCuesSetting onlyAfterKeys(FALSE);
    ASSERT_TRUE(LoadWindow(kInstaller, nullptr, false));
    HWND frame = FindUnitHandle(kInstaller, 0);
    SetForegroundWindow(frame);
    Pump(300);
    HWND path = FindUnitHandle(kInstaller, kPathBox);
    EXPECT_EQ(GetFocus(), path);

    std::vector<std::vector<COLORREF>> atRest;
    for (uint32_t unit : kTabOrder) atRest.push_back(UnitPixels(frame, FindUnitHandle(kInstaller, unit)));
    // Focus given without the keyboard shows no cue: it appears only once
    // the keyboard is used in the window.
    HWND install = FindUnitHandle(kInstaller, kInstallButton);
    SetFocus(install);
    Pump(200);
    EXPECT_EQ(UnitPixels(frame, install), atRest[1]) << "focus cue before any keyboard use";
    SetFocus(path);

    for (size_t i = 0; i < std::size(kTabOrder); ++i) {
        SCOPED_TRACE(testing::Message() << "unit " << std::hex << kTabOrder[i]);
        HWND unit = FindUnitHandle(kInstaller, kTabOrder[i]);
        ASSERT_TRUE(Xdotool("key Tab"));
        ASSERT_TRUE(PumpUntil([&] { return GetFocus() == unit; }));
        Pump(100);
        // The picture-drawn controls draw the cue themselves; the edit box
        // has the system's caret and selection.
        if (kTabOrder[i] != kPathBox) {
            EXPECT_NE(UnitPixels(frame, unit), atRest[i]) << "no focus cue";
            if (kTabOrder[i] == kInstallButton) SaveScreenshot(frame, "installer_focus_install.png");
            if (kTabOrder[i] == kAgreementLink) SaveScreenshot(frame, "installer_focus_link.png");
        }
        // The cue left behind on the unit before is gone.
        if (i > 0 && kTabOrder[i - 1] != kPathBox) {
            EXPECT_EQ(UnitPixels(frame, FindUnitHandle(kInstaller, kTabOrder[i - 1])), atRest[i - 1]);
        }
    }
    ASSERT_TRUE(Xdotool("key shift+Tab"));
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == FindUnitHandle(kInstaller, kAgreementLink); }));
    DestroyWindow(frame);
    Pump(50);
}

// Space and Enter on a focused control raise what a click raises there;
// Enter in the path box and Alt+F4 go to the install and close buttons
// (the roles the installer gives them); Escape still closes at once.
TEST(InstallerWindow, KeysActOnTheFocusedControlAndItsRoles) {
    if (!HaveInstallerTemplate()) GTEST_SKIP() << "built without the installer template";
#ifndef VX_HAVE_EXTENDED_UNITS
    GTEST_SKIP() << "built without the picture-drawn controls, which are what Tab reaches";
#endif
    RegisterMissingTypes();
    SetKeyboardRoles(kInstaller, kInstallButton, kCloseButton);
    ASSERT_TRUE(LoadWindow(kInstaller, nullptr, false));
    HWND frame = FindUnitHandle(kInstaller, 0);
    SetForegroundWindow(frame);
    Pump(300);
    auto ran = [](size_t before, uint32_t unit) {
        return PumpUntil([&] { return g.otherUnits.size() == before + 1; }) && g.otherUnits.back() == unit;
    };
    // The tick box (a picture button), the agreement link (a label bound to
    // the press) and the minimise button, by Space and by Enter.
    for (uint32_t unit : {kAgreementBox, kAgreementLink, kMinimiseButton}) {
        SCOPED_TRACE(testing::Message() << "unit " << std::hex << unit);
        SetFocus(FindUnitHandle(kInstaller, unit));
        size_t before = g.otherUnits.size();
        ASSERT_TRUE(Xdotool("key space"));
        EXPECT_TRUE(ran(before, unit));
        ASSERT_TRUE(Xdotool("key Return"));
        EXPECT_TRUE(ran(before + 1, unit));
    }
    int installs = g.changes;  // the install button's procedure counts here
    SetFocus(FindUnitHandle(kInstaller, kPathBox));
    ASSERT_TRUE(Xdotool("key Return"));
    EXPECT_TRUE(PumpUntil([&] { return g.changes == installs + 1; })) << "Enter in the path box did not install";

    size_t before = g.otherUnits.size();
    ASSERT_TRUE(Xdotool("key alt+F4"));
    EXPECT_TRUE(ran(before, kCloseButton)) << "Alt+F4 did not act as the close button";
    EXPECT_TRUE(IsWindowLoaded(kInstaller));
    ASSERT_TRUE(Xdotool("key Escape"));
    EXPECT_TRUE(PumpUntil([] { return !IsWindowLoaded(kInstaller); }));
    EXPECT_EQ(g.otherUnits.size(), before + 1);
    SetKeyboardRoles(kInstaller, 0, 0);
}

// The agreement window: the text first, then "同意并安装" and "结束安装"
// as they stand left to right; Enter acts on the focused button, and in the
// text on "同意并安装", the role the installer gives it.
TEST(InstallerWindow, AgreementWindowTabsFromTheTextToItsButtonsAndEnterAgrees) {
    if (!HaveInstallerTemplate()) GTEST_SKIP() << "built without the installer template";
    RegisterMissingTypes();
    constexpr uint32_t kText = 0x160100D3, kAgree = 0x160100D4, kEnd = 0x160100D5;
    SetKeyboardRoles(kAgreement, kAgree, 0);
    ASSERT_TRUE(LoadWindow(kAgreement, nullptr, false));
    HWND frame = FindUnitHandle(kAgreement, 0);
    SetForegroundWindow(frame);
    Pump(300);
    EXPECT_EQ(GetFocus(), FindUnitHandle(kAgreement, kText));
    for (uint32_t unit : {kAgree, kEnd, kText}) {
        SCOPED_TRACE(testing::Message() << "unit " << std::hex << unit);
        ASSERT_TRUE(Xdotool("key Tab"));
        EXPECT_TRUE(PumpUntil([&] { return GetFocus() == FindUnitHandle(kAgreement, unit); }));
    }
    size_t before = g.otherUnits.size();
    ASSERT_TRUE(Xdotool("key Return"));
    EXPECT_TRUE(PumpUntil([&] { return g.otherUnits.size() == before + 1; }));
    EXPECT_EQ(g.otherUnits.back(), kAgree);
    ASSERT_TRUE(Xdotool("key shift+Tab Return"));
    EXPECT_TRUE(PumpUntil([&] { return g.otherUnits.size() == before + 2; }));
    EXPECT_EQ(g.otherUnits.back(), kEnd);
    SetKeyboardRoles(kAgreement, 0, 0);
    DestroyWindow(frame);
    Pump(50);
}

// A move to a monitor of another DPI (WM_DPICHANGED, 0x02E0, with the new
// DPI and the suggested frame): the frame takes the suggested rectangle and
// every unit its template place scaled, with the text and pictures made for
// that DPI; what the program reads and writes stays in template units; and
// back at 96 DPI every unit is exactly where the template puts it.
TEST(InstallerWindow, DpiChangeRescalesTheWindowWhilePropertiesStayInTemplateUnits) {
    if (!HaveInstallerTemplate()) GTEST_SKIP() << "built without the installer template";
    RegisterMissingTypes();
    constexpr UINT kDpiChanged = 0x02E0;
    ASSERT_TRUE(LoadWindow(kInstaller, nullptr, false));
    HWND frame = FindUnitHandle(kInstaller, 0);
    ASSERT_TRUE(frame);
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(systemDpi, 96) << "the test prefix runs at 96 DPI";
    auto scaled = [](LONG v, int dpi) { return LONG(MulDiv(v, dpi, 96)); };
    auto moveTo = [&](int dpi) {
        RECT suggested{0, 0, scaled(559, dpi), scaled(400, dpi)};
        OffsetRect(&suggested, (GetSystemMetrics(SM_CXSCREEN) - suggested.right) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - suggested.bottom) / 2);
        SendMessageA(frame, kDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        Pump(300);
        return suggested;
    };
    auto expectUnitsAt = [&](int dpi) {
        for (const Expected& e : kUnits) {
            SCOPED_TRACE(testing::Message() << std::hex << e.id << std::dec << " at " << dpi << " DPI");
            HWND h = FindUnitHandle(kInstaller, e.id);
            ASSERT_TRUE(h);
            RECT r;
            GetWindowRect(h, &r);
            MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(r.left, scaled(e.rect.left, dpi));
            EXPECT_EQ(r.top, scaled(e.rect.top, dpi));
            EXPECT_EQ(r.right - r.left, scaled(e.rect.right, dpi));
            EXPECT_EQ(r.bottom - r.top, scaled(e.rect.bottom, dpi));
            EXPECT_EQ(IsWindowVisible(h) != FALSE, e.visible);
            // The program sees the template's numbers.
            EXPECT_EQ(Read(kInstaller, e.id, 0), e.rect.left);
            EXPECT_EQ(Read(kInstaller, e.id, 1), e.rect.top);
            EXPECT_EQ(Read(kInstaller, e.id, 2), e.rect.right);
            EXPECT_EQ(Read(kInstaller, e.id, 3), e.rect.bottom);
        }
    };
    auto fontHeight = [](HWND h) {
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return lf.lfHeight;
    };
    HWND path = FindUnitHandle(kInstaller, 0x16010002);
    const LONG pathFont96 = fontHeight(path);
    ASSERT_LT(pathFont96, 0);

    RECT suggested = moveTo(192);
    RECT outer;
    GetWindowRect(frame, &outer);
    EXPECT_TRUE(EqualRect(&outer, &suggested));
    expectUnitsAt(192);
    path = FindUnitHandle(kInstaller, 0x16010002);  // rebuilt for the new DPI
    EXPECT_EQ(fontHeight(path), 2 * pathFont96);
    EXPECT_EQ(ReadText(kInstaller, 0x16010002, 8), "C:\\Program Files\\TolvanePC");
    SaveScreenshot(frame, "installer_dpi192.png");

    // The banner is resampled, not pixel-doubled: in a doubled picture every
    // 2 x 2 block from the unit's corner is one colour.
    HDC dc = GetDC(frame);
    int blocks = 0, blended = 0;
    for (int y = 120; y < 560; y += 2)
        for (int x = 100; x < 900; x += 2) {
            COLORREF c = GetPixel(dc, x, y);
            if (c == CLR_INVALID) continue;
            ++blocks;
            if (GetPixel(dc, x + 1, y) != c || GetPixel(dc, x, y + 1) != c || GetPixel(dc, x + 1, y + 1) != c)
                ++blended;
        }
    // The picture-less buttons, doubled, still vanish into the doubled silhouettes.
    for (POINT at : {POINT{272, 700}, POINT{592, 700}})
        for (int y = at.y - 6; y < at.y + 32 + 6; ++y)
            for (int x = at.x - 6; x < at.x + 32 + 6; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                ASSERT_LE(std::max({GetRValue(c), GetGValue(c), GetBValue(c)}), 24)
                    << "button at " << at.x << "," << at.y << " shows at " << x << "," << y << ": " << std::hex << c;
            }
    ReleaseDC(frame, dc);
    ASSERT_GT(blocks, 10000);
    EXPECT_GT(blended, blocks / 10) << blended << " of " << blocks << " blocks differ within";

    // A write in template units lands scaled.
    Write(kInstaller, 0x16010011, 0, 400);
    RECT button;
    GetWindowRect(FindUnitHandle(kInstaller, 0x16010011), &button);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, 800);
    EXPECT_EQ(Read(kInstaller, 0x16010011, 0), 400);
    Write(kInstaller, 0x16010011, 0, 467);

    // Disabled (an install running, or the agreement open), it keeps its
    // units until it is enabled again.
    EnableWindow(frame, FALSE);
    moveTo(144);
    expectUnitsAt(192);
    EnableWindow(frame, TRUE);
    Pump(300);
    expectUnitsAt(144);
    moveTo(96);
    expectUnitsAt(96);
    EXPECT_EQ(fontHeight(FindUnitHandle(kInstaller, 0x16010002)), pathFont96);
    RequestClose(kInstaller);
    EXPECT_TRUE(PumpUntil([] { return !IsWindowLoaded(kInstaller); }));
}

// What a screen reader reads of each picture-drawn control of the installer
// window, through the control's own accessible object: roles, names (given by
// the window's source where the control has no text), states and the bar's
// value, and how they follow the property writes of the installer's handlers.
TEST(InstallerWindow, ScreenReadersReadEveryPictureDrawnControl) {
    if (!HaveInstallerTemplate()) GTEST_SKIP() << "built without the installer template";
#ifndef VX_HAVE_EXTENDED_UNITS
    GTEST_SKIP() << "built without the picture-drawn controls";
#endif
    RegisterMissingTypes();
    ASSERT_TRUE(LoadWindow(kInstaller, nullptr, false));
    // Closed however the test ends: the next test loads windows of its own.
    struct Closer {
        ~Closer() {
            if (IsWindowLoaded(kInstaller)) RequestClose(kInstaller);
        }
    } closer;
    struct Read {
        uint32_t id;
        long role;
        std::string name;  // empty: the unit's caption
        long state;        // all of these set
    };
    const Read kControls[] = {
        {0x1601005F, ROLE_SYSTEM_PUSHBUTTON, "最小化", STATE_SYSTEM_FOCUSABLE},
        {0x1601005E, ROLE_SYSTEM_PUSHBUTTON, "关闭", STATE_SYSTEM_FOCUSABLE},
        {0x16010011, ROLE_SYSTEM_PUSHBUTTON, "立即安装", STATE_SYSTEM_FOCUSABLE},
        {0x1601007F, ROLE_SYSTEM_CHECKBUTTON, "同意安装协议", STATE_SYSTEM_FOCUSABLE},
        {0x16010080, ROLE_SYSTEM_LINK, "安装协议", STATE_SYSTEM_LINKED},
        {0x16010015, ROLE_SYSTEM_LINK, "更改路径", STATE_SYSTEM_LINKED},
        {0x16010006, ROLE_SYSTEM_LINK, "", STATE_SYSTEM_LINKED},
        {0x16010087, ROLE_SYSTEM_STATICTEXT, "同意", STATE_SYSTEM_READONLY},
        {0x16010003, ROLE_SYSTEM_STATICTEXT, "安装路径：", STATE_SYSTEM_READONLY},
        {0x16010005, ROLE_SYSTEM_STATICTEXT, "", STATE_SYSTEM_READONLY},
        {0x1601007B, ROLE_SYSTEM_STATICTEXT, "正在复制文件：", STATE_SYSTEM_INVISIBLE},
        {0x1601007A, ROLE_SYSTEM_STATICTEXT, "安装进度：", STATE_SYSTEM_INVISIBLE},
        {0x16010090, ROLE_SYSTEM_STATICTEXT, "0%", STATE_SYSTEM_INVISIBLE},
        {0x16010079, ROLE_SYSTEM_PROGRESSBAR, "安装进度", STATE_SYSTEM_INVISIBLE},
        // No picture, no event: they show nothing, and readers pass them over.
        {0x1601000C, ROLE_SYSTEM_PUSHBUTTON, "", STATE_SYSTEM_INVISIBLE},
        {0x1601000B, ROLE_SYSTEM_PUSHBUTTON, "", STATE_SYSTEM_INVISIBLE},
    };
    for (const Read& e : kControls) {
        SCOPED_TRACE(testing::Message() << std::hex << e.id);
        test::AccessibleRead r = test::ReadAccessible(FindUnitHandle(kInstaller, e.id));
        EXPECT_TRUE(r.answered);
        EXPECT_EQ(r.role, e.role);
        const std::string name =
            e.name.empty() && e.role != ROLE_SYSTEM_PUSHBUTTON ? ReadText(kInstaller, e.id, 8) : e.name;
        EXPECT_FALSE(e.role == ROLE_SYSTEM_LINK && name.empty());
        EXPECT_EQ(r.name, name);
        EXPECT_EQ(r.state & e.state, e.state) << std::hex << r.state;
    }
    HWND tick = FindUnitHandle(kInstaller, 0x1601007F);
    HWND bar = FindUnitHandle(kInstaller, 0x16010079);
    HWND status = FindUnitHandle(kInstaller, 0x1601007B);
    EXPECT_EQ(test::ReadAccessible(bar).value, "0%");

    // The tick box reads ticked while its Selected flag is set, as the
    // agreement handler writes it with the picture.
    test::AccessEvents events;
    EXPECT_FALSE(test::ReadAccessible(tick).state & STATE_SYSTEM_CHECKED);
    Write(kInstaller, 0x1601007F, 9, 1);
    EXPECT_TRUE(test::ReadAccessible(tick).state & STATE_SYSTEM_CHECKED);
    Write(kInstaller, 0x1601007F, 9, 0);
    EXPECT_FALSE(test::ReadAccessible(tick).state & STATE_SYSTEM_CHECKED);

    // The progress view: the bar's value and the status line follow the
    // progress handler's writes.
    for (uint32_t id : {0x1601007Bu, 0x16010079u}) Write(kInstaller, id, 5, 1);
    EXPECT_FALSE(test::ReadAccessible(bar).state & STATE_SYSTEM_INVISIBLE);
    for (int percent : {3, 42, 100}) {
        Write(kInstaller, 0x16010079, 17, percent);
        EXPECT_EQ(test::ReadAccessible(bar).value, std::to_string(percent) + "%");
    }
    WriteText(kInstaller, 0x1601007B, 8, "C:\\Program Files\\TolvanePC\\Vexilo\\Kandor.exe");
    EXPECT_EQ(test::ReadAccessible(status).name, "C:\\Program Files\\TolvanePC\\Vexilo\\Kandor.exe");
    Pump(50);
    EXPECT_EQ(events.Count(EVENT_OBJECT_STATECHANGE, tick), 2);
    EXPECT_EQ(events.Count(EVENT_OBJECT_VALUECHANGE, bar), 3);
    EXPECT_EQ(events.Count(EVENT_OBJECT_NAMECHANGE, status), 1);

    ASSERT_TRUE(RequestClose(kInstaller));
    EXPECT_FALSE(IsWindowLoaded(kInstaller));
}

TEST(InstallerWindow, AgreementWindowOpensCentredWithItsTitle) {
    if (!HaveInstallerTemplate()) GTEST_SKIP() << "built without the installer template";
    RegisterMissingTypes();
    static bool seen;
    static RECT rect;
    static char title[64];
    seen = false;
    SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND h = FindUnitHandle(kAgreement, 0);
        seen = h != nullptr;
        if (!h) return;
        GetWindowRect(h, &rect);
        GetWindowTextA(h, title, sizeof title);
        RequestClose(kAgreement);
    });
    ASSERT_TRUE(LoadWindow(kAgreement, nullptr, true));
    ASSERT_TRUE(seen);
    EXPECT_EQ(rect.right - rect.left, 380);
    EXPECT_EQ(rect.bottom - rect.top, 250);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 380) / 2);
    EXPECT_STREQ(title, "\xd0\xad\xd2\xe9\xd0\xc5\xcf\xa2");  // 协议信息
    EXPECT_FALSE(IsWindowLoaded(kAgreement));
}

}  // namespace
}  // namespace vx::test
