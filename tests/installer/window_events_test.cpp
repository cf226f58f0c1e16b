// The installer window's events, each against a fresh installer process and
// clicked with the real mouse: the agreement box and link, the agreement
// window's buttons, close, minimise, the web link, the folder browser,
// upgrade mode, Escape and Alt+F4.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "runtime/picture/gdi_owners.h"
#include "tests/controls/gui_support.h"
#include "tests/installer/installer_support.h"
#include "tests/support/accessible_reader.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::installer;

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kReactionTimeoutMs = 15000;
constexpr DWORD kInstallTimeoutMs = 120000;
constexpr char kBoxCaption[] = "信息：";  // the runtime's message box caption

// Client rectangles of the units clicked here.
struct UnitRect {
    int x, y, width, height;
};
constexpr UnitRect kAgreementBox{448, 305, 16, 16};
constexpr UnitRect kAgreementLink{496, 302, 56, 20};
constexpr UnitRect kInstallButton{467, 352, 80, 32};
constexpr UnitRect kCloseButton{524, 8, 32, 32};
constexpr UnitRect kMinimiseButton{484, 8, 32, 32};
constexpr UnitRect kWebLink{296, 376, 128, 20};
constexpr UnitRect kChangePathLink{480, 320, 56, 28};
constexpr UnitRect kPathEdit{76, 324, 388, 20};
constexpr UnitRect kStatusLine{16, 304, 536, 28};
constexpr UnitRect kProgressBar{72, 344, 472, 20};

