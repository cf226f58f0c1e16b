// The window commands against the window system, on windows of a test
// template: references decoded into window and unit ids, loading (modal and
// with a parent), closing as a close request, z-order without activation.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "runtime/commands/commands.h"
#include "runtime/windows/system/window_system.h"
#include "tests/commands/command_calls.h"
#include "tests/support/win32_harness.h"
#include "tests/windows/test_windows.h"

namespace vx::commands {
namespace {

using test::Bool;
using test::Int;
using test::Omitted;

constexpr uint32_t kOtherSelf = 0x06020020;
constexpr uint32_t kModalSelf = 0x06020010;
constexpr uint32_t kKeepSelf = 0x06020060;

// A control reference: window id low, unit id high.
ValueRecord Ref(uint32_t window, uint32_t unit, uint32_t code = type::Window) {
    return ValueRecord{window, unit, code};
}

HWND HandleOf(uint32_t window, uint32_t unit) {
    auto value = Call(GetWindowHandle, {Ref(window, unit, unit == 0 ? type::Window : 0x00010005)}).Int();
    return reinterpret_cast<HWND>(static_cast<intptr_t>(value));
}

class WindowCommands : public ::testing::Test {
protected:
    void TearDown() override {
        for (uint32_t w : {test::kMainWindow, test::kOtherWindow, test::kModalWindow, test::kKeepOpenWindow})
            if (HWND h = windows::FindUnitHandle(w, 0)) DestroyWindow(h);
        test::Pump(20);
    }
};

TEST_F(WindowCommands, LoadAndHandles) {
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kMainWindow, test::kMainSelf), Omitted(), Omitted()}).low, 1u);
    HWND frame = HandleOf(test::kMainWindow, test::kMainSelf);
    ASSERT_TRUE(IsWindow(frame));
    EXPECT_TRUE(IsWindowVisible(frame));
    EXPECT_EQ(frame, windows::FindUnitHandle(test::kMainWindow, 0));
    char title[32] = {};
    GetWindowTextA(frame, title, sizeof title);
    EXPECT_STREQ(title, "Main");

    HWND button = HandleOf(test::kMainWindow, test::kOkButton);
    char cls[32] = {};
    GetClassNameA(button, cls, sizeof cls);
    EXPECT_STREQ(cls, "Button");
    EXPECT_EQ(GetParent(button), frame);
    // A component has no window of its own.
    EXPECT_EQ(HandleOf(test::kMainWindow, test::kTimerUnit), nullptr);

    // Loading it again only brings it forward.
    EXPECT_EQ(Call(LoadWindow, {Ref(test::kMainWindow, test::kMainSelf), Omitted(), Bool(false)}).low, 1u);
    EXPECT_EQ(HandleOf(test::kMainWindow, 0), frame);
    EXPECT_EQ(Call(LoadWindow, {Ref(0x52029999, 0x06029999), Omitted(), Omitted()}).low, 0u);
}

TEST_F(WindowCommands, LoadWithParentOwnsTheWindow) {
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kMainWindow, test::kMainSelf), Omitted(), Omitted()}).low, 1u);
    ASSERT_EQ(
        Call(LoadWindow, {Ref(test::kOtherWindow, kOtherSelf), Ref(test::kMainWindow, test::kMainSelf), Bool(false)})
            .low,
        1u);
    HWND other = HandleOf(test::kOtherWindow, 0);
    EXPECT_EQ(GetWindow(other, GW_OWNER), HandleOf(test::kMainWindow, 0));

    // A parent that is not open: nothing is loaded.
    EXPECT_EQ(
        Call(LoadWindow, {Ref(test::kKeepOpenWindow, kKeepSelf), Ref(test::kModalWindow, kModalSelf), Omitted()}).low,
        0u);
    EXPECT_FALSE(windows::IsWindowLoaded(test::kKeepOpenWindow));
}

