// The transparent label on a real window under wine: nothing of an old
// caption remains, choices are clamped, and a write from another thread has
// been painted when it returns.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "runtime/controls/translabel/translabel.h"
#include "tests/controls/gui_support.h"
#include "tests/support/accessible_reader.h"

namespace vx::controls {
namespace {

using test::CaptureClient;
using test::PlainWindow;
using test::Pump;

// Stripes, so that a background repainted in the wrong place shows.
void Stripes(HDC dc, const RECT& r) {
    for (int x = r.left; x < r.right; x += 4) {
        RECT s{x, r.top, std::min<LONG>(x + 4, r.right), r.bottom};
        HBRUSH brush = CreateSolidBrush((x / 4) % 2 ? RGB(90, 150, 220) : RGB(240, 220, 120));
        FillRect(dc, &s, brush);
        DeleteObject(brush);
    }
}

constexpr RECT kLabel{20, 20, 260, 50};

std::unique_ptr<TransLabel> MakeLabel(HWND parent, const std::string& caption, COLORREF colour = RGB(0, 0, 0)) {
    TransLabelForm f;
    f.caption = caption;
    f.textColour = colour;
    f.verticalAlignment = 1;
    TransLabelCreate p;
    p.parent = parent;
    p.left = kLabel.left;
    p.top = kLabel.top;
    p.width = kLabel.right - kLabel.left;
    p.height = kLabel.bottom - kLabel.top;
    p.style = WS_VISIBLE;
    return TransLabel::Create(p, f);
}

// Pixels that are not the white of the window.
int Ink(const test::Capture& c) {
    int n = 0;
    for (uint32_t p : c.pixels) n += p != 0xFFFFFF;
    return n;
}

int DarkPixels(const test::Capture& c) {
    int n = 0;
    for (uint32_t p : c.pixels) n += test::Red(p) < 60 && test::Green(p) < 60 && test::Blue(p) < 60;
    return n;
}

TEST(TransLabel, ShorterCaptionLeavesNoRemains) {
    PlainWindow window(100, 100, 300, 100, 0, Stripes);
    auto label = MakeLabel(window.Handle(), "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    ASSERT_TRUE(label);
    Pump(50);
    // Right of where the short caption ends.
    RECT tail{kLabel.left + 30, kLabel.top, kLabel.right, kLabel.bottom};
    test::Capture longText = CaptureClient(window.Handle(), tail);
    ASSERT_GT(DarkPixels(longText), 50);  // the long caption is there to be left behind

    label->SetCaption("i");
    test::Capture after = CaptureClient(window.Handle(), tail);
    ShowWindow(label->Handle(), SW_HIDE);
    Pump(50);
    test::Capture background = CaptureClient(window.Handle(), tail);
    EXPECT_EQ(DarkPixels(background), 0);
    EXPECT_EQ(after.pixels, background.pixels);
    // The short caption itself is drawn.
    ShowWindow(label->Handle(), SW_SHOWNA);
    Pump(50);
    RECT head{kLabel.left, kLabel.top, kLabel.left + 30, kLabel.bottom};
    EXPECT_GT(DarkPixels(CaptureClient(window.Handle(), head)), 0);
}

TEST(TransLabel, ChoicesAreClampedAndTextIsTheWindowText) {
    PlainWindow window(100, 100, 300, 100, RGB(255, 255, 255));
    auto label = MakeLabel(window.Handle(), "abc");
    ASSERT_TRUE(label);
    label->SetEffect(7);
    EXPECT_EQ(label->Form().effect, 3);
    label->SetEffect(-1);
    EXPECT_EQ(label->Form().effect, 0);
    label->SetAlignment(-1);
    EXPECT_EQ(label->Form().alignment, 0);
    label->SetAlignment(9);
    EXPECT_EQ(label->Form().alignment, 2);
    label->SetVerticalAlignment(3);
    EXPECT_EQ(label->Form().verticalAlignment, 2);
    label->SetCaption("xyz");
    char text[16] = {};
    GetWindowTextA(label->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "xyz");

    // Right alignment puts the letters at the right end.
    RECT left{kLabel.left, kLabel.top, kLabel.left + 120, kLabel.bottom};
    RECT right{kLabel.left + 120, kLabel.top, kLabel.right, kLabel.bottom};
    EXPECT_EQ(Ink(CaptureClient(window.Handle(), left)), 0);
    EXPECT_GT(Ink(CaptureClient(window.Handle(), right)), 0);
    // A shadow effect adds black beside white letters.
    label->SetTextColour(RGB(255, 255, 255));
    label->SetEffect(0);
    EXPECT_EQ(Ink(CaptureClient(window.Handle(), right)), 0);
    label->SetEffect(3);
    EXPECT_GT(Ink(CaptureClient(window.Handle(), right)), 0);
    // An empty caption paints nothing.
    label->SetCaption("");
    EXPECT_EQ(Ink(CaptureClient(window.Handle(), right)), 0);
}

TEST(TransLabel, WriteFromAnotherThreadHasBeenPaintedWhenItReturns) {
    PlainWindow window(100, 100, 300, 100, 0, Stripes);
    auto label = MakeLabel(window.Handle(), "");
    ASSERT_TRUE(label);
    Pump(50);
    int before = DarkPixels(CaptureClient(window.Handle(), kLabel));
    int after = -1;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        label->SetCaption("WWWWWWWWWWWWWWWWWWWW");
        after = DarkPixels(CaptureClient(window.Handle(), kLabel));
        done = true;
    });
    // The window thread keeps pumping, as the installer's does.
    while (!done) Pump(5);
    worker.join();
    EXPECT_EQ(before, 0);
    EXPECT_GT(after, 50);

