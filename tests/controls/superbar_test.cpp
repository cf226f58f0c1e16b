// The multi-function bar on a real window under wine: clamping and the fill,
// event 0 only on change, refused ranges, a bar too small for its thumb, the
// percentage, arrow-button clicks with real mouse input, and the installer's
// own bar measured on the screen.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "installer/template_data.h"
#include "runtime/controls/superbar/superbar.h"
#include "runtime/controls/translabel/translabel.h"
#include "runtime/windows/template/template.h"
#include "tests/controls/gui_support.h"
#include "tests/support/accessible_reader.h"

namespace vx::controls {
namespace {

using test::CaptureClient;
using test::PlainWindow;
using test::Pump;

struct Bench {
    PlainWindow window{100, 100, 560, 80, GetSysColor(COLOR_BTNFACE)};
    std::unique_ptr<SuperBar> bar;
    int events[3] = {};
    // What handlers of events 1 and 2 give back: -1 nothing, else the value.
    int32_t answer = -1;

    void Make(const SuperBarForm& form, int width = 200, int height = 20) {
        SuperBarCreate p;
        p.parent = window.Handle();
        p.left = 24;
        p.top = 20;
        p.width = width;
        p.height = height;
        p.style = WS_VISIBLE | WS_TABSTOP;
        p.controlId = 100;
        p.background = GetSysColor(COLOR_BTNFACE);
        bar = SuperBar::Create(p, form, [this](int event, int32_t* result) {
            ++events[event];
            if (event == 0 || answer < 0) return false;
            *result = answer;
            return true;
        });
        ASSERT_TRUE(bar);
        Pump(30);
    }
    int32_t Get(int n) const { return static_cast<int32_t>(bar->GetProperty(n).number); }
    void Set(int n, int64_t v) { bar->SetProperty(n, BarValue{v, {}}); }
    RECT Part(SuperBar::Part part) const {
        RECT r;
        GetWindowRect(bar->PartHandle(part), &r);
        MapWindowPoints(nullptr, bar->Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

SuperBarForm ProgressForm() {
    SuperBarForm f;
    f.barType = 2;
    f.style = 1;
    f.position = 0;
    f.showArrows = 0;
    f.showThumb = 0;
    f.interactive = 0;
    f.centreMark = {0, 0, 0};
    return f;
}

// Columns of the bar's middle row whose blue is strong (the fill cells).
int FillColumns(const test::Capture& c, int row) {
    int n = 0;
    for (int x = 0; x < c.width; ++x) n += test::Blue(c.At(x, row)) > 150;
    return n;
}

TEST(SuperBar, PositionIsClampedAndTheFillFollows) {
    Bench b;
    b.Make(ProgressForm());
    b.Set(17, 150);
    EXPECT_EQ(b.Get(17), 100);
    RECT fill = b.Part(SuperBar::kFill);
    EXPECT_EQ(fill.left, 0);
    EXPECT_EQ(fill.right, 200);
    EXPECT_EQ(FillColumns(CaptureClient(b.window.Handle(), RECT{24, 20, 224, 40}), 10), 200);

    b.Set(17, -5);
    EXPECT_EQ(b.Get(17), 0);
    fill = b.Part(SuperBar::kFill);
    EXPECT_EQ(fill.right - fill.left, 0);
    EXPECT_EQ(FillColumns(CaptureClient(b.window.Handle(), RECT{24, 20, 224, 40}), 10), 0);

    b.Set(17, 25);
    EXPECT_EQ(b.Part(SuperBar::kFill).right, 50);
    EXPECT_EQ(FillColumns(CaptureClient(b.window.Handle(), RECT{24, 20, 224, 40}), 10), 50);
}

TEST(SuperBar, WriteFromAnotherThreadHasBeenPaintedWhenItReturns) {
    Bench b;
    int columns = -1;
    bool eventOnWorker = false;
    const DWORD windowThread = GetCurrentThreadId();
    SuperBarCreate p{{b.window.Handle(), 24, 20, 200, 20, WS_VISIBLE, 100}, GetSysColor(COLOR_BTNFACE)};
    b.bar = SuperBar::Create(p, ProgressForm(), [&](int event, int32_t*) {
        if (event == 0) eventOnWorker = GetCurrentThreadId() != windowThread;
        return false;
    });
    ASSERT_TRUE(b.bar);
    Pump(30);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        b.Set(17, 60);
        columns = FillColumns(CaptureClient(b.window.Handle(), RECT{24, 20, 224, 40}), 10);
        done = true;
    });
    while (!done) Pump(5);
    worker.join();
    EXPECT_EQ(columns, 120);
    EXPECT_TRUE(eventOnWorker);  // the write's event runs on the writing thread
}

// The installer's worker writes the bar and the label while the window
// thread paints them: every change is made on the window's thread, and an
// old font goes only once nothing has it selected.
TEST(SuperBar, WorkerWritesWhileTheWindowRepaints) {
    Bench b;
    SuperBarForm form = ProgressForm();
    form.showPercent = 1;
    b.Make(form);
    TransLabelCreate lp{{b.window.Handle(), 240, 20, 200, 30, WS_VISIBLE, 101}};
    std::unique_ptr<TransLabel> label = TransLabel::Create(lp, TransLabelForm{});
    ASSERT_TRUE(label);
    auto fontBlock = [](int height) {
        LOGFONTA lf{};
        lf.lfHeight = height;
        lstrcpyA(lf.lfFaceName, "Arial");
        return std::string(reinterpret_cast<const char*>(&lf), sizeof lf);
    };
    label->SetFont(fontBlock(12));
    Pump(30);
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);

