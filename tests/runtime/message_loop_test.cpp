// The message loop, its modal form, the window-destroyed hook, idle
// callbacks and the host requests, on real windows and a real queue.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <limits>
#include <vector>

#include "runtime/process/runtime_object.h"
#include "runtime/process/services.h"

namespace vx {
namespace {

std::vector<HWND> gLoaded;

bool AnyLoaded() {
    for (HWND w : gLoaded)
        if (IsWindow(w)) return true;
    return false;
}

LRESULT CALLBACK ProgramWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCDESTROY) {
        LRESULT r = DefWindowProcA(hwnd, msg, wp, lp);
        std::erase(gLoaded, hwnd);
        OnProgramWindowDestroyed();
        return r;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakeProgramWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ProgramWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VxLoopTestWindow";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND w = CreateWindowExA(0, "VxLoopTestWindow", "t", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    gLoaded.push_back(w);
    return w;
}

void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
}

class MessageLoop : public ::testing::Test {
protected:
    void SetUp() override {
        WindowSystemHooks hooks;
        hooks.anyWindowLoaded = AnyLoaded;
        InstallWindowSystem(hooks);
        Runtime().loopEntered = false;
        Runtime().mainThreadId = GetCurrentThreadId();
        DrainQueue();
    }
    void TearDown() override {
        for (HWND w : std::vector<HWND>(gLoaded)) DestroyWindow(w);
        DrainQueue();
    }
};

TEST_F(MessageLoop, ReturnsAtOnceWithoutWindows) {
    HWND w = MakeProgramWindow();
    DestroyWindow(w);  // before the loop: no quit message
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    RunMessageLoop();
    EXPECT_TRUE(Runtime().loopEntered);
}

TEST_F(MessageLoop, LastWindowDestroyedEndsTheLoop) {
    HWND a = MakeProgramWindow();
    HWND b = MakeProgramWindow();
    PostMessageA(a, WM_CLOSE, 0, 0);  // DefWindowProc destroys it
    PostMessageA(b, WM_CLOSE, 0, 0);
    RunMessageLoop();  // returns on the quit posted for the last one
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(b));
}

struct ModalState {
    int passes = 0;
};

TEST_F(MessageLoop, QuitEndsModalLoopAndStaysQueued) {
    MakeProgramWindow();
    PostQuitMessage(0);
    ModalState state;
    RunModalLoop([](void* s) { return ++static_cast<ModalState*>(s)->passes > 1000000; }, &state);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "the outer loop must see the quit";
    RunMessageLoop();  // and the outer loop ends on it
}

TEST_F(MessageLoop, ModalLoopEndsWhenItsWindowEnds) {
    HWND modal = MakeProgramWindow();
    MakeProgramWindow();
    PostMessageA(modal, WM_CLOSE, 0, 0);
    RunModalLoop([](void* w) { return !IsWindow(static_cast<HWND>(w)); }, modal);
    EXPECT_FALSE(IsWindow(modal));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "another window is still loaded";
}

std::vector<int> gIdleOrder;

TEST_F(MessageLoop, IdleCallbacksRunLastFirstAndDropDeadWindows) {
    HWND a = MakeProgramWindow();
    HWND b = MakeProgramWindow();
    HWND dead = MakeProgramWindow();
    gIdleOrder.clear();
    Runtime().idleCallbacks.clear();
    AddIdleCallback(
        a,
        [](HWND w, void*) {
            gIdleOrder.push_back(1);
            DestroyWindow(w);
        },
        nullptr);
    AddIdleCallback(
        dead, [](HWND, void*) { gIdleOrder.push_back(99); }, nullptr);
    AddIdleCallback(
        b,
        [](HWND w, void*) {
            gIdleOrder.push_back(2);
            DestroyWindow(w);
        },
        nullptr);
    DestroyWindow(dead);
    RunMessageLoop();
    // b was registered last, so it runs first; the dead window's never runs.
    EXPECT_EQ(gIdleOrder, (std::vector<int>{2, 1}));
    Runtime().idleCallbacks.clear();
}

TEST_F(MessageLoop, DispatchRequestLeavesQuitQueued) {
    HWND w = MakeProgramWindow();
    static int seen;
    seen = 0;
    SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM p, LPARAM l) -> LRESULT {
                          if (m == WM_USER + 1) ++seen;
                          return DefWindowProcA(h, m, p, l);
                      }));
    PostMessageA(w, WM_USER + 1, 0, 0);
    PostMessageA(w, WM_USER + 1, 0, 0);
    PostQuitMessage(3);
    EXPECT_EQ(HostRequest(kHostDispatchMessages, 0, 0), 0);
    EXPECT_EQ(seen, 2);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProgramWindowProc));
}

TEST(HostRequests, MemoryAndConversions) {
    ValueRecord v = ValueRecord::OfDouble(-7.9);
    EXPECT_EQ(HostRequest(kHostToInteger, reinterpret_cast<intptr_t>(&v), 0), -7);
    ValueRecord s{0xFFFF, 0, type::Short};
    EXPECT_EQ(HostRequest(kHostToInteger, reinterpret_cast<intptr_t>(&s), 0), -1);
    // NaN and values beyond the range: 0 and the range's ends, as ToInteger.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double value;
        int32_t expected;
    } edges[] = {{nan, 0}, {3e9, INT32_MAX}, {-3e9, INT32_MIN}, {2147483647.0, INT32_MAX}};
    for (const auto& edge : edges) {
        ValueRecord d = ValueRecord::OfDouble(edge.value);
        EXPECT_EQ(HostRequest(kHostToInteger, reinterpret_cast<intptr_t>(&d), 0), edge.expected) << edge.value;
    }
    const float big = 1e20f;
    uint32_t bits;
    std::memcpy(&bits, &big, sizeof bits);
    ValueRecord f{bits, 0, type::Float};
    EXPECT_EQ(HostRequest(kHostToInteger, reinterpret_cast<intptr_t>(&f), 0), INT32_MAX);
    // Raw allocation reports failure as 0 instead of the run-time error.
    EXPECT_EQ(HostRequest(kHostAllocate, static_cast<intptr_t>(SIZE_MAX / 2), 1), 0);
    auto* p = reinterpret_cast<char*>(HostRequest(kHostAllocate, 16, 0));
    ASSERT_NE(p, nullptr);
    p = reinterpret_cast<char*>(HostRequest(kHostReallocate, reinterpret_cast<intptr_t>(p), 4096));
    ASSERT_NE(p, nullptr);
    HostRequest(kHostFree, reinterpret_cast<intptr_t>(p), 0);

    // An array of two texts: the elements go first, then the block.
    auto* block = static_cast<uint8_t*>(Allocate(8 + 2 * sizeof(char*)));
    int32_t header[2] = {1, 2};
    std::memcpy(block, header, 8);
    char* texts[2] = {NewText("one"), NewText("two")};
    std::memcpy(block + 8, texts, sizeof texts);
    HostRequest(kHostDisposeArray, static_cast<intptr_t>(type::Text), reinterpret_cast<intptr_t>(block));
    EXPECT_FALSE(HeapValidate(GetProcessHeap(), 0, nullptr) == FALSE);

    EXPECT_EQ(HostRequest(4242, 1, 2), 0);  // unknown request
}

}  // namespace
}  // namespace vx