    // A caption written over a longer one from the worker leaves nothing behind either.
    RECT tail{kLabel.left + 30, kLabel.top, kLabel.right, kLabel.bottom};
    done = false;
    std::thread shorter([&] {
        label->SetCaption("i");
        after = DarkPixels(CaptureClient(window.Handle(), tail));
        done = true;
    });
    while (!done) Pump(5);
    shorter.join();
    EXPECT_EQ(after, 0);
}

TEST(TransLabel, MovingRepaintsUnderTheNewRectangle) {
    PlainWindow window(100, 100, 300, 100, 0, Stripes);
    auto label = MakeLabel(window.Handle(), "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    ASSERT_TRUE(label);
    Pump(50);
    RECT tail{kLabel.left + 30, kLabel.top + 40, kLabel.right, kLabel.bottom + 40};
    test::Capture before = CaptureClient(window.Handle(), tail);
    EXPECT_EQ(DarkPixels(before), 0);
    label->SetCaption("i");
    // Moved down by 40 from another thread: the area under its new place is
    // repainted and shows the short caption only.
    std::atomic<bool> done{false};
    std::thread mover([&] {
        SetWindowPos(label->Handle(), nullptr, kLabel.left, kLabel.top + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        done = true;
    });
    while (!done) Pump(5);
    mover.join();
    Pump(50);
    EXPECT_EQ(CaptureClient(window.Handle(), tail).pixels, before.pixels);
    RECT head{kLabel.left, kLabel.top + 40, kLabel.left + 30, kLabel.bottom + 40};
    EXPECT_GT(DarkPixels(CaptureClient(window.Handle(), head)), 0);
}

// Writes after the first paint over what lay under the label then; whatever
// has changed under it since must show in the next write all the same.
TEST(TransLabel, WritesShowWhatLiesUnderTheLabelNow) {
    // Squares of a shade that changes, so that neither a move nor a new
    // background leaves the old pixels right.
    int shade = 0;
    PlainWindow window(100, 100, 300, 140, 0, [&](HDC dc, const RECT& r) {
        for (int y = r.top; y < r.bottom; y += 6)
            for (int x = r.left; x < r.right; x += 6) {
                RECT s{x, y, x + 6, y + 6};
                const int k = (x / 6 + y / 6 + shade) % 3;
                HBRUSH brush = CreateSolidBrush(RGB(80 + 70 * k, 200 - 40 * k, 120 + shade * 50));
                FillRect(dc, &s, brush);
                DeleteObject(brush);
            }
    });
    auto label = MakeLabel(window.Handle(), "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    ASSERT_TRUE(label);
    Pump(50);
    label->SetCaption("WWWWWWWWWWWWWWWWWWWWWWWWWWW");
    label->SetCaption("WWWWWWWWWWWWWWWWWWWWWWWW");
    RECT place = kLabel;
    auto tail = [&] { return RECT{place.left + 30, place.top, place.right, place.bottom}; };
    // What the window shows there with the label hidden.
    auto under = [&] {
        ShowWindow(label->Handle(), SW_HIDE);
        Pump(50);
        test::Capture c = CaptureClient(window.Handle(), tail());
        ShowWindow(label->Handle(), SW_SHOWNA);
        Pump(50);
        return c;
    };

    // Another label on the window keeps its own background too.
    TransLabelForm otherForm;
    otherForm.caption = "abc";
    auto other = TransLabel::Create({window.Handle(), 20, 110, 100, 20, WS_VISIBLE}, otherForm);
    ASSERT_TRUE(other);
    other->SetCaption("abcd");

    // The window paints another background.
    shade = 1;
    InvalidateRect(window.Handle(), nullptr, TRUE);
    Pump(50);
    label->SetCaption("i");
    test::Capture after = CaptureClient(window.Handle(), tail());
    EXPECT_EQ(after.pixels, under().pixels);

    // The window erases in another shade and its paint never comes.
    label->SetCaption("WWWWWWWWWWWWWWWWWWWWWWWW");
    shade = 2;
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
    ValidateRect(window.Handle(), nullptr);
    label->SetCaption("i");
    after = CaptureClient(window.Handle(), tail());
    EXPECT_EQ(after.pixels, under().pixels);

    // The label moves down clear of where it was (a new background there).
    label->SetCaption("WWWWWWWWWWWWWWWWWWWWWWWW");
    OffsetRect(&place, 0, 40);
    SetWindowPos(label->Handle(), nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    label->SetCaption("ii");
    after = CaptureClient(window.Handle(), tail());
    EXPECT_EQ(after.pixels, under().pixels);

    // A black window comes to lie under the label.
    const test::Capture bare = under();
    label->SetCaption("WWWWWWWWWWWWWWWWWWWWWWWW");
    HWND black =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_BLACKRECT, place.left, place.top, place.right - place.left,
                        place.bottom - place.top, window.Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(black);
    SetWindowPos(black, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    label->SetCaption("i");
    after = CaptureClient(window.Handle(), tail());
    const test::Capture covered = under();
    EXPECT_NE(covered.pixels, bare.pixels);  // it shows
    EXPECT_EQ(after.pixels, covered.pixels);
    DestroyWindow(black);
}

// A window under the label that repaints itself between two writes (a bar
// under its percentage): the next write shows what it painted last.
TEST(TransLabel, WritesShowWhatAWindowUnderTheLabelPaintedSince) {
    static COLORREF fill = RGB(200, 40, 40);
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_ERASEBKGND) return 1;
        if (msg != WM_PAINT) return DefWindowProcA(hwnd, msg, wp, lp);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    };
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VxTestFill";
    RegisterClassA(&wc);
    PlainWindow window(100, 100, 300, 100, 0, Stripes);
    HWND under = CreateWindowExA(0, "VxTestFill", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, kLabel.left + 40,
                                 kLabel.top + 5, 60, 20, window.Handle(), nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(under);
    auto label = MakeLabel(window.Handle(), "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    ASSERT_TRUE(label);
    // Under the label in the z-order too: above it, it would clip the label.
    SetWindowPos(under, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Pump(50);
    label->SetCaption("WWWWWWWWWWWWWWWWWWWWWWWWWWW");
    // Right of where the short caption ends.
    const RECT tail{kLabel.left + 30, kLabel.top, kLabel.right, kLabel.bottom};
    auto shown = [&] {
        ShowWindow(label->Handle(), SW_HIDE);
        Pump(50);
        test::Capture c = CaptureClient(window.Handle(), tail);
        ShowWindow(label->Handle(), SW_SHOWNA);
        Pump(50);
        return c;
    };

    // It paints another colour.
    fill = RGB(40, 40, 200);
    RedrawWindow(under, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    label->SetCaption("i");
    test::Capture after = CaptureClient(window.Handle(), tail);
    test::Capture bare = shown();
    // The window there shows its new colour.
    EXPECT_NE(std::count(bare.pixels.begin(), bare.pixels.end(), test::Rgb(fill)), 0);
    EXPECT_EQ(after.pixels, bare.pixels);
    label->SetCaption("WWWWWWWWWWWWWWWWWWWWWWWWWWW");

    // It grows along the label, painted in yet another colour (as a bar's fill).
    fill = RGB(40, 200, 40);
    SetWindowPos(under, nullptr, 0, 0, 150, 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(under);
    label->SetCaption("i");
    after = CaptureClient(window.Handle(), tail);
    EXPECT_EQ(after.pixels, shown().pixels);
    DestroyWindow(under);
}

TEST(TransLabel, ClicksOnTheLabelReachTheLabel) {
    PlainWindow window(100, 100, 300, 100, RGB(255, 255, 255));
    auto label = MakeLabel(window.Handle(), "abc");
    ASSERT_TRUE(label);
    POINT on = window.Screen(kLabel.left + 5, kLabel.top + 5);
    EXPECT_EQ(WindowFromPoint(on), label->Handle());
    ASSERT_TRUE(test::MouseAt(on, "click 1"));
    EXPECT_EQ(window.presses, 0);  // the label took it (the runtime raises its event -1 from there)
    ASSERT_TRUE(test::MouseAt(window.Screen(kLabel.left + 5, kLabel.bottom + 10), "click 1"));
    EXPECT_EQ(window.presses, 1);
}

// A screen reader reads the label as static text named by its current
// caption, hears of each change, and reads a label its window's source
// makes a link as a link.
TEST(TransLabel, ScreenReadersReadTheCurrentCaption) {
    PlainWindow w(100, 100, 300, 80, RGB(255, 255, 255));
    std::unique_ptr<TransLabel> label = MakeLabel(w.Handle(), "安装路径：");
    ASSERT_TRUE(label);
    test::AccessEvents events;
    test::AccessibleRead r = test::ReadAccessible(label->Handle());
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.role, ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(r.name, "安装路径：");
    EXPECT_FALSE(r.state & STATE_SYSTEM_FOCUSABLE);

    // From another thread, as the installer's worker writes the status line.
    std::atomic<bool> written{false};
    std::thread worker([&] {
        label->SetCaption("C:\\Vexilo\\Kandor.exe");
        written = true;
    });
    while (!written) Pump(10);
    worker.join();
    label->SetCaption("C:\\Vexilo\\Kandor.exe");  // unchanged: nothing to announce
    Pump(30);
    EXPECT_EQ(test::ReadAccessible(label->Handle()).name, "C:\\Vexilo\\Kandor.exe");
    EXPECT_EQ(events.Count(EVENT_OBJECT_NAMECHANGE, label->Handle()), 1);

    label->SetAccessRole(wt::AccessRole::kLink);
    r = test::ReadAccessible(label->Handle());
    EXPECT_EQ(r.role, ROLE_SYSTEM_LINK);
    EXPECT_TRUE(r.state & STATE_SYSTEM_LINKED);
    EXPECT_TRUE(r.state & STATE_SYSTEM_FOCUSABLE);
    label->SetCaption("");
    EXPECT_EQ(test::ReadAccessible(label->Handle()).name, "");
}

}  // namespace
}  // namespace vx::controls