// Pixels of a screen rectangle, as the display shows them.
std::vector<uint32_t> ScreenPixels(RECT r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<uint32_t> pixels(size_t(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = vx::picture::TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = p[i] & 0xFFFFFF;
        SelectObject(memory, old);
    }
    if (dib) DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// A dialog of the installer's process: the folder browser has a tree view.
struct DialogSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindBrowser(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (owner != search->processId || !IsWindowVisible(hwnd) || strcmp(cls, "#32770") != 0) return TRUE;
    if (!FindWindowExA(hwnd, nullptr, "SysTreeView32", nullptr)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND FolderBrowser(DWORD processId) {
    DialogSearch search{processId, nullptr};
    EnumWindows(FindBrowser, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct TextSearch {
    std::string text;
    HWND found;
};

BOOL CALLBACK FindChildWithText(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TextSearch*>(param);
    if (WindowText(hwnd) != search->text) return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND ChildWithText(HWND parent, const std::string& text) {
    TextSearch search{text, nullptr};
    EnumChildWindows(parent, FindChildWithText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A shell verb's command under one root, replaced for the test and put back.
class ShellCommandOverride {
public:
    ShellCommandOverride(HKEY root, std::string scheme, const std::string& command)
        : root_(root), scheme_(std::move(scheme)) {
        const std::string key = Key() + "\\shell\\open\\command";
        HKEY existing;
        if (RegOpenKeyExA(root_, Key().c_str(), 0, KEY_READ, &existing) == ERROR_SUCCESS) {
            keyExisted_ = true;
            RegCloseKey(existing);
            previous_ = ReadDefault(key);
        }
        HKEY handle;
        if (RegCreateKeyExA(root_, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(handle);
    }
    ~ShellCommandOverride() {
        if (!keyExisted_) {
            RegDeleteTreeA(root_, Key().c_str());
            return;
        }
        HKEY handle;
        if (RegOpenKeyExA(root_, (Key() + "\\shell\\open\\command").c_str(), 0, KEY_WRITE, &handle) != ERROR_SUCCESS)
            return;
        if (previous_)
            RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_->c_str()),
                           static_cast<DWORD>(previous_->size() + 1));
        else RegDeleteValueA(handle, nullptr);
        RegCloseKey(handle);
    }
    ShellCommandOverride(const ShellCommandOverride&) = delete;
    ShellCommandOverride& operator=(const ShellCommandOverride&) = delete;

private:
    std::string Key() const { return "Software\\Classes\\" + scheme_; }
    std::optional<std::string> ReadDefault(const std::string& key) const {
        char data[2048] = {};
        DWORD size = sizeof data - 1;
        if (RegGetValueA(root_, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::string(data);
    }

    HKEY root_;
    std::string scheme_;
    bool keyExisted_ = false;
    std::optional<std::string> previous_;
};

// A folder created for the test, removed with everything in it afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string path) : path_(std::move(path)) {
        RemoveTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class WindowEvents : public ::testing::Test {
protected:
    void SetUp() override { ResetMachine(); }
    void TearDown() override {
        installer_ = Process();  // ended if still running
        ResetMachine();
    }

    // A fresh installer with its window up.
    void Start() {
        installer_ = Process("\"" + InstallerPath() + "\"");
        ASSERT_TRUE(installer_.started());
        top_ = WaitForInstallerWindow(installer_.id(), kWindowTimeoutMs);
        ASSERT_TRUE(top_) << "no installer window";
        edit_ = Unit(kPathEdit, "Edit");
        ASSERT_TRUE(edit_);
        // Start-up has run once the edit box holds its folder.
        ASSERT_TRUE(PollUntil([&] { return !WindowText(edit_).empty(); }, kReactionTimeoutMs));
    }

    HWND Unit(const UnitRect& r, const char* className = nullptr) const {
        return ChildAt(top_, r.x, r.y, r.width, r.height, className);
    }

    // A click inside a unit; `dx`, `dy` from its centre, so that two clicks
    // in a row at different points do not make a double click.
    void Click(const UnitRect& r, int dx = 0, int dy = 0) const {
        ASSERT_TRUE(MouseAt(ScreenPoint(top_, r.x + r.width / 2 + dx, r.y + r.height / 2 + dy), "click 1"));
    }

    std::vector<uint32_t> BoxPixels() const {
        POINT origin = ScreenPoint(top_, kAgreementBox.x, kAgreementBox.y);
        return ScreenPixels({origin.x, origin.y, origin.x + kAgreementBox.width, origin.y + kAgreementBox.height});
    }

    // The box once it shows a picture other than `before` and has stopped
    // changing (painting may lag behind on a loaded machine); empty when it
    // never settles.
    std::vector<uint32_t> SettledBox(const std::vector<uint32_t>& before = {}) const {
        std::vector<uint32_t> last = BoxPixels(), settled;
        PollUntil(
            [&] {
                Sleep(200);
                std::vector<uint32_t> now = BoxPixels();
                bool pictured = false;
                for (uint32_t p : now) pictured |= p != now[0];
                if (now == last && pictured && now != before) settled = now;
                last = now;
                return !settled.empty();
            },
            kReactionTimeoutMs);
        return settled;
    }

    HWND WaitForBox() const {
        HWND box = nullptr;
        PollUntil([&] { return (box = FindMessageBox(kBoxCaption, installer_.id())) != nullptr; }, kReactionTimeoutMs);
        return box;
    }

    bool Ended(DWORD timeoutMs, DWORD* exitCode) {
        std::optional<DWORD> code = installer_.Wait(timeoutMs);
        if (code) *exitCode = *code;
        return code.has_value();
    }

    Process installer_;
    HWND top_ = nullptr;
    HWND edit_ = nullptr;
};

TEST_F(WindowEvents, UntickedAgreementStopsTheInstallUntilTickedAgain) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<uint32_t> ticked = SettledBox();
    ASSERT_FALSE(ticked.empty()) << "the box shows no picture";
    // A screen reader in another process reads the box ticked, hears each
    // untick and tick, and reads the bar's percentage while it runs.
    AccessEvents announced(installer_.id());
    const HWND boxWindow = Unit(kAgreementBox);
    const HWND barWindow = Unit(kProgressBar);
    ASSERT_TRUE(boxWindow && barWindow);
    AccessibleRead tick = ReadAccessibleFromAnotherProcess(boxWindow);
    EXPECT_EQ(tick.role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(tick.name, "同意安装协议");
    EXPECT_TRUE(tick.state & STATE_SYSTEM_CHECKED);
    AccessibleRead install = ReadAccessibleFromAnotherProcess(Unit(kInstallButton));
    EXPECT_EQ(install.role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(install.name, "立即安装");

    Click(kAgreementBox, -3, -3);
    const std::vector<uint32_t> unticked = SettledBox(ticked);
    ASSERT_FALSE(unticked.empty()) << "the box did not change picture";
    EXPECT_TRUE(
        PollUntil([&] { return announced.Count(EVENT_OBJECT_STATECHANGE, boxWindow) == 1; }, kReactionTimeoutMs));
    EXPECT_FALSE(ReadAccessibleFromAnotherProcess(boxWindow).state & STATE_SYSTEM_CHECKED);
    EXPECT_FALSE(SaveScreen("events_unticked.bmp").empty());

    Click(kInstallButton);
    HWND box = WaitForBox();
    ASSERT_TRUE(box) << "no message for the unticked agreement";
    EXPECT_EQ(MessageBoxText(box), "请先阅读安装协议，并勾选同意安装协议");
    EXPECT_FALSE(SaveScreen("events_agreement_message.bmp").empty());
    PressButton(box, IDOK);
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(box); }, kReactionTimeoutMs));
    // Nothing started: still choosing, nothing written.
    EXPECT_TRUE(IsWindowVisible(Unit(kInstallButton)));
    EXPECT_TRUE(IsWindowVisible(edit_));
    EXPECT_FALSE(IsWindowVisible(Unit(kStatusLine)));
    EXPECT_FALSE(ProductKeyExists());
    EXPECT_FALSE(Exists(DefaultInstallFolder()));
    EXPECT_TRUE(PollUntil([&] { return BoxPixels() == unticked; }, kReactionTimeoutMs));

    // Ticked again: the ticked picture returns, and the install runs.
    Click(kAgreementBox, 3, 3);
    ASSERT_TRUE(PollUntil([&] { return BoxPixels() == ticked; }, kReactionTimeoutMs))
        << "the ticked picture did not return";
    EXPECT_TRUE(
        PollUntil([&] { return announced.Count(EVENT_OBJECT_STATECHANGE, boxWindow) == 2; }, kReactionTimeoutMs));
    EXPECT_TRUE(ReadAccessibleFromAnotherProcess(boxWindow).state & STATE_SYSTEM_CHECKED);
    EXPECT_FALSE(SaveScreen("events_ticked_again.bmp").empty());
    Click(kInstallButton, 5, 0);
    // The bar's values as a reader reads them while the install runs.
    std::vector<std::string> values;
    for (DWORD start = GetTickCount(); installer_.Running() && GetTickCount() - start < kInstallTimeoutMs; Sleep(5)) {
        if (!IsWindowVisible(barWindow)) continue;
        AccessibleRead bar = ReadAccessibleFromAnotherProcess(barWindow);
        // No role or no value: the window went while it was read (the
        // install has ended and its object answers as disconnected).
        if (bar.role == 0 || bar.value.empty()) continue;
        EXPECT_EQ(bar.role, ROLE_SYSTEM_PROGRESSBAR);
        if (values.empty() || values.back() != bar.value) values.push_back(bar.value);
    }
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(kInstallTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_GE(announced.Count(EVENT_OBJECT_VALUECHANGE, barWindow), 2) << "the progress was not announced";
    // As many as the reads caught (a small payload installs in a moment):
    // percentages, never going back.
    EXPECT_FALSE(values.empty()) << "the bar was never read";
    int previous = -1;
    for (const std::string& v : values) {
        ASSERT_TRUE(v.size() >= 2 && v.back() == '%') << testing::PrintToString(values);
        const int percent = std::atoi(v.c_str());
        EXPECT_GE(percent, previous) << testing::PrintToString(values);
        EXPECT_LE(percent, 100);
        previous = percent;
    }
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(DefaultInstallFolder()));
    EXPECT_TRUE(Exists(DefaultInstallFolder() + "\\Kandor.exe"));
}

TEST_F(WindowEvents, AgreementLinkOpensCentredModalWindowThatAgreeOnlyCloses) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // Unticked first: agreeing in the window must not tick the box.
    const std::vector<uint32_t> ticked = SettledBox();
    ASSERT_FALSE(ticked.empty());
    Click(kAgreementBox);
    const std::vector<uint32_t> unticked = SettledBox(ticked);
    ASSERT_FALSE(unticked.empty());

    for (int round = 0; round < 2; ++round) {
        Click(kAgreementLink, round * 8 - 4, 0);
        HWND agreement = WaitForWindow("协议信息", kReactionTimeoutMs, installer_.id());
        ASSERT_TRUE(agreement) << "no agreement window, round " << round;
        RECT r;
        GetWindowRect(agreement, &r);
        EXPECT_EQ(r.right - r.left, 380);
        EXPECT_EQ(r.bottom - r.top, 250);
        EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 380) / 2);
        EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 250) / 2);
        EXPECT_FALSE(IsWindowEnabled(top_)) << "the agreement window is modal";

        HWND text = FindWindowExA(agreement, nullptr, "Edit", nullptr);
        ASSERT_TRUE(text);
        const std::string agreementText = WindowText(text);
        EXPECT_EQ(agreementText.rfind(" ", 0), 0u) << agreementText;
        EXPECT_NE(agreementText.find("Vexilo V1.1"), std::string::npos) << agreementText;
        EXPECT_NE(agreementText.find("\r\n\r\n"), std::string::npos);
        EXPECT_NE(agreementText.find("请支持国产软件"), std::string::npos) << agreementText;
        if (round == 0) {
            EXPECT_FALSE(SaveScreen("events_agreement_window.bmp").empty());
        }

        HWND agree = ChildWithText(agreement, "同意并安装");
        ASSERT_TRUE(agree);
        EXPECT_TRUE(ChildWithText(agreement, "结束安装"));
        RECT button;
        GetWindowRect(agree, &button);
        ASSERT_TRUE(MouseAt({(button.left + button.right) / 2, (button.top + button.bottom) / 2}, "click 1"));
        ASSERT_TRUE(PollUntil([&] { return !IsWindow(agreement); }, kReactionTimeoutMs));
        ASSERT_TRUE(PollUntil([&] { return IsWindowEnabled(top_) != FALSE; }, kReactionTimeoutMs));
    }

    // Only closed: the box is still unticked and nothing is installing.
    EXPECT_TRUE(installer_.Running());
    EXPECT_TRUE(PollUntil([&] { return BoxPixels() == unticked; }, kReactionTimeoutMs)) << "agreeing ticked the box";
    EXPECT_TRUE(IsWindowVisible(Unit(kInstallButton)));
    EXPECT_FALSE(IsWindowVisible(Unit(kStatusLine)));
    EXPECT_FALSE(ProductKeyExists());
    Click(kInstallButton);
    HWND box = WaitForBox();
    ASSERT_TRUE(box) << "the agreement counted as accepted";
    EXPECT_EQ(MessageBoxText(box), "请先阅读安装协议，并勾选同意安装协议");
    PressButton(box, IDOK);
}

TEST_F(WindowEvents, EndInstallButtonEndsTheInstallerAtOnce) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(kAgreementLink);
    HWND agreement = WaitForWindow("协议信息", kReactionTimeoutMs, installer_.id());
    ASSERT_TRUE(agreement);
    HWND end = ChildWithText(agreement, "结束安装");
    ASSERT_TRUE(end);
    RECT button;
    GetWindowRect(end, &button);
    ASSERT_TRUE(MouseAt({(button.left + button.right) / 2, (button.top + button.bottom) / 2}, "click 1"));
    bool asked = false;
    ASSERT_TRUE(PollUntil(
        [&] {
            asked |= FindMessageBox(kBoxCaption, installer_.id()) != nullptr;
            return !installer_.Running();
        },
        kReactionTimeoutMs))
        << "the installer is still running";
    EXPECT_FALSE(asked) << "ending asked a question";
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(0, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(ProductKeyExists());
}

TEST_F(WindowEvents, CloseButtonAsksFirstCancelStaysOkEnds) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(kCloseButton, -4, 0);
    HWND box = WaitForBox();
    ASSERT_TRUE(box) << "closing did not ask";
    EXPECT_EQ(MessageBoxText(box), "是否确定退出程序安装");
    EXPECT_TRUE(GetDlgItem(box, IDCANCEL)) << "the question offers no way back";
    EXPECT_FALSE(SaveScreen("events_close_question.bmp").empty());
    PressButton(box, IDCANCEL);
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(box); }, kReactionTimeoutMs));
    Sleep(1000);
    EXPECT_TRUE(installer_.Running()) << "Cancel ended the installer";
    EXPECT_TRUE(IsWindowVisible(top_));

    Click(kCloseButton, 4, 0);
    box = WaitForBox();
    ASSERT_TRUE(box) << "closing did not ask the second time";
    PressButton(box, IDOK);
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(kReactionTimeoutMs, &exitCode)) << "OK did not end the installer";
    EXPECT_EQ(exitCode, 0u);
}