    std::atomic<bool> done{false};
    int last = 0;
    std::thread worker([&] {
        const DWORD end = GetTickCount() + 3000;
        for (int i = 1; GetTickCount() < end; ++i) {
            b.Set(17, i % 101);
            label->SetCaption(std::to_string(i));
            label->SetFont(fontBlock(10 + i % 7));
            b.bar->SetProperty(19, BarValue{i % 2 ? 0x0000FF : 0xFF0000, {}});
            last = i;
        }
        done = true;
    });
    while (!done) {
        RedrawWindow(b.window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(1);
    }
    worker.join();
    Pump(30);

    ASSERT_GT(last, 10);
    EXPECT_EQ(b.Get(17), last % 101);
    EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).Text(), std::to_string(last % 101) + "%");
    EXPECT_EQ(label->Form().caption, std::to_string(last));
    EXPECT_EQ(label->Form().font, fontBlock(10 + last % 7));
    EXPECT_EQ(b.Get(19), last % 2 ? 0x0000FF : 0xFF0000);
    // Old fonts were deleted, none leaked while selected for a paint.
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore + 4);
}

// While the window's thread is busy elsewhere, a worker's write waits for
// it: nothing a paint reads changes under the paint.
TEST(SuperBar, WorkerWriteWaitsForTheWindowThread) {
    Bench b;
    SuperBarForm form = ProgressForm();
    form.showPercent = 1;
    b.Make(form);
    std::unique_ptr<TransLabel> label =
        TransLabel::Create(TransLabelCreate{{b.window.Handle(), 240, 20, 200, 30, WS_VISIBLE, 101}}, TransLabelForm{});
    ASSERT_TRUE(label);
    LOGFONTA lf{};
    lf.lfHeight = 20;
    const std::string font(reinterpret_cast<const char*>(&lf), sizeof lf);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        b.Set(17, 40);
        label->SetFont(font);
        done = true;
    });
    Sleep(300);  // not pumping: the writes cannot have been made yet
    EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).Text(), "0%");
    EXPECT_TRUE(label->Form().font.empty());
    while (!done) Pump(5);
    worker.join();
    EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).Text(), "40%");
    EXPECT_EQ(label->Form().font, font);

    // The hand-over message carries no address: the old private number with
    // junk, or the hand-over number with a token nobody waits for, runs nothing.
    const UINT handOver = RegisterWindowMessageA("VxRunOnWindowThread");
    for (HWND target : {b.bar->Handle(), label->Handle()}) {
        SendMessageA(target, WM_APP + 2, 0, 0x10);
        SendMessageA(target, handOver, 0x7777, 0x10);
    }
    EXPECT_EQ(b.Get(17), 40);
}

