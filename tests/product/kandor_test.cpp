// Kandor.exe run for real: the lock file names its window, the window shows
// the collection and the first-start note, and WM_CLOSE ends it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product/kandor/main_window.h"
#include "tests/product/product_fixture.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::product;

struct Child {
    int id;
    std::string cls;
    std::string text;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM lp) {
    char cls[64] = {}, text[512] = {};
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    reinterpret_cast<std::vector<Child>*>(lp)->push_back({GetDlgCtrlID(child), cls, text});
    return TRUE;
}

std::vector<Child> Children(HWND window) {
    std::vector<Child> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::string TextOf(const std::vector<Child>& children, int id) {
    for (const Child& c : children)
        if (c.id == id) return c.text;
    return "<none>";
}

std::vector<std::string> ButtonTexts(const std::vector<Child>& children) {
    std::vector<std::string> texts;
    for (const Child& c : children)
        if (lstrcmpiA(c.cls.c_str(), "Button") == 0) texts.push_back(c.text);
    return texts;
}

class KandorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileA((ExeDirectory() + "Kandor.exe").c_str(), (dir_ / "Kandor.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(dir_ / "win.lock", "[传递]\r\n窗口句柄=0\r\n"));
        ASSERT_TRUE(WriteFileBytes(dir_ / "boot.ini", "[热键]\r\n增亮=2\r\n增亮按键=38\r\n调暗=3\r\n调暗按键=49\r\n"));
    }
    void TearDown() override {
        if (started_.process) {
            if (WaitForSingleObject(started_.process, 0) == WAIT_TIMEOUT) TerminateProcess(started_.process, 1);
            WaitForSingleObject(started_.process, 5000);
            CloseHandle(started_.process);
        }
    }
    HWND Start(const std::string& arguments) {
        started_ = StartProgram("\"" + dir_ / "Kandor.exe" + "\"" + arguments);
        if (!started_.process) return nullptr;
        return WaitForLockedWindow(dir_.path(), 15000);
    }
    // Posts WM_CLOSE and returns the exit code, or -1 when it does not end.
    long CloseAndWait(HWND window) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(started_.process, 10000) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(started_.process, &code);
        return static_cast<long>(code);
    }

    TempDir dir_;
    Started started_;
};

TEST_F(KandorTest, FirstStartPublishesItsWindowShowsTheCollectionAndClosesOnRequest) {
    CreateDirectoryA((dir_ / "Collection").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir_ / "Collection\\Collection.ini",
                               "[配置]\r\n个数=4\r\n"
                               "[图标1]\r\n文本=https://a.example/\r\n名称=甲站\r\n"
                               "[图标2]\r\n文本=https://b.example/\r\n名称=\r\n"  // no name: the address is shown
                               "[图标3]\r\n文本=\r\n名称=\r\n"                    // empty entry: skipped
                               "[图标4]\r\n文本=https://d.example/\r\n名称=丁站\r\n"
                               "[图标5]\r\n文本=https://e.example/\r\n名称=超出个数\r\n"));
    HWND window = Start(" -1000");
    ASSERT_NE(window, nullptr) << "no handle in win.lock";
    ASSERT_TRUE(IsWindow(window));
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "TolvanePC-Vexilo");
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    EXPECT_EQ(pid, started_.processId);
    EXPECT_TRUE(IsWindowVisible(window));

    std::vector<Child> children = Children(window);
    EXPECT_NE(TextOf(children, vx::kandor::kGreetingId).find("首次"), std::string::npos)
        << TextOf(children, vx::kandor::kGreetingId);
    EXPECT_EQ(ButtonTexts(children), (std::vector<std::string>{"甲站", "https://b.example/", "丁站"}));
    EXPECT_EQ(TextOf(children, vx::kandor::kHotKeysId), "增亮：Ctrl+↑    调暗：Ctrl+Alt+1");

    EXPECT_EQ(CloseAndWait(window), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(LockedHandle(dir_.path()), 0u) << "the lock file still names the closed window";
}

// The installer starts it as F + "\Kandor.exe -1000" without quotes, so in a
// folder with blanks the path itself arrives split over several arguments.
TEST(KandorStart, UnquotedPathWithBlanksStillCountsAsFirstStart) {
    TempDir dir;
    std::string folder = dir / "My Tools";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((ExeDirectory() + "Kandor.exe").c_str(), (folder + "\\Kandor.exe").c_str(), FALSE));
    Started started = StartProgram(folder + "\\Kandor.exe -1000");
    ASSERT_NE(started.process, nullptr);
    HWND window = WaitForLockedWindow(folder, 15000);
    ASSERT_NE(window, nullptr) << "no lock file in the program's own folder";
    std::string greeting = TextOf(Children(window), vx::kandor::kGreetingId);
    EXPECT_NE(greeting.find("首次"), std::string::npos) << greeting;
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(started.process, 10000), WAIT_OBJECT_0);
    CloseHandle(started.process);
}

TEST_F(KandorTest, OrdinaryStartWithoutCollectionSaysSoAndWritesTheLockFileWhenMissing) {
    DeleteFileA((dir_ / "win.lock").c_str());
    HWND window = Start("");
    ASSERT_NE(window, nullptr);
    std::vector<Child> children = Children(window);
    std::string greeting = TextOf(children, vx::kandor::kGreetingId);
    EXPECT_EQ(greeting.find("首次"), std::string::npos) << greeting;
    EXPECT_TRUE(ButtonTexts(children).empty());
    bool saysEmpty = false;
    for (const Child& c : children) saysEmpty = saysEmpty || c.text == "没有网站快捷方式";
    EXPECT_TRUE(saysEmpty);
    EXPECT_EQ(CloseAndWait(window), 0);
}

}  // namespace