// Alt+F4 acts as the close button, question first; the keyboard alone
// answers it (Escape is Cancel), and Escape in the window still closes at
// once.
TEST_F(WindowEvents, AltF4AsksAsTheCloseButtonDoes) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == top_; }, kReactionTimeoutMs));
    ASSERT_TRUE(Xdotool("key alt+F4"));
    HWND box = WaitForBox();
    ASSERT_TRUE(box) << "Alt+F4 did not ask";
    EXPECT_EQ(MessageBoxText(box), "是否确定退出程序安装");
    ASSERT_TRUE(Xdotool("key Escape"));
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(box); }, kReactionTimeoutMs));
    Sleep(500);
    EXPECT_TRUE(installer_.Running()) << "Cancel ended the installer";
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == top_; }, kReactionTimeoutMs))
        << "the window did not get the keyboard back";
    ASSERT_TRUE(Xdotool("key Escape"));
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(kReactionTimeoutMs, &exitCode)) << "Escape did not close the installer";
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(WindowEvents, MinimiseButtonMinimisesTheWindow) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_FALSE(IsIconic(top_));
    Click(kMinimiseButton);
    EXPECT_TRUE(PollUntil([&] { return IsIconic(top_) != FALSE; }, kReactionTimeoutMs)) << "not minimised";
    EXPECT_FALSE(SaveScreen("events_minimised.bmp").empty());
    EXPECT_TRUE(installer_.Running());
}