// Drawing kind 1: the state's bitmap stretched over the skin window, the
// normal one for a state without its own.
TEST(SkinWindow, OneBitmapPerStateStretchedOverTheWindow) {
    PlainWindow window(100, 100, 200, 80, RGB(255, 255, 255));
    auto solid = [](COLORREF colour) {
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 2);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, 3, 2};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return bitmap;
    };
    HBITMAP red = solid(RGB(255, 0, 0)), blue = solid(RGB(0, 0, 255));
    SkinWindow skin;
    ASSERT_TRUE(skin.Create(window.Handle(), "", 20, 20, 120, 30, WS_VISIBLE, nullptr));
    skin.SetBitmaps({red, nullptr, nullptr, blue});
    Pump(30);
    auto all = [&](uint32_t colour) {
        const test::Capture c = CaptureClient(window.Handle(), RECT{20, 20, 140, 50});
        int n = 0;
        for (uint32_t p : c.pixels) n += p == colour;
        return n == 120 * 30;
    };
    EXPECT_TRUE(all(0xFF0000));
    EnableWindow(skin.Handle(), FALSE);
    Pump(30);
    EXPECT_TRUE(all(0x0000FF));
    DestroyWindow(skin.Handle());
    DeleteObject(red);
    DeleteObject(blue);
}

TEST(SuperBar, SamePositionTwiceRaisesOneEvent) {
    Bench b;
    b.Make(ProgressForm());
    b.Set(17, 40);
    b.Set(17, 40);
    EXPECT_EQ(b.events[0], 1);
    b.Set(17, 41);
    EXPECT_EQ(b.events[0], 2);
    b.Set(17, 500);
    b.Set(17, 101);  // clamps to the same 100
    EXPECT_EQ(b.events[0], 3);
}

// A screen reader reads the bar as a progress bar whose value is the share
// of the range covered, and hears of every change of the position.
TEST(SuperBar, ScreenReadersReadThePercentage) {
    Bench b;
    b.Make(ProgressForm());
    b.bar->SetAccess(wt::AccessRole::kOwn, "安装进度");
    test::AccessEvents events;
    test::AccessibleRead r = test::ReadAccessible(b.bar->Handle());
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.role, ROLE_SYSTEM_PROGRESSBAR);
    EXPECT_EQ(r.name, "安装进度");
    EXPECT_EQ(r.value, "0%");
    EXPECT_EQ(r.children, 0);  // its skin windows are not read out
    EXPECT_TRUE(r.state & STATE_SYSTEM_READONLY);

    // Written from a worker, as the installer's progress handler does.
    for (int32_t position : {7, 42, 42, 100}) {
        std::atomic<bool> written{false};
        std::thread worker([&] {
            b.Set(17, position);
            written = true;
        });
        while (!written) Pump(10);
        worker.join();
        EXPECT_EQ(test::ReadAccessible(b.bar->Handle()).value, std::to_string(position) + "%");
    }
    Pump(30);
    EXPECT_EQ(events.Count(EVENT_OBJECT_VALUECHANGE, b.bar->Handle()), 3);

    // The share of the range, not the position: 100 of 50..150 is half.
    b.Set(16, 150);
    b.Set(15, 50);
    b.Set(17, 100);
    EXPECT_EQ(test::ReadAccessible(b.bar->Handle()).value, "50%");
}

