// Processes, the command line, message boxes and shell services, on real
// processes and real windows. The exe doubles as its own child program.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <thread>

#include "runtime/commands/commands.h"
#include "runtime/process/program.h"
#include "tests/commands/command_calls.h"
#include "tests/support/win32_harness.h"

namespace vx::commands {
namespace {

using test::Bool;
using test::Int;
using test::Omitted;
using test::TakeText;
using test::Text;

std::string SelfPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

double Seconds(ULONGLONG since) { return double(GetTickCount64() - since) / 1000.0; }

// ---- RunProgram ----------------------------------------------------------

TEST(RunProgram, WaitsOnlyWhenAsked) {
    test::TempDir dir;
    std::string marker = dir / "done.txt";
    std::string line = "\"" + SelfPath() + "\" --child-sleep 1500 \"" + marker + "\"";

    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Call(RunProgram, {Text(line), Bool(true), Omitted()}).low, 1u);
    EXPECT_GE(Seconds(start), 1.4);
    EXPECT_EQ(test::ReadFileBytes(marker), "slept");

    // Without the flag: back after the idle wait (at most a second, plus the
    // start-up of a process under load), long before the child ends.
    DeleteFileA(marker.c_str());
    line = "\"" + SelfPath() + "\" --child-sleep 3500 \"" + marker + "\"";
    start = GetTickCount64();
    EXPECT_EQ(Call(RunProgram, {Text(line), Omitted(), Omitted()}).low, 1u);
    EXPECT_LT(Seconds(start), 2.5);
    EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the child is still running";
    for (int i = 0; i < 100 && GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
    EXPECT_EQ(test::ReadFileBytes(marker), "slept");
}

TEST(RunProgram, NeverIdleProgramReturnsAfterAboutASecond) {
    test::TempDir dir;
    std::string marker = dir / "busy.txt";
    // A windowed child that spins without ever reading its queue.
    std::string line = "\"" + SelfPath() + "\" --child-busy 4000 \"" + marker + "\"";
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Call(RunProgram, {Text(line), Bool(false), Omitted()}).low, 1u);
    double took = Seconds(start);
    EXPECT_LT(took, 2.5);
    for (int i = 0; i < 200 && GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
}

TEST(RunProgram, WindowModeReachesTheChild) {
    test::TempDir dir;
    struct Case {
        ValueRecord mode;
        const char* expected;
    } cases[] = {
        {Omitted(), "1 1"}, {Int(1), "1 0"}, {Int(4), "1 3"}, {Int(6), "1 6"}, {Int(0), "1 0"}, {Int(99), "1 6"},
    };
    for (const Case& c : cases) {
        std::string out = dir / "startup.txt";
        std::string line = "\"" + SelfPath() + "\" --child-startup \"" + out + "\"";
        ASSERT_EQ(Call(RunProgram, {Text(line), Bool(true), c.mode}).low, 1u);
        EXPECT_EQ(test::ReadFileBytes(out), c.expected) << "mode record " << c.mode.low;
    }
}

TEST(RunProgram, FailuresReturnFalse) {
    EXPECT_EQ(Call(RunProgram, {Text("C:\\no\\such\\program.exe"), Bool(true), Omitted()}).low, 0u);
    EXPECT_EQ(Call(RunProgram, {Text(nullptr), Bool(true), Omitted()}).low, 0u);
    EXPECT_EQ(Call(RunProgram, {Text(std::string(40000, 'a')), Bool(true), Omitted()}).low, 0u);
}

// ---- ReadCommandLine -------------------------------------------------------

TEST(ReadCommandLine, QuotedUnquotedAndDoubleByte) {
    test::TempDir dir;
    std::string out = dir / "args.txt";
    // "-1", a GBK folder with a space, quoted, and an unquoted GBK word.
    std::string line = "\"" + SelfPath() + "\" --child-args \"" + out +
                       "\" -1 \"D:\\\xc8\xed\xbc\xfe \xb0\xb2\xd7\xb0\" \xb4\xab\xb5\xdd\tlast";
    ASSERT_EQ(Call(RunProgram, {Text(line), Bool(true), Omitted()}).low, 1u);
    EXPECT_EQ(test::ReadFileBytes(out),
              "6|--child-args|" + out + "|-1|D:\\\xc8\xed\xbc\xfe \xb0\xb2\xd7\xb0|" + "\xb4\xab\xb5\xdd|last|");
}

TEST(ReadCommandLine, ReplacesTheVariablesArray) {
    void* variable = nullptr;
    ValueRecord arg = ValueRecord::OfAddress(&variable, type::Text);
    Call(ReadCommandLine, {arg});
    ASSERT_NE(variable, nullptr);
    ArrayView first{static_cast<const uint8_t*>(variable)};
    EXPECT_EQ(first.Dimensions(), 1);
    int64_t count = first.Count();
    void* previous = variable;
    Call(ReadCommandLine, {arg});
    EXPECT_NE(variable, previous);
    ArrayView second{static_cast<const uint8_t*>(variable)};
    EXPECT_EQ(second.Count(), count);
    HostRequest(kHostDisposeArray, type::Text, reinterpret_cast<intptr_t>(variable));
    Call(ReadCommandLine, {ValueRecord::OfAddress(nullptr, type::Text)});  // no variable: nothing
}

// ---- Message boxes ------------------------------------------------------------

struct BoxSeen {
    std::string text;
    bool ownerEnabled = true;
    bool topmost = false;
    bool found = false;
};

// Shows the box on this thread (which owns `owner`) and answers it from a
// second thread as a user would.
int32_t ShowAndAnswer(std::initializer_list<ValueRecord> args, const char* caption, int button, BoxSeen& seen,
                      HWND owner) {
    std::atomic<bool> stop{false};
    std::thread answerer([&] {
        for (int i = 0; i < 200 && !stop; ++i) {
            if (HWND box = test::FindMessageBox(caption, GetCurrentProcessId())) {
                Sleep(100);
                seen.found = true;
                seen.text = test::MessageBoxText(box);
                seen.ownerEnabled = IsWindowEnabled(owner) != FALSE;
                seen.topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                test::PressButton(box, button);
                return;
            }
            Sleep(50);
        }
    });
    int32_t result = Call(ShowMessageBox, args).Int();
    stop = true;
    answerer.join();
    return result;
}

class MessageBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override { DestroyWindow(owner_); }
    HWND owner_ = nullptr;
};

TEST_F(MessageBoxes, DefaultCaptionAndTaskModal) {
    BoxSeen seen;
    int32_t r =
        ShowAndAnswer({Text("\xb0\xb2\xd7\xb0\xcd\xea\xb3\xc9"), Int(0), Omitted()}, "信息：", IDOK, seen, owner_);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "\xb0\xb2\xd7\xb0\xcd\xea\xb3\xc9");  // "安装完成"
    EXPECT_FALSE(seen.ownerEnabled) << "task-modal: the thread's windows are disabled";
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(MessageBoxes, SystemModalIsNotMadeTaskModal) {
    BoxSeen seen;
    int32_t r = ShowAndAnswer({Int(42), Int(MB_SYSTEMMODAL), Text("sys")}, "sys", IDOK, seen, owner_);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "42");
    EXPECT_TRUE(seen.ownerEnabled);
    EXPECT_TRUE(seen.topmost);
    EXPECT_EQ(r, 0);
}