TEST_F(WindowEvents, WebLinkOpensTheMakersAddress) {
    // The browser association points at a program that only notes the
    // address it was given.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string marker = std::string(temp) + "vx_weblink_opened.txt";
    DeleteFileA(marker.c_str());
    const std::string command = "C:\\windows\\system32\\cmd.exe /c echo %1>\"" + marker + "\"";
    ShellCommandOverride userHttps(HKEY_CURRENT_USER, "https", command), userHttp(HKEY_CURRENT_USER, "http", command);
    ShellCommandOverride machineHttps(HKEY_LOCAL_MACHINE, "https", command),
        machineHttp(HKEY_LOCAL_MACHINE, "http", command);

    ASSERT_NO_FATAL_FAILURE(Start());
    HWND link = Unit(kWebLink);
    ASSERT_TRUE(link);
    const std::string shown = WindowText(link);
    ASSERT_FALSE(shown.empty());
    Click(kWebLink);
    std::string opened;
    ASSERT_TRUE(PollUntil(
        [&] {
            opened = ReadFileBytes(marker);
            return opened.find("\r\n") != std::string::npos;
        },
        kReactionTimeoutMs))
        << "no browser was started for the link";
    DeleteFileA(marker.c_str());
    opened.resize(opened.find_first_of(" \r\n"));
    EXPECT_EQ(opened.rfind("http", 0), 0u) << opened;
    // The site the link shows is the one it opens.
    EXPECT_TRUE(opened.rfind("http://" + shown, 0) == 0 || opened.rfind("https://" + shown, 0) == 0)
        << opened << " opened by the link " << shown;
    Sleep(500);
    EXPECT_TRUE(installer_.Running());
    EXPECT_TRUE(IsWindowVisible(top_));
    EXPECT_TRUE(IsWindowVisible(Unit(kInstallButton)));
}