TEST(SuperBar, EmptyRangesAreRefused) {
    Bench b;
    b.Make(ProgressForm());
    b.Set(17, 60);
    b.Set(15, 100);
    EXPECT_EQ(b.Get(15), 0);
    EXPECT_EQ(b.Get(16), 100);
    EXPECT_EQ(b.Get(17), 60);
    b.Set(16, 0);
    EXPECT_EQ(b.Get(16), 100);
    // A narrower range clamps the position into it.
    b.Set(16, 50);
    EXPECT_EQ(b.Get(17), 50);
    EXPECT_EQ(b.Part(SuperBar::kFill).right, 200);
}

TEST(SuperBar, BarTooSmallKeepsItsThumb) {
    Bench b;
    SuperBarForm f;  // a scroll bar: arrows and thumb shown
    f.position = 10;
    b.Make(f, 40);
    RECT thumb = b.Part(SuperBar::kThumb);
    EXPECT_FALSE(b.bar->SetPosition(90, true));
    RECT still = b.Part(SuperBar::kThumb);
    EXPECT_TRUE(EqualRect(&thumb, &still));

    // Wide enough, the same write moves it.
    Bench wide;
    wide.Make(f, 300);
    RECT before = wide.Part(SuperBar::kThumb);
    EXPECT_TRUE(wide.bar->SetPosition(90, true));
    EXPECT_GT(wide.Part(SuperBar::kThumb).left, before.left);
}

TEST(SuperBar, PercentageDividesThePositionByTheRange) {
    Bench b;
    b.Make(ProgressForm());
    b.Set(15, 50);
    b.Set(16, 150);
    b.Set(17, 100);
    b.Set(18, 1);
    EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).Text(), "100%");
    b.Set(17, 75);
    EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).Text(), "75%");
    b.Set(18, 0);
    EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).Text(), "");
}

TEST(SuperBar, DecreaseHandlerReturningFalseKeepsThePosition) {
    Bench b;
    SuperBarForm f;  // interactive scroll bar
    f.position = 50;
    b.Make(f);
    RECT dec = b.Part(SuperBar::kDecrease);
    POINT at = b.window.Screen(24 + (dec.left + dec.right) / 2, 20 + (dec.top + dec.bottom) / 2);

    b.answer = 0;
    ASSERT_TRUE(test::MouseAt(at, "click 1"));
    EXPECT_EQ(b.events[1], 1);
    EXPECT_EQ(b.Get(17), 50);

    b.answer = -1;  // no value: the step happens
    ASSERT_TRUE(test::MouseAt(at, "click 1"));
    EXPECT_EQ(b.events[1], 2);
    EXPECT_EQ(b.Get(17), 49);

    RECT inc = b.Part(SuperBar::kIncrease);
    b.answer = 1;
    ASSERT_TRUE(test::MouseAt(b.window.Screen(24 + (inc.left + inc.right) / 2, 30), "click 1"));
    EXPECT_EQ(b.events[2], 1);
    EXPECT_EQ(b.Get(17), 50);

    // A click on the track sets the position from the cursor.
    const int available =
        200 - 2 * SuperBar::kArrowSize - (b.Part(SuperBar::kThumb).right - b.Part(SuperBar::kThumb).left);
    ASSERT_GT(available, 0);
    ASSERT_TRUE(test::MouseAt(b.window.Screen(24 + 40, 30), "click 1"));
    EXPECT_LT(b.Get(17), 20);
}

