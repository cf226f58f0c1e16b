// The picture button on a real window under wine: its shape, the mouse
// state machine driven by real X input, toggling, the disabled look and the
// blending of half-transparent pictures.
#include <gtest/gtest.h>

#include "runtime/controls/picbtn/picbtn.h"
#include "tests/controls/gui_support.h"
#include "tests/support/accessible_reader.h"

namespace vx::controls {
namespace {

using test::Capture;
using test::CaptureClient;
using test::MouseAt;
using test::PlainWindow;
using test::Pump;
using test::SolidPng;

constexpr COLORREF kWindowGreen = RGB(0, 128, 0);
constexpr uint32_t kRed = 0xFF0000, kYellow = 0xFFFF00, kBlue = 0x0000FF, kGrey = 0x808080;

struct Bench {
    PlainWindow window{100, 100, 300, 200, kWindowGreen};
    int clicks = 0;
    int dpi = 96;
    std::unique_ptr<PicBtn> button;

    void Make(const PicBtnForm& form, DWORD style = WS_VISIBLE, COLORREF background = kWindowGreen) {
        PicBtnCreate p;
        p.parent = window.Handle();
        p.left = 40;
        p.top = 40;
        p.width = 40;
        p.height = 40;
        p.style = style;
        p.controlId = 100;
        p.background = background;
        p.dpi = dpi;
        button = PicBtn::Create(p, form, [this] { ++clicks; });
        ASSERT_TRUE(button);
        Pump(50);
    }
    // Button client point -> screen.
    POINT At(int x, int y) const { return window.Screen(40 + x, 40 + y); }
    uint32_t Shown(int x, int y) const {
        return CaptureClient(window.Handle(), RECT{40 + x, 40 + y, 41 + x, 41 + y}).At(0, 0);
    }
};

PicBtnForm Pictures(bool withDisabled) {
    PicBtnForm f;
    f.transparentColour = RGB(255, 0, 255);
    f.pictures[0] = SolidPng(40, 40, 255, 0, 0);
    f.pictures[1] = SolidPng(40, 40, 255, 255, 0);
    f.pictures[2] = SolidPng(40, 40, 0, 0, 255);
    if (withDisabled) f.pictures[3] = SolidPng(40, 40, 128, 128, 128);
    return f;
}

TEST(PicBtn, MagentaPixelsAreCutOutOfTheButton) {
    Bench b;
    PicBtnForm f;
    f.transparentColour = RGB(255, 0, 255);
    // Left half magenta, right half red.
    f.pictures[0] = test::PatternPng(40, 40, [](int x, int) { return x < 20 ? 0xFF00FFFFu : 0xFF0000FFu; });
    b.Make(f);

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(b.button->Handle(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 10, 20));
    EXPECT_TRUE(PtInRegion(region, 30, 20));
    DeleteObject(region);

    // The magenta half shows the window behind; the rest the picture.
    EXPECT_EQ(b.Shown(10, 20), test::Rgb(kWindowGreen));
    EXPECT_EQ(b.Shown(30, 20), kRed);

    // A real click on the magenta half reaches the window behind, not the button.
    ASSERT_TRUE(MouseAt(b.At(10, 20), "click 1"));
    EXPECT_EQ(b.clicks, 0);
    EXPECT_EQ(b.window.presses, 1);
    ASSERT_TRUE(MouseAt(b.At(30, 20), "click 1"));
    EXPECT_EQ(b.clicks, 1);
    EXPECT_EQ(b.window.presses, 1);
}

// At 200 % a 20 x 20 picture shows as 40 x 40: its cut-away half is cut at
// exactly twice its place, and the red half is pure red up to that edge,
// with nothing of the magenta blended in.
TEST(PicBtn, ScaledPictureKeepsItsShapeAndCleanEdges) {
    Bench b;
    b.dpi = 192;
    PicBtnForm f;
    f.transparentColour = RGB(255, 0, 255);
    f.pictures[0] = test::PatternPng(20, 20, [](int x, int) { return x < 10 ? 0xFF00FFFFu : 0xFF0000FFu; });
    b.Make(f);

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(b.button->Handle(), region), ERROR);
    for (int y : {0, 20, 39}) {
        EXPECT_FALSE(PtInRegion(region, 19, y));
        EXPECT_TRUE(PtInRegion(region, 20, y));
        EXPECT_TRUE(PtInRegion(region, 39, y));
    }
    DeleteObject(region);
    for (int x = 20; x < 40; ++x) EXPECT_EQ(b.Shown(x, 20), kRed) << "at " << x;
    EXPECT_EQ(b.Shown(10, 20), test::Rgb(kWindowGreen));
}

TEST(PicBtn, PressDragOffAndBackThenReleaseOff) {
    Bench b;
    b.Make(Pictures(false));
    ASSERT_TRUE(MouseAt(b.At(20, 20)));
    EXPECT_EQ(b.button->State(), PicBtn::kHover);
    EXPECT_EQ(b.Shown(20, 20), kYellow);

    ASSERT_TRUE(test::Xdotool("mousedown 1"));
    EXPECT_EQ(b.button->State(), PicBtn::kPressed);
    EXPECT_EQ(b.Shown(20, 20), kBlue);

    ASSERT_TRUE(MouseAt(b.At(120, 20)));  // off the button, still held
    EXPECT_EQ(b.button->State(), PicBtn::kNormal);
    EXPECT_EQ(b.Shown(20, 20), kRed);
    EXPECT_EQ(GetCapture(), b.button->Handle());

    ASSERT_TRUE(MouseAt(b.At(25, 25)));  // back on
    EXPECT_EQ(b.button->State(), PicBtn::kPressed);
    EXPECT_EQ(b.Shown(20, 20), kBlue);

    ASSERT_TRUE(MouseAt(b.At(120, 20), "mouseup 1"));
    EXPECT_EQ(b.clicks, 0);
    EXPECT_EQ(b.button->State(), PicBtn::kNormal);
    EXPECT_EQ(GetCapture(), nullptr);

    // A full press and release inside clicks once.
    ASSERT_TRUE(MouseAt(b.At(20, 20), "click 1"));
    EXPECT_EQ(b.clicks, 1);
}

TEST(PicBtn, ToggleButtonClickedTwice) {
    Bench b;
    PicBtnForm f = Pictures(false);
    f.mode = 1;
    b.Make(f);
    ASSERT_TRUE(MouseAt(b.At(20, 20), "click 1"));
    EXPECT_TRUE(b.button->Selected());
    EXPECT_EQ(b.button->State(), PicBtn::kPressed);
    EXPECT_EQ(b.Shown(20, 20), kBlue);  // no mouse-over look in toggle mode
    ASSERT_TRUE(MouseAt(b.At(22, 22), "click 1"));
    EXPECT_FALSE(b.button->Selected());
    EXPECT_EQ(b.Shown(20, 20), kRed);
    EXPECT_EQ(b.clicks, 2);

    // Selected written in toggle mode shows pressed; in push mode only stored.
    b.button->SetSelected(true);
    Pump(30);
    EXPECT_EQ(b.Shown(20, 20), kBlue);
    b.button->SetMode(5);
    EXPECT_EQ(b.button->Mode(), 1);
    b.button->SetMode(-2);
    EXPECT_EQ(b.button->Mode(), 0);
}

// What a screen reader reads, through the button's own accessible object: a
// push button named by its window's source, a toggle button as a check
// button ticked while selected, and each change of the tick announced.
TEST(PicBtn, ScreenReadersReadRoleNameAndTickedState) {
    {
        Bench b;
        b.Make(Pictures(false));
        test::AccessibleRead r = test::ReadAccessible(b.button->Handle());
        ASSERT_TRUE(r.answered);
        EXPECT_EQ(r.role, ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(r.name, "");
        EXPECT_EQ(r.children, 0);
        EXPECT_EQ(r.state & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE),
                  STATE_SYSTEM_FOCUSABLE);
        b.button->SetAccess(wt::AccessRole::kPushButton, "关闭");
        EXPECT_EQ(test::ReadAccessible(b.button->Handle()).name, "关闭");
        EnableWindow(b.button->Handle(), FALSE);
        EXPECT_TRUE(test::ReadAccessible(b.button->Handle()).state & STATE_SYSTEM_UNAVAILABLE);
        b.button->SetAccess(wt::AccessRole::kHidden, "");
        r = test::ReadAccessible(b.button->Handle());
        EXPECT_EQ(r.role, ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_TRUE(r.state & STATE_SYSTEM_INVISIBLE);
    }

    // A toggle button: ticked by a real click, announced; unticked again.
    Bench t;
    PicBtnForm f = Pictures(false);
    f.mode = 1;
    t.Make(f);
    test::AccessEvents events;
    test::AccessibleRead r = test::ReadAccessible(t.button->Handle());
    EXPECT_EQ(r.role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_FALSE(r.state & STATE_SYSTEM_CHECKED);
    ASSERT_TRUE(MouseAt(t.At(20, 20), "click 1"));
    Pump(30);
    EXPECT_TRUE(test::ReadAccessible(t.button->Handle()).state & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(events.Count(EVENT_OBJECT_STATECHANGE, t.button->Handle()), 1);
    ASSERT_TRUE(MouseAt(t.At(22, 22), "click 1"));
    Pump(30);
    EXPECT_FALSE(test::ReadAccessible(t.button->Handle()).state & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(events.Count(EVENT_OBJECT_STATECHANGE, t.button->Handle()), 2);

    // A push button its source makes a check button (the installer's tick
    // box): ticked while Selected, which it only stores; a write of the same
    // value announces nothing.
    t.button->SetMode(0);
    t.button->SetAccess(wt::AccessRole::kCheckButton, "同意安装协议");
    t.button->SetSelected(true);
    t.button->SetSelected(true);
    Pump(30);
    r = test::ReadAccessible(t.button->Handle());
    EXPECT_EQ(r.role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(r.name, "同意安装协议");
    EXPECT_TRUE(r.state & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(events.Count(EVENT_OBJECT_STATECHANGE, t.button->Handle()), 3);
    t.button->SetSelected(false);
    Pump(30);
    EXPECT_FALSE(test::ReadAccessible(t.button->Handle()).state & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(events.Count(EVENT_OBJECT_STATECHANGE, t.button->Handle()), 4);
}

TEST(PicBtn, DisabledButtonShowsItsPictureAndIgnoresClicks) {
    {
        Bench b;
        b.Make(Pictures(true), WS_VISIBLE | WS_DISABLED);
        EXPECT_EQ(b.Shown(20, 20), kGrey);
        ASSERT_TRUE(MouseAt(b.At(20, 20), "click 1"));
        EXPECT_EQ(b.clicks, 0);
        EnableWindow(b.button->Handle(), TRUE);
        Pump(30);
        EXPECT_EQ(b.Shown(20, 20), kRed);
    }
    {
        Bench b;
        b.Make(Pictures(false), WS_VISIBLE | WS_DISABLED);
        EXPECT_EQ(b.Shown(20, 20), kRed);
        ASSERT_TRUE(MouseAt(b.At(20, 20), "click 1"));
        EXPECT_EQ(b.clicks, 0);
    }
}

TEST(PicBtn, HalfTransparentPngIsBlendedOntoTheWindowColour) {
    Bench b;
    PicBtnForm f;
    f.transparentColour = RGB(255, 0, 255);
    // White at alpha 128 over red; fully transparent pixels exactly red.
    f.pictures[0] = test::PatternPng(40, 40, [](int x, int) { return x < 20 ? 0xFFFFFF80u : 0x00000000u; });
    b.Make(f, WS_VISIBLE, RGB(200, 0, 0));
    uint32_t half = b.Shown(10, 10);
    // 128/255 * 255 + (1 - 128/255) * 200 = 227.6; 128/255 * 255 = 128.
    EXPECT_NEAR(test::Red(half), 227, 1);
    EXPECT_NEAR(test::Green(half), 128, 1);
    EXPECT_NEAR(test::Blue(half), 128, 1);
    EXPECT_EQ(b.Shown(30, 10), 0xC80000u);
}

TEST(PicBtn, PictureWritesRepaintAndReshape) {
    Bench b;
    PicBtnForm f;
    f.transparentColour = 0xFF000000u;  // none: the whole rectangle is the button
    b.Make(f);
    EXPECT_EQ(b.Shown(20, 20), 0x000000u);  // no picture paints black
    b.button->SetPicture(PicBtn::kNormalPicture, SolidPng(20, 20, 0, 0, 255));
    Pump(30);
    EXPECT_EQ(b.Shown(10, 10), kBlue);
    EXPECT_EQ(b.Shown(30, 30), 0x000000u);  // beyond the picture: black
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(b.button->Handle(), region), ERROR);  // no region without a colour
    // A colour the picture is made of cuts all of it away.
    b.button->SetTransparentColour(RGB(0, 0, 255));
    Pump(30);
    ASSERT_NE(GetWindowRgn(b.button->Handle(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 10, 10));
    EXPECT_FALSE(PtInRegion(region, 30, 30));  // the region covers the picture only
    DeleteObject(region);
    EXPECT_EQ(b.Shown(10, 10), test::Rgb(kWindowGreen));
    EXPECT_EQ(b.Shown(30, 30), test::Rgb(kWindowGreen));
    // Undecodable bytes leave the slot empty.
    b.button->SetPicture(PicBtn::kNormalPicture, "not a picture");
    EXPECT_EQ(b.button->Picture(PicBtn::kNormalPicture), "not a picture");
    Pump(30);
    EXPECT_EQ(b.Shown(10, 10), 0x000000u);
}

}  // namespace
}  // namespace vx::controls