TEST_F(MessageBoxes, ButtonCodes) {
    struct Case {
        int flags, button, expected;
    } cases[] = {
        {MB_OKCANCEL, IDCANCEL, 1},   {MB_ABORTRETRYIGNORE, IDABORT, 2},
        {MB_RETRYCANCEL, IDRETRY, 3}, {MB_ABORTRETRYIGNORE, IDIGNORE, 4},
        {MB_YESNO, IDYES, 5},         {MB_YESNOCANCEL, IDNO, 6},
    };
    for (const Case& c : cases) {
        BoxSeen seen;
        // "是否确定退出程序安装"
        int32_t r = ShowAndAnswer({Text("\xca\xc7\xb7\xf1"), Int(c.flags | MB_ICONQUESTION), Text("codes")}, "codes",
                                  c.button, seen, owner_);
        ASSERT_TRUE(seen.found) << c.flags;
        EXPECT_EQ(r, c.expected) << "flags " << c.flags << " button " << c.button;
    }
}

TEST_F(MessageBoxes, MessagesOfOtherTypes) {
    struct Case {
        ValueRecord message;
        std::string expected;
    } cases[] = {
        {Bool(true), "真"},  {ValueRecord::OfDouble(2.5), "2.5"},   {ValueRecord::OfLong(-7), "-7"},
        {Text(nullptr), ""}, {ValueRecord{1, 2, type::Window}, ""},
    };
    for (const Case& c : cases) {
        BoxSeen seen;
        ShowAndAnswer({c.message, Int(0), Text("types")}, "types", IDOK, seen, owner_);
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.text, c.expected);
    }
}

// ---- ProcessEvents and SoundBeep ----------------------------------------------------

int gHandled = 0;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) ++gHandled;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST(ProcessEvents, DispatchesWaitingMessagesAndLeavesQuit) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.lpszClassName = "VxProcessEventsTest";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    gHandled = 0;
    Call(ProcessEvents, {});  // nothing waiting: returns at once
    PostMessageA(hwnd, WM_APP, 0, 0);
    PostQuitMessage(5);
    PostMessageA(hwnd, WM_APP, 0, 0);
    Call(ProcessEvents, {});
    EXPECT_EQ(gHandled, 2);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 5u);
    Call(SoundBeep, {});
    DestroyWindow(hwnd);
}

// ---- Shell services ------------------------------------------------------------