TEST(SuperBar, WritesMarkTheirBundlesCustom) {
    Bench b;
    SuperBarForm f;
    f.style = 1;
    b.Make(f);
    b.Set(21, 0);  // interactive: style only
    EXPECT_EQ(b.Get(8), 1);
    EXPECT_EQ(b.Get(10), 0);
    b.Set(10, 2);  // style: bar type only, and the style's switches
    EXPECT_EQ(b.Get(10), 2);
    EXPECT_EQ(b.Get(8), 0);
    EXPECT_EQ(b.Get(21), 1);
    EXPECT_EQ(b.Get(45), 1);
    b.Set(8, 2);  // progress bar: arrows and thumb go
    EXPECT_EQ(b.Get(34), 0);
    EXPECT_EQ(b.Get(59), 0);
    EXPECT_FALSE(IsWindowVisible(b.bar->PartHandle(SuperBar::kThumb)));
    b.Set(59, 1);  // both bundles
    EXPECT_EQ(b.Get(8), 0);
    EXPECT_EQ(b.Get(10), 0);
    EXPECT_TRUE(IsWindowVisible(b.bar->PartHandle(SuperBar::kThumb)));
    b.Set(51, 9);  // stored as value + 1, read back as the value
    EXPECT_EQ(b.Get(51), 3);
    EXPECT_EQ(b.bar->Form().drawMode[1], 4);
    b.Set(12, 5);  // empty number: nothing
    EXPECT_EQ(b.Get(12), 0);
}

TEST(SuperBar, HeldArrowRepeatsByPageSteps) {
    Bench b;
    SuperBarForm f;
    f.position = 50;
    f.pageStep = 10;
    b.Make(f);
    RECT inc = b.Part(SuperBar::kIncrease);
    POINT at = b.window.Screen(24 + (inc.left + inc.right) / 2, 30);
    // Held for about a second: after 500 ms, page steps every 100 ms up to the maximum.
    ASSERT_TRUE(test::MouseAt(at, "mousedown 1 sleep 1.1 mouseup 1"));
    EXPECT_EQ(b.Get(17), 100);
    EXPECT_EQ(b.events[0], 5);  // 60, 70, 80, 90, 100
    EXPECT_FALSE(IsWindowEnabled(b.bar->PartHandle(SuperBar::kIncrease)));
    EXPECT_TRUE(IsWindowEnabled(b.bar->PartHandle(SuperBar::kDecrease)));
}

TEST(SuperBar, ThumbDragsAlongTheAxisOnly) {
    Bench b;
    SuperBarForm f;
    f.position = 0;
    b.Make(f, 300);
    RECT thumb = b.Part(SuperBar::kThumb);
    EXPECT_EQ(thumb.left, SuperBar::kArrowSize);
    POINT at = b.window.Screen(24 + (thumb.left + thumb.right) / 2, 30);
    // Right by 100 and down by 15: only the move along the bar counts.
    ASSERT_TRUE(test::MouseAt(at,
                              "mousedown 1 sleep 0.2 mousemove_relative 50 8 sleep 0.2 "
                              "mousemove_relative 50 7 sleep 0.2 mouseup 1"));
    RECT moved = b.Part(SuperBar::kThumb);
    EXPECT_EQ(moved.top, thumb.top);
    EXPECT_NEAR(moved.left, thumb.left + 100, 2);
    const int available = 300 - 2 * SuperBar::kArrowSize - (thumb.right - thumb.left);
    EXPECT_NEAR(b.Get(17), 100 * (moved.left - SuperBar::kArrowSize) / available, 1);
    EXPECT_GE(b.events[0], 1);
    // The fill reaches the middle of the thumb.
    EXPECT_EQ(b.Part(SuperBar::kFill).right, moved.left + (thumb.right - thumb.left) / 2);
}

TEST(SuperBar, KeysMoveAnInteractiveBar) {
    Bench b;
    SuperBarForm f;
    f.position = 50;
    b.Make(f);
    HWND main = b.bar->Handle();
    auto key = [&](UINT vk) { SendMessageA(main, WM_KEYDOWN, vk, 1); };
    key(VK_NEXT);
    EXPECT_EQ(b.Get(17), 60);
    key(VK_LEFT);
    EXPECT_EQ(b.Get(17), 59);
    key(VK_UP);
    EXPECT_EQ(b.Get(17), 60);
    key(VK_HOME);
    EXPECT_EQ(b.Get(17), 0);
    key(VK_END);
    EXPECT_EQ(b.Get(17), 100);
    b.Set(21, 0);  // not interactive: keys do nothing
    key(VK_HOME);
    EXPECT_EQ(b.Get(17), 100);
}