// The installer's heap with its blocks' tails filled (the system's heap tail
// check, set per program): a text read past the end of its block shows it.
class HeapTailCheck {
public:
    HeapTailCheck() {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOptionsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr))
            key_ = nullptr;
        const DWORD flags = kTailCheck;
        if (key_) RegSetValueExA(key_, "GlobalFlag", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags), sizeof flags);
    }
    ~HeapTailCheck() {
        if (!key_) return;
        RegCloseKey(key_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOptionsKey);
    }
    HeapTailCheck(const HeapTailCheck&) = delete;
    HeapTailCheck& operator=(const HeapTailCheck&) = delete;

private:
    static constexpr char kOptionsKey[] =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\VexiloSetup.exe";
    static constexpr DWORD kTailCheck = 0x10;  // FLG_HEAP_ENABLE_TAIL_CHECK
    HKEY key_ = nullptr;
};

TEST_F(WindowEvents, ChangePathLinkTakesTheChosenFolderAndCancelKeepsIt) {
    const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    ScratchFolder chosen(desktop + "\\VxChosenFolder");
    HeapTailCheck tails;  // the browser's title must end where its bytes do
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string initial = WindowText(edit_);
    EXPECT_EQ(initial, "C:\\Program Files\\TolvanePC");

    Click(kChangePathLink, -6, 0);
    HWND browser = nullptr;
    ASSERT_TRUE(PollUntil([&] { return (browser = FolderBrowser(installer_.id())) != nullptr; }, kReactionTimeoutMs))
        << "no folder browser";
    EXPECT_TRUE(ChildWithText(browser, "请选择文件夹" + std::string(149, ' '))) << "the browser's title text";
    HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
    ASSERT_TRUE(tree);
    // A click on the tree's empty lower part gives it the keyboard without
    // picking an item; typing the folder's name then selects it.
    RECT treeRect;
    GetWindowRect(tree, &treeRect);
    ASSERT_TRUE(MouseAt({(treeRect.left + treeRect.right) / 2, treeRect.bottom - 12}, "click 1"));
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == browser; }, kReactionTimeoutMs));
    ASSERT_TRUE(Xdotool("type --delay 40 VxChosen"));
    EXPECT_FALSE(SaveScreen("events_folder_browser.bmp").empty());
    PressButton(browser, IDOK);
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(browser); }, kReactionTimeoutMs));
    ASSERT_TRUE(PollUntil([&] { return WindowText(edit_) == chosen.path(); }, kReactionTimeoutMs)) << WindowText(edit_);

    // Cancelled: the edit box keeps the folder.
    Click(kChangePathLink, 6, 0);
    browser = nullptr;
    ASSERT_TRUE(PollUntil([&] { return (browser = FolderBrowser(installer_.id())) != nullptr; }, kReactionTimeoutMs))
        << "no folder browser the second time";
    PressButton(browser, IDCANCEL);
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(browser); }, kReactionTimeoutMs));
    Sleep(300);
    EXPECT_EQ(WindowText(edit_), chosen.path());

    // The installation goes to the chosen folder + "\Vexilo".
    Click(kInstallButton);
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(kInstallTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(chosen.path() + "\\Vexilo"));
    EXPECT_TRUE(Exists(chosen.path() + "\\Vexilo\\Kandor.exe"));
    EXPECT_FALSE(Exists(DefaultInstallFolder()));
    CloseProductWindows();
}