TEST_F(WindowCommands, ModalLoadReturnsWhenTheWindowCloses) {
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kMainWindow, test::kMainSelf), Omitted(), Omitted()}).low, 1u);
    HWND main = HandleOf(test::kMainWindow, 0);
    std::atomic<bool> mainDisabled{false}, sawModal{false};
    std::thread closer([&] {
        for (int i = 0; i < 200; ++i) {
            HWND modal = FindWindowA(nullptr, "Modal");
            if (modal && IsWindowVisible(modal)) {
                Sleep(100);
                sawModal = true;
                mainDisabled = !IsWindowEnabled(main);
                PostMessageA(modal, WM_CLOSE, 0, 0);
                return;
            }
            Sleep(25);
        }
    });
    ValueRecord r = Call(LoadWindow, {Ref(test::kModalWindow, kModalSelf), Omitted(), Bool(true)});
    closer.join();
    EXPECT_EQ(r.low, 1u);
    EXPECT_TRUE(sawModal.load());
    EXPECT_TRUE(mainDisabled.load()) << "the other windows are disabled while it is open";
    EXPECT_FALSE(windows::IsWindowLoaded(test::kModalWindow));
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(WindowCommands, CloseIsACloseRequest) {
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kOtherWindow, kOtherSelf), Omitted(), Omitted()}).low, 1u);
    HWND other = HandleOf(test::kOtherWindow, 0);
    Call(WindowClose, {Ref(test::kOtherWindow, kOtherSelf), Omitted()});
    EXPECT_TRUE(IsWindow(other)) << "closes when the request is handled";
    EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(other); }));
    EXPECT_FALSE(windows::IsWindowLoaded(test::kOtherWindow));

    ASSERT_EQ(Call(LoadWindow, {Ref(test::kOtherWindow, kOtherSelf), Omitted(), Omitted()}).low, 1u);
    other = HandleOf(test::kOtherWindow, 0);
    Call(WindowClose, {Ref(test::kOtherWindow, kOtherSelf), Bool(true)});
    EXPECT_FALSE(IsWindow(other)) << "closed at once";

    // A load after a close command, before the command is handled, builds
    // the window afresh; the command then closes nothing.
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kOtherWindow, kOtherSelf), Omitted(), Omitted()}).low, 1u);
    other = HandleOf(test::kOtherWindow, 0);
    Call(WindowClose, {Ref(test::kOtherWindow, kOtherSelf), Omitted()});
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kOtherWindow, kOtherSelf), Omitted(), Omitted()}).low, 1u);
    HWND fresh = HandleOf(test::kOtherWindow, 0);
    EXPECT_FALSE(IsWindow(other));
    test::Pump(100);
    EXPECT_TRUE(IsWindow(fresh));
    EXPECT_TRUE(windows::IsWindowLoaded(test::kOtherWindow));
    Call(WindowClose, {Ref(test::kOtherWindow, kOtherSelf), Bool(true)});
    EXPECT_FALSE(IsWindow(fresh));

    // The window's close event can keep it open.
    test::g.closeAnswer = 0;
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kKeepOpenWindow, kKeepSelf), Omitted(), Omitted()}).low, 1u);
    HWND keep = HandleOf(test::kKeepOpenWindow, 0);
    Call(WindowClose, {Ref(test::kKeepOpenWindow, kKeepSelf), Bool(true)});
    test::Pump(50);
    EXPECT_TRUE(IsWindow(keep));
    test::g.closeAnswer = 1;
    Call(WindowClose, {Ref(test::kKeepOpenWindow, kKeepSelf), Bool(true)});
    EXPECT_FALSE(IsWindow(keep));
}

bool Above(HWND upper, HWND lower) {
    for (HWND h = GetWindow(lower, GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV))
        if (h == upper) return true;
    return false;
}

TEST_F(WindowCommands, ZOrderWithoutMovingOrActivating) {
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kMainWindow, test::kMainSelf), Omitted(), Omitted()}).low, 1u);
    ASSERT_EQ(Call(LoadWindow, {Ref(test::kOtherWindow, kOtherSelf), Omitted(), Omitted()}).low, 1u);
    HWND main = HandleOf(test::kMainWindow, 0), other = HandleOf(test::kOtherWindow, 0);
    SetActiveWindow(other);
    test::Pump(50);
    RECT before;
    GetWindowRect(main, &before);
    HWND active = GetActiveWindow();
    auto* frame = static_cast<windows::FrameUnit*>(windows::FindLiveUnit(test::kMainWindow, 0));
    ASSERT_NE(frame, nullptr);

    Call(WindowSetZOrder, {Ref(test::kMainWindow, test::kMainSelf), Int(3)});
    EXPECT_TRUE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(frame->AlwaysOnTop());
    Call(WindowSetZOrder, {Ref(test::kMainWindow, test::kMainSelf), Int(4)});
    EXPECT_FALSE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(frame->AlwaysOnTop());

    Call(WindowSetZOrder, {Ref(test::kMainWindow, test::kMainSelf), Int(2)});
    EXPECT_TRUE(Above(other, main));
    Call(WindowSetZOrder, {Ref(test::kMainWindow, test::kMainSelf), Omitted()});
    EXPECT_TRUE(Above(main, other));
    Call(WindowSetZOrder, {Ref(test::kMainWindow, test::kMainSelf), Int(2)});
    Call(WindowSetZOrder, {Ref(test::kMainWindow, test::kMainSelf), Int(-9)});  // below 1: top
    EXPECT_TRUE(Above(main, other));

    RECT after;
    GetWindowRect(main, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(GetActiveWindow(), active);

    // Controls move among their siblings.
    HWND edit = HandleOf(test::kMainWindow, test::kPlainEdit);
    Call(WindowSetZOrder, {Ref(test::kMainWindow, test::kPlainEdit, 0x00010005), Int(1)});
    EXPECT_EQ(GetWindow(main, GW_CHILD), edit);
}

TEST(WindowCommandErrors, UnknownUnitIsARunTimeError) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    test::ProcessOptions options;
    options.boxCaption = "错误";
    test::ProcessResult r = test::RunProcess(std::string("\"") + exe + "\" --handle-of-unloaded", options);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, DWORD(-1));
    ASSERT_EQ(r.boxTexts.size(), 1u);
    EXPECT_NE(r.boxTexts[0].find("指定窗口或窗口组件不存在或尚未载入"), std::string::npos) << r.boxTexts[0];
}

}  // namespace
}  // namespace vx::commands

int main(int argc, char** argv) {
    vx::test::SetUpWindowSystem();
    if (argc > 1 && std::strcmp(argv[1], "--handle-of-unloaded") == 0) {
        vx::ValueRecord ref{vx::test::kOtherWindow, 0x06020020, vx::type::Window};
        vx::CallCommand(vx::commands::GetWindowHandle, 1, &ref);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