TEST(SuperBar, VerticalBarFillsDownwards) {
    Bench b;
    SuperBarForm f = ProgressForm();
    f.orientation = 1;
    b.Make(f, 20, 50);
    b.Set(17, 50);
    RECT fill = b.Part(SuperBar::kFill);
    EXPECT_EQ(fill.top, 0);
    EXPECT_EQ(fill.bottom, 25);
    EXPECT_EQ(fill.right - fill.left, 20);
    // Cells drawn rotated: the fill's band runs down the middle column.
    test::Capture shot = CaptureClient(b.window.Handle(), RECT{24, 20, 44, 70});
    EXPECT_GT(test::Blue(shot.At(10, 12)), 150);
    EXPECT_LE(test::Blue(shot.At(10, 40)), 150);
    EXPECT_EQ(shot.At(1, 12), test::Rgb(GetSysColor(COLOR_BTNFACE)));  // outside the 13-pixel band
    // Back to horizontal with the same position.
    b.Set(9, 0);
    EXPECT_EQ(b.Get(9), 0);
    b.bar->Layout();
    EXPECT_EQ(b.Part(SuperBar::kFill).bottom - b.Part(SuperBar::kFill).top, 50);
}

TEST(SuperBar, BuiltInStylesSetCellSizesAndSwitches) {
    Bench b;
    b.Make(ProgressForm());
    const int arrows[4] = {0, 13, 15, 22}, track[4] = {0, 8, 60, 88}, thumb[4] = {0, 8, 10, 10},
              thick[4] = {0, 13, 13, 16};
    for (int style = 1; style <= 3; ++style) {
        SCOPED_TRACE(style);
        b.Set(8, 2);
        b.Set(10, style);
        EXPECT_EQ(b.Get(10), style);
        EXPECT_EQ(b.bar->PartSkin(SuperBar::kDecrease).CellLength(), arrows[style]);
        EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).CellLength(), track[style]);
        EXPECT_EQ(b.bar->PartSkin(SuperBar::kFill).CellLength(), track[style]);
        EXPECT_EQ(b.bar->PartSkin(SuperBar::kThumb).CellLength(), thumb[style]);
        EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).CellThickness(), thick[style]);
        EXPECT_EQ(b.Get(34), 1);
        EXPECT_EQ(b.Get(59), 1);
        EXPECT_EQ(b.Get(21), 1);
        EXPECT_EQ(b.Get(45), 1);
        EXPECT_EQ(b.Get(44), 0);
        EXPECT_EQ(b.Get(61), 3);
        EXPECT_TRUE(IsWindowVisible(b.bar->Handle()));
        EXPECT_TRUE(IsWindowVisible(b.bar->PartHandle(SuperBar::kIncrease)));
        Pump(20);
        char name[32];
        std::snprintf(name, sizeof name, "superbar_style_%d.bmp", style);
        CaptureClient(b.window.Handle(), RECT{0, 0, 260, 60}).SaveBmp(std::string(VX_ARTEFACT_DIR) + "\\" + name);
    }
}

TEST(SuperBar, StoredEmptyRangeFallsBackToTheDefaultRange) {
    Bench b;
    SuperBarForm f = ProgressForm();
    f.minimum = 5;
    f.maximum = 5;
    f.position = 5;
    f.showPercent = 1;
    b.Make(f);
    EXPECT_EQ(b.Get(15), 0);
    EXPECT_EQ(b.Get(16), 100);
    EXPECT_EQ(b.Get(17), 5);
    EXPECT_EQ(b.bar->PartSkin(SuperBar::kMain).Text(), "5%");
}