TEST(SpecialFolderPath, TrailingBackslashExactlyOnce) {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    ASSERT_GT(n, 0u);
    std::string path = TakeText(CallLibrary(kSystemInterfaceLibrary, SpecialFolderPath, {Int(11)}));
    EXPECT_EQ(path, temp);
    ASSERT_GE(path.size(), 2u);
    EXPECT_EQ(path.back(), '\\');
    EXPECT_NE(path[path.size() - 2], '\\');

    char windowsDir[MAX_PATH];
    GetWindowsDirectoryA(windowsDir, MAX_PATH);
    EXPECT_EQ(TakeText(CallLibrary(kSystemInterfaceLibrary, SpecialFolderPath, {Int(9)})),
              std::string(windowsDir) + "\\");
    char desktop[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_EQ(TakeText(CallLibrary(kSystemInterfaceLibrary, SpecialFolderPath, {Int(3)})), std::string(desktop) + "\\");
    char programs[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE));
    EXPECT_EQ(TakeText(CallLibrary(kSystemInterfaceLibrary, SpecialFolderPath, {Int(6)})),
              std::string(programs) + "\\");
    for (int32_t kind : {0, 12, -1}) {
        EXPECT_EQ(CallLibrary(kSystemInterfaceLibrary, SpecialFolderPath, {Int(kind)}).Address(), nullptr) << kind;
    }
}

TEST(GetWindowTextByHandle, RealWindows) {
    // Title "协议信息".
    HWND titled = CreateWindowExA(0, "STATIC", "\xd0\xad\xd2\xe9\xd0\xc5\xcf\xa2", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND untitled = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(titled && untitled);
    auto handle = [](HWND h) { return Int(static_cast<int32_t>(reinterpret_cast<intptr_t>(h))); };
    EXPECT_EQ(TakeText(CallLibrary(kApplicationInterfaceLibrary, GetWindowTextByHandle, {handle(titled)})),
              "\xd0\xad\xd2\xe9\xd0\xc5\xcf\xa2");
    EXPECT_EQ(CallLibrary(kApplicationInterfaceLibrary, GetWindowTextByHandle, {handle(untitled)}).Address(), nullptr);
    EXPECT_EQ(CallLibrary(kApplicationInterfaceLibrary, GetWindowTextByHandle, {Int(0)}).Address(), nullptr);
    DestroyWindow(titled);
    EXPECT_EQ(CallLibrary(kApplicationInterfaceLibrary, GetWindowTextByHandle, {handle(titled)}).Address(), nullptr);
    DestroyWindow(untitled);
}

TEST(OpenWebAddress, HandsTheAddressToTheShell) {
    test::TempDir dir;
    std::string script = dir / "open.cmd";
    std::string marker = dir / "opened.txt";
    test::WriteFileBytes(script, "@echo opened> \"" + marker + "\"\r\n");
    CallLibrary(kApplicationInterfaceLibrary, OpenWebAddress, {Text(script)});
    for (int i = 0; i < 200 && test::ReadFileBytes(marker).find("opened") == std::string::npos; ++i) Sleep(50);
    EXPECT_NE(test::ReadFileBytes(marker).find("opened"), std::string::npos);
    // Nothing to open: returns quietly.
    CallLibrary(kApplicationInterfaceLibrary, OpenWebAddress, {Text(nullptr)});
}

// ---- Child modes ------------------------------------------------------------------

int ChildMain(int argc, char** argv) {
    std::string mode = argv[1];
    if (mode == "--child-sleep" && argc >= 4) {
        Sleep(static_cast<DWORD>(atoi(argv[2])));
        test::WriteFileBytes(argv[3], "slept");
        return 0;
    }
    if (mode == "--child-busy" && argc >= 4) {
        CreateWindowExA(0, "STATIC", "busy", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                        nullptr, nullptr);
        DWORD end = GetTickCount() + static_cast<DWORD>(atoi(argv[2]));
        while (GetTickCount() < end) Sleep(10);
        test::WriteFileBytes(argv[3], "busy");
        return 0;
    }
    if (mode == "--child-startup" && argc >= 3) {
        STARTUPINFOA info{};
        GetStartupInfoA(&info);
        test::WriteFileBytes(argv[2], std::to_string((info.dwFlags & STARTF_USESHOWWINDOW) ? 1 : 0) + " " +
                                          std::to_string(info.wShowWindow));
        return 0;
    }
    if (mode == "--child-args" && argc >= 3) {
        void* array = nullptr;
        ValueRecord arg = ValueRecord::OfAddress(&array, type::Text);
        Call(ReadCommandLine, {arg});
        ArrayView view{static_cast<const uint8_t*>(array)};
        std::string out = std::to_string(view.Count()) + "|";
        for (int64_t i = 0; i < view.Count(); ++i) {
            const char* element;
            std::memcpy(&element, view.Elements() + i * sizeof(char*), sizeof element);
            out += std::string(element ? element : "") + "|";
        }
        test::WriteFileBytes(argv[2], out);
        return 0;
    }
    return 2;
}

}  // namespace
}  // namespace vx::commands

int main(int argc, char** argv) {
    if (argc >= 2 && std::strncmp(argv[1], "--child-", 8) == 0) return vx::commands::ChildMain(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