TEST_F(WindowEvents, UpgradeModeLocksThePathAndTheChangePathLink) {
    const std::string registered = "C:\\VxEarlier Place\\Vexilo";
    WriteProductValue("RunPath", registered);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(WindowText(edit_), registered);
    EXPECT_FALSE(IsWindowEnabled(edit_));
    HWND link = Unit(kChangePathLink);
    ASSERT_TRUE(link);
    EXPECT_EQ(WindowText(link), "升级模式");
    EXPECT_FALSE(IsWindowEnabled(link));
    EXPECT_FALSE(SaveScreen("events_upgrade_mode.bmp").empty());

    Click(kChangePathLink);
    EXPECT_FALSE(PollUntil([&] { return FolderBrowser(installer_.id()) != nullptr; }, 2000))
        << "the locked link opened the folder browser";
    EXPECT_TRUE(installer_.Running());
    EXPECT_EQ(WindowText(edit_), registered);
    EXPECT_EQ(WindowText(link), "升级模式");
}

TEST_F(WindowEvents, EscapeClosesTheWindowWithoutAsking) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // A click into the path box gives the window the keyboard.
    Click(kPathEdit);
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == top_; }, kReactionTimeoutMs));
    ASSERT_TRUE(Xdotool("key Escape"));
    bool asked = false;
    EXPECT_TRUE(PollUntil(
        [&] {
            asked |= FindMessageBox(kBoxCaption, installer_.id()) != nullptr;
            return !installer_.Running();
        },
        kReactionTimeoutMs))
        << "Escape did not close the installer";
    EXPECT_FALSE(asked) << "Escape asked a question";
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(kReactionTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(WindowEvents, EscapeWhileInstallingChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(kPathEdit);
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == top_; }, kReactionTimeoutMs));
    Click(kInstallButton);
    // Escape pressed again and again until the installer has finished.
    int presses = 0;
    for (DWORD start = GetTickCount(); installer_.Running() && GetTickCount() - start < kInstallTimeoutMs;) {
        ASSERT_TRUE(Xdotool("key Escape"));
        ++presses;
    }
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(kInstallTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_GE(presses, 1);  // an install takes well under a second here
    const std::string folder = DefaultInstallFolder();
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    CoInitialize(nullptr);
    ShortcutPaths links = Shortcuts();
    LinkFields program, uninstaller;
    EXPECT_TRUE(ReadLink(links.program, &program));
    EXPECT_TRUE(ReadLink(links.uninstall, &uninstaller));
    CoUninitialize();
    EXPECT_EQ(program.target, folder + "\\Kandor.exe");
    EXPECT_EQ(uninstaller.target, folder + "\\Uninstall.exe");
    EXPECT_EQ(ReadFileBytes(links.desktop), ReadFileBytes(links.program));
    EXPECT_TRUE(WaitForWindow(kProductTitle, kWindowTimeoutMs)) << "the product was not started";
}