TEST(SuperBar, ResizingLaysThePartsOutAgain) {
    Bench b;
    SuperBarForm f;  // scroll bar
    f.position = 100;
    b.Make(f);
    EXPECT_EQ(b.Part(SuperBar::kIncrease).left, 200 - SuperBar::kArrowSize);
    SetWindowPos(b.bar->Handle(), nullptr, 0, 0, 300, 20, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(b.Part(SuperBar::kIncrease).left, 300 - SuperBar::kArrowSize);
    RECT thumb = b.Part(SuperBar::kThumb);
    EXPECT_EQ(thumb.right, 300 - SuperBar::kArrowSize);  // at the maximum: at the end of the track
    EXPECT_EQ(b.Part(SuperBar::kFill).right, thumb.left + (thumb.right - thumb.left) / 2);
    // Disabling the bar disables its parts.
    EnableWindow(b.bar->Handle(), FALSE);
    for (auto part : {SuperBar::kDecrease, SuperBar::kIncrease, SuperBar::kFill, SuperBar::kThumb})
        EXPECT_FALSE(IsWindowEnabled(b.bar->PartHandle(part)));
    EXPECT_EQ(b.bar->PartSkin(SuperBar::kThumb).State(), kSkinDisabled);
    EnableWindow(b.bar->Handle(), TRUE);
    EXPECT_TRUE(IsWindowEnabled(b.bar->PartHandle(SuperBar::kThumb)));
    EXPECT_TRUE(IsWindowEnabled(b.bar->PartHandle(SuperBar::kDecrease)));
    EXPECT_FALSE(IsWindowEnabled(b.bar->PartHandle(SuperBar::kIncrease)));  // at the maximum
}

// The installer's bar, from the compiled window template, at 37 %.
TEST(SuperBar, InstallerBarFillsExactlyItsShare) {
    wt::Template tpl;
    ASSERT_EQ(wt::Template::Read(wt::Bytes(vxTemplateData, vxTemplateSize), 0, tpl), wt::ReadStatus::kOk);
    wt::TemplateWindow* w = tpl.FindWindow(0x52010001);
    ASSERT_NE(w, nullptr);
    std::optional<size_t> unit = w->FindUnit(0x16010079);
    ASSERT_TRUE(unit);
    std::optional<SuperBarForm> form = ParseSuperBarForm(w->typeData(*unit));
    ASSERT_TRUE(form);
    ASSERT_FALSE(
        ImageListStream(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(form->images[kFillGroup].data()),
                                                 form->images[kFillGroup].size()))
            .empty());

    Bench b;
    b.Make(*form, 472, 20);
    b.Set(17, 37);
    Pump(30);
    test::Capture shot = CaptureClient(b.window.Handle(), RECT{24, 20, 24 + 472, 40});
    shot.SaveBmp(std::string(VX_ARTEFACT_DIR) + "\\superbar_installer_37.bmp");
    EXPECT_EQ(FillColumns(shot, 10), 472 * 37 / 100);
    EXPECT_GT(test::Blue(shot.At(0, 10)), 150);
    // The cells are the template's own (bar-fill.png, not the built-in style):
    // its body row 7 is the 60 % mix of (84, 200, 255) and (20, 110, 220).
    uint32_t body = shot.At(100, 10);
    EXPECT_NEAR(test::Red(body), 46, 2);
    EXPECT_NEAR(test::Green(body), 146, 2);
    EXPECT_NEAR(test::Blue(body), 234, 2);
    EXPECT_EQ(b.bar->GetProperty(50).bytes.substr(0, 4), "MITL");
    EXPECT_LE(test::Blue(shot.At(472 * 37 / 100, 10)), 150);
    // The 13-pixel band of the cells sits centred in the 20-pixel bar.
    EXPECT_EQ(shot.At(100, 1), test::Rgb(GetSysColor(COLOR_BTNFACE)));
    EXPECT_GT(test::Blue(shot.At(100, 5)), 150);
}

}  // namespace
}  // namespace vx::controls