// The window comes back enabled only when nothing can close it any more:
// Escape or Alt+F4 the moment it does must not cost the shortcuts or the
// launch.
TEST_F(WindowEvents, ClosingTheMomentTheInstallEndsStillLinksAndStartsTheProduct) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(kInstallButton);
    ASSERT_TRUE(PollUntil([&] { return !IsWindowEnabled(top_); }, kReactionTimeoutMs)) << "never disabled";
    // The keys go to the installer's window itself: typed, they could reach
    // the product's window once the installer has started it.
    bool pressed = false;
    for (DWORD start = GetTickCount(); installer_.Running() && GetTickCount() - start < kInstallTimeoutMs; Sleep(1)) {
        if (!IsWindowEnabled(top_)) continue;
        constexpr LPARAM kPressed = 1, kWithAlt = 1 << 29;
        pressed = PostMessageA(top_, WM_KEYDOWN, VK_ESCAPE, kPressed) &&
                  PostMessageA(top_, WM_SYSKEYDOWN, VK_F4, kPressed | kWithAlt);
        break;
    }
    DWORD exitCode = 1;
    ASSERT_TRUE(Ended(kInstallTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    if (!pressed) std::printf("the installer ended before its window was seen enabled\n");
    CoInitialize(nullptr);
    ShortcutPaths links = Shortcuts();
    LinkFields program;
    EXPECT_TRUE(ReadLink(links.program, &program));
    CoUninitialize();
    EXPECT_EQ(program.target, DefaultInstallFolder() + "\\Kandor.exe");
    EXPECT_TRUE(WaitForWindow(kProductTitle, kWindowTimeoutMs)) << "the product was not started";
}

}  // namespace
