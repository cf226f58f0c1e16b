// A fresh interactive install: the installer window as it opens, the click on
// the install button, the progress view while the worker runs, and the
// machine afterwards (product key, files, shortcuts, the started product).
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "runtime/base/byte_reader.h"
#include "tests/controls/gui_support.h"
#include "tests/installer/installer_test.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::installer;

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kInstallTimeoutMs = 120000;

// One entry of the archive's central directory.
struct ZipEntry {
    std::string name;  // with "\" separators
    uint32_t crc = 0;
    uint32_t size = 0;
    bool folder = false;
};

const uint8_t* At(const std::string& b, size_t at) { return reinterpret_cast<const uint8_t*>(b.data()) + at; }
uint32_t Le32(const std::string& b, size_t at) { return vx::U32(At(b, at)); }
uint16_t Le16(const std::string& b, size_t at) { return vx::U16(At(b, at)); }

std::vector<ZipEntry> CentralDirectory(const std::string& zip) {
    std::vector<ZipEntry> entries;
    if (zip.size() < 22) return entries;
    size_t end = std::string::npos;
    for (size_t at = zip.size() - 22;; --at) {
        if (Le32(zip, at) == 0x06054b50) {
            end = at;
            break;
        }
        if (at == 0 || zip.size() - at > 22 + 65535) break;
    }
    if (end == std::string::npos) return entries;
    uint16_t count = Le16(zip, end + 10);
    size_t at = Le32(zip, end + 16);
    for (uint16_t i = 0; i < count && at + 46 <= zip.size() && Le32(zip, at) == 0x02014b50; ++i) {
        ZipEntry e;
        e.crc = Le32(zip, at + 16);
        e.size = Le32(zip, at + 24);
        size_t nameLength = Le16(zip, at + 28);
        e.name = zip.substr(at + 46, nameLength);
        for (char& c : e.name)
            if (c == '/') c = '\\';
        e.folder = !e.name.empty() && e.name.back() == '\\';
        if (e.folder) e.name.pop_back();
        entries.push_back(e);
        at += 46 + nameLength + Le16(zip, at + 30) + Le16(zip, at + 32);
    }
    return entries;
}

uint32_t Crc32(const std::string& bytes) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (char ch : bytes) c = table[(c ^ uint8_t(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

struct ChildTexts {
    std::vector<std::string> texts;
};

BOOL CALLBACK CollectChildText(HWND hwnd, LPARAM param) {
    reinterpret_cast<ChildTexts*>(param)->texts.push_back(WindowText(hwnd));
    return TRUE;
}

std::string ProcessImage(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return "";
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    std::string image = QueryFullProcessImageNameA(process, 0, path, &size) ? std::string(path, size) : "";
    CloseHandle(process);
    return image;
}

std::string Upper(std::string text) {
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The units of the installer window that the progress view switches.
struct InstallerUnits {
    HWND edit, pathCaption, changePath, box, agreementLink, agreeCaption, installButton;
    HWND status, progressCaption, bar, percentage;

    explicit InstallerUnits(HWND top)
        : edit(ChildAt(top, 76, 324, 388, 20, "Edit")),
          pathCaption(ChildAt(top, 16, 324, 56, 20)),
          changePath(ChildAt(top, 480, 320, 56, 28)),
          box(ChildAt(top, 448, 305, 16, 16)),
          agreementLink(ChildAt(top, 496, 302, 56, 20)),
          agreeCaption(ChildAt(top, 467, 302, 24, 20)),
          installButton(ChildAt(top, 467, 352, 80, 32)),
          status(ChildAt(top, 16, 304, 536, 28)),
          progressCaption(ChildAt(top, 16, 342, 64, 24)),
          bar(ChildAt(top, 72, 344, 472, 20)),
          percentage(ChildAt(top, 280, 344, 56, 20)) {}

    bool AllFound() const {
        for (HWND h : {edit, pathCaption, changePath, box, agreementLink, agreeCaption, installButton, status,
                       progressCaption, bar, percentage})
            if (!h) return false;
        return true;
    }
    bool ChoosingView() const {
        for (HWND h : {edit, pathCaption, changePath, box, agreementLink, agreeCaption, installButton})
            if (!IsWindowVisible(h)) return false;
        for (HWND h : {status, progressCaption, bar, percentage})
            if (IsWindowVisible(h)) return false;
        return true;
    }
    bool ProgressView() const {
        for (HWND h : {edit, pathCaption, changePath, box, agreementLink, agreeCaption, installButton})
            if (IsWindowVisible(h)) return false;
        for (HWND h : {status, progressCaption, bar, percentage})
            if (!IsWindowVisible(h)) return false;
        return true;
    }
};

HWND ExpectProductStartedFirstTime(const std::string& folder);

class InteractiveInstall : public InstallerTest {
protected:
    // The installer's window once its folder box shows a folder and the
    // keyboard is in it; null when it does not get there.
    static HWND WindowReadyForKeys(const Process& installer) {
        HWND top = WaitForInstallerWindow(installer.id(), kWindowTimeoutMs);
        if (!top || !InstallerUnits(top).AllFound()) return nullptr;
        HWND edit = InstallerUnits(top).edit;
        if (!PollUntil([&] { return !WindowText(edit).empty(); }, 10000)) return nullptr;
        if (!PollUntil([&] { return GetForegroundWindow() == top; }, 10000)) return nullptr;
        return top;
    }
    // The install ended well into `folder`: the product started for the
    // first time, registered there, with its links.
    static void ExpectInstalledAndStarted(Process& installer, const std::string& folder) {
        ASSERT_EQ(installer.Wait(kInstallTimeoutMs), std::optional<DWORD>(0));
        EXPECT_TRUE(ExpectProductStartedFirstTime(folder));
        EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
        ExpectLinksTo(folder);
    }
};

// A program planted where an unquoted launch command would find it: the
// prefix of the install folder up to its first blank, + ".exe". It notes in
// `<path>.ran` that it was started.
class PlantedProgram {
public:
    explicit PlantedProgram(std::string path) : path_(std::move(path)) {
        DeleteFileA(Marker().c_str());
        planted_ = CopyFileA((ExeDirectory() + "planted_program.exe").c_str(), path_.c_str(), FALSE);
    }
    ~PlantedProgram() {
        DeleteFileA(path_.c_str());
        DeleteFileA(Marker().c_str());
    }
    PlantedProgram(const PlantedProgram&) = delete;
    PlantedProgram& operator=(const PlantedProgram&) = delete;
    bool planted() const { return planted_; }
    bool Ran() const { return Exists(Marker()); }
    std::string CommandLine() const { return ReadFileBytes(Marker()); }

private:
    std::string Marker() const { return path_ + ".ran"; }
    std::string path_;
    bool planted_ = false;
};

// The product, started from `folder` with -1000: it says it is its first start.
HWND ExpectProductStartedFirstTime(const std::string& folder) {
    HWND product = WaitForWindow(kProductTitle, kWindowTimeoutMs);
    EXPECT_TRUE(product) << "the product did not start";
    if (!product) return nullptr;
    EXPECT_EQ(Upper(ProcessImage(product)), Upper(folder + "\\Kandor.exe"));
    ChildTexts children;
    EXPECT_TRUE(PollUntil(
        [&] {
            children.texts.clear();
            EnumChildWindows(product, CollectChildText, reinterpret_cast<LPARAM>(&children));
            return !children.texts.empty();
        },
        10000));
    bool firstStart = false;
    for (const std::string& t : children.texts) firstStart |= t.find("首次") != std::string::npos;
    EXPECT_TRUE(firstStart) << "the product was not told it is its first start";
    return product;
}

// What the window showed while the installation ran, polled every few ms.
struct ProgressLog {
    bool progressView = false;
    bool disabledWhileCopying = true;  // every poll that showed a file path
    bool copyingSeen = false;
    std::vector<std::string> statuses;     // distinct, in order
    std::vector<std::string> percentages;  // distinct, in order
    std::vector<std::string> shots;
};

void Note(std::vector<std::string>& seen, const std::string& text) {
    if (!text.empty() && (seen.empty() || seen.back() != text)) seen.push_back(text);
}

// DLLs planted beside the installer under the names of the DLLs an install
// loads (not known DLLs, so Windows would look beside the exe first): none
// is loaded while the window is up and the install runs, and the product
// starts installed.
TEST_F(InteractiveInstall, DllsPlantedBesideTheInstallerAreNeverLoaded) {
    PlantedInstaller planted;
    ASSERT_TRUE(planted.ready());
    Process installer("\"" + planted.path() + "\"");
    ASSERT_TRUE(installer.started());
    HWND top = WaitForInstallerWindow(installer.id(), kWindowTimeoutMs);
    ASSERT_TRUE(top) << "no installer window; loaded: " << planted.Loaded();
    // A screen reader's question brings the accessibility DLL into the
    // installer: from the system folder, like the others.
    HWND install = ChildAt(top, 467, 352, 80, 32);
    ASSERT_TRUE(install);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(install, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT), SMTO_ABORTIFHUNG,
                                    kWindowTimeoutMs, &answer));
    EXPECT_GT(static_cast<LRESULT>(answer), 0) << "no accessible object";
    ASSERT_TRUE(MouseAt(ScreenPoint(top, 467 + 40, 352 + 16), "click 1"));
    EXPECT_EQ(installer.Wait(kInstallTimeoutMs), std::optional<DWORD>(0));
    EXPECT_TRUE(WaitForWindow(kProductTitle, kWindowTimeoutMs)) << "the product did not start";
    EXPECT_EQ(planted.Loaded(), "");
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(DefaultInstallFolder()));
    ExpectLinksTo(DefaultInstallFolder());
}

TEST_F(InteractiveInstall, InstallButtonShowsProgressThenRegistersLinksAndStartsTheProduct) {
    const std::string folder = DefaultInstallFolder();
    PlantedProgram planted("C:\\Program.exe");
    ASSERT_TRUE(planted.planted());
    Process installer("\"" + InstallerPath() + "\"");
    ASSERT_TRUE(installer.started());
    HWND top = WaitForInstallerWindow(installer.id(), kWindowTimeoutMs);
    ASSERT_TRUE(top) << "no installer window";

    // Start state: centred on the screen, choosing view, the template's folder.
    RECT frame;
    GetWindowRect(top, &frame);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 559) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 400) / 2);
    InstallerUnits units(top);
    ASSERT_TRUE(units.AllFound());
    ASSERT_TRUE(PollUntil([&] { return WindowText(units.edit) == "C:\\Program Files\\TolvanePC"; }, 10000))
        << WindowText(units.edit);
    EXPECT_TRUE(units.ChoosingView());
    EXPECT_EQ(WindowText(units.changePath), "更改路径");
    HWND webLink = ChildAt(top, 296, 376, 128, 20);
    ASSERT_TRUE(webLink);
    const std::string site = WindowText(webLink);  // the maker's site as the footer shows it
    ASSERT_FALSE(site.empty());
    EXPECT_TRUE(IsWindowEnabled(top));
    EXPECT_FALSE(ProductKeyExists());
    EXPECT_FALSE(SaveScreen("interactive_1_start.bmp").empty());

    ASSERT_TRUE(MouseAt(ScreenPoint(top, 467 + 40, 352 + 16), "click 1"));

    // The progress view, the status line and the percentage while it runs.
    ProgressLog log;
    for (DWORD start = GetTickCount(); installer.Running() && GetTickCount() - start < kInstallTimeoutMs; Sleep(10)) {
        if (!IsWindow(top) || !units.ProgressView()) continue;
        std::string status = WindowText(units.status);
        bool enabled = IsWindowEnabled(top);
        std::string statusAfter = WindowText(units.status);
        std::string percentage = WindowText(units.percentage);
        if (!installer.Running()) break;
        if (!log.progressView) log.shots.push_back(SaveScreen("interactive_2_progress.bmp"));
        log.progressView = true;
        if (status.rfind(folder + "\\", 0) == 0) {
            if (!log.copyingSeen) log.shots.push_back(SaveScreen("interactive_3_copying.bmp"));
            log.copyingSeen = true;
            if (enabled && statusAfter.rfind(folder + "\\", 0) == 0) log.disabledWhileCopying = false;
        }
        if (percentage == "100%" && (log.percentages.empty() || log.percentages.back() != "100%"))
            log.shots.push_back(SaveScreen("interactive_4_complete.bmp"));
        Note(log.statuses, status);
        Note(log.percentages, percentage);
    }
    std::optional<DWORD> exitCode = installer.Wait(kInstallTimeoutMs);
    ASSERT_EQ(exitCode, std::optional<DWORD>(0));

    EXPECT_TRUE(log.progressView) << "the progress view never showed";
    for (const std::string& shot : log.shots) EXPECT_FALSE(shot.empty());
    ASSERT_FALSE(log.percentages.empty());
    EXPECT_EQ(log.percentages.back(), "100%");
    int previous = -1;
    for (const std::string& p : log.percentages) {
        ASSERT_TRUE(p.size() >= 2 && p.back() == '%') << p;
        char* rest = nullptr;
        long value = std::strtol(p.c_str(), &rest, 10);
        EXPECT_EQ(std::string(rest), "%") << p;
        EXPECT_GE(value, previous) << "progress went back to " << p;
        EXPECT_LE(value, 100);
        previous = static_cast<int>(value);
    }
    // Every status line is one of the procedure's own texts or the full path
    // of a file that the installation wrote.
    for (const std::string& s : log.statuses) {
        if (s == "正在复制文件：" || s == "正在注册软件信息..." || s == "正在创建快捷方式...") continue;
        ASSERT_EQ(s.rfind(folder + "\\", 0), 0u) << s;
        EXPECT_TRUE(Exists(s)) << s;
    }
    ASSERT_FALSE(log.statuses.empty());
    EXPECT_EQ(log.statuses.back(), "正在创建快捷方式...");
    EXPECT_TRUE(log.disabledWhileCopying) << "the window took input while files were copied";

    // The product, started with -1000 from the installed folder, and nothing
    // planted at "C:\Program.exe".
    HWND product = ExpectProductStartedFirstTime(folder);
    ASSERT_TRUE(product);
    EXPECT_FALSE(planted.Ran()) << "the launch started " << planted.CommandLine();
    // The product runs from the installed folder and notes its window there.
    char handle[32] = {};
    GetPrivateProfileStringA("传递", "窗口句柄", "", handle, sizeof handle, (folder + "\\win.lock").c_str());
    EXPECT_EQ(std::string(handle), std::to_string(static_cast<int32_t>(reinterpret_cast<intptr_t>(product))));
    EXPECT_FALSE(SaveScreen("interactive_5_product.bmp").empty());

    // The product key.
    const std::string uninstall = "\"" + folder + "\\Uninstall.exe\"";
    EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>(uninstall));
    EXPECT_EQ(ProductValue("DisplayIcon"), std::optional<std::string>(uninstall));
    EXPECT_EQ(ProductValue("DisplayName"), std::optional<std::string>("VexiloV1.1"));
    EXPECT_EQ(ProductValue("DisplayVersion"), std::optional<std::string>("V1.1"));
    EXPECT_EQ(ProductValue("Publisher"), std::optional<std::string>("TolvanePC"));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    std::optional<std::string> about = ProductValue("URLInfoAbout");
    ASSERT_TRUE(about.has_value());
    EXPECT_TRUE(about->rfind("http://" + site, 0) == 0 || about->rfind("https://" + site, 0) == 0)
        << *about << " is not the site the window shows, " << site;

    // The archive copy stays in the temp folder; every entry of it is in the
    // install folder, byte for byte.
    const std::string archive = ReadFileBytes(TempArchivePath());
    ASSERT_GT(archive.size(), 4u);
    EXPECT_EQ(archive.substr(0, 4), std::string("PK\x03\x04", 4));
    std::vector<ZipEntry> entries = CentralDirectory(archive);
    ASSERT_GE(entries.size(), 10u);
    bool hasProgram = false;
    for (const ZipEntry& e : entries) {
        const std::string path = folder + "\\" + e.name;
        hasProgram |= e.name == "Kandor.exe";
        if (e.folder) {
            DWORD attributes = GetFileAttributesA(path.c_str());
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << path;
            continue;
        }
        if (e.name == "win.lock") continue;  // the running product has rewritten it
        std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(bytes.size(), e.size) << path;
        EXPECT_EQ(Crc32(bytes), e.crc) << path;
    }
    EXPECT_TRUE(hasProgram);

    // The shortcuts: the desktop one a copy of the program's, the uninstaller's
    // with its icon first in the file and the maker's note.
    ExpectLinksTo(folder);
    ShortcutPaths links = Shortcuts();
    LinkFields uninstaller;
    ASSERT_TRUE(ReadLink(links.uninstall, &uninstaller));
    EXPECT_EQ(ReadFileBytes(links.desktop), ReadFileBytes(links.program)) << "the desktop link is a copy";
    EXPECT_EQ(uninstaller.description, "Tolvane");
    EXPECT_EQ(uninstaller.iconIndex, 0);
}

// Keys only, as a user without a mouse: the path box has the focus when the
// window opens, and Enter there installs as the install button does.
TEST_F(InteractiveInstall, KeyboardAloneInstallsFromThePathBox) {
    const std::string folder = DefaultInstallFolder();
    Process installer("\"" + InstallerPath() + "\"");
    ASSERT_TRUE(installer.started());
    HWND top = WindowReadyForKeys(installer);
    ASSERT_TRUE(top) << "no installer window with the keyboard";
    ASSERT_TRUE(Xdotool("key Return"));
    ExpectInstalledAndStarted(installer, folder);
}

// Keys only, the long way: Shift+Tab to the agreement box and Space
// unticks it; the install button (Tab, Enter) then only says why it does
// not install; Space ticks the box again and Space on the install button
// installs.
TEST_F(InteractiveInstall, KeyboardAloneUntickedAgreementThenTickedWithSpace) {
    const std::string folder = DefaultInstallFolder();
    Process installer("\"" + InstallerPath() + "\"");
    ASSERT_TRUE(installer.started());
    HWND top = WindowReadyForKeys(installer);
    ASSERT_TRUE(top) << "no installer window with the keyboard";
    RECT boxRect{448, 305, 448 + 16, 305 + 16};
    auto box = [&] { return CaptureClient(top, boxRect).pixels; };

    // Path box -> agreement link -> agreement box; the box shows the cue.
    ASSERT_TRUE(Xdotool("key shift+Tab shift+Tab"));
    Pump(300);
    const std::vector<uint32_t> ticked = box();
    ASSERT_TRUE(Xdotool("key space"));
    ASSERT_TRUE(PollUntil([&] { return box() != ticked; }, 10000)) << "Space did not untick the box";
    Sleep(300);
    const std::vector<uint32_t> unticked = box();
    EXPECT_FALSE(SaveScreen("keyboard_1_unticked.bmp").empty());

    // Box -> link -> path box -> change-path link -> install button.
    ASSERT_TRUE(Xdotool("key Tab Tab Tab Tab Return"));
    HWND message = nullptr;
    ASSERT_TRUE(PollUntil([&] { return (message = FindMessageBox("信息：", installer.id())) != nullptr; }, 15000))
        << "no message for the unticked agreement";
    EXPECT_FALSE(SaveScreen("keyboard_2_message.bmp").empty());
    ASSERT_TRUE(Xdotool("key Return"));  // OK
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(message); }, 10000));
    EXPECT_TRUE(InstallerUnits(top).ChoosingView());
    EXPECT_FALSE(ProductKeyExists());

    // The focus is back on the install button: four back to the box.
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == top; }, 10000)) << "the window has no keyboard";
    EXPECT_FALSE(SaveScreen("keyboard_3_back.bmp").empty());
    ASSERT_TRUE(Xdotool("key shift+Tab shift+Tab shift+Tab shift+Tab"));
    EXPECT_FALSE(SaveScreen("keyboard_4_box.bmp").empty());
    ASSERT_TRUE(Xdotool("key space"));
    ASSERT_TRUE(PollUntil([&] { return box() == ticked; }, 10000)) << "Space did not tick the box again";
    EXPECT_NE(box(), unticked);
    ASSERT_TRUE(Xdotool("key Tab Tab Tab Tab space"));
    ExpectInstalledAndStarted(installer, folder);
}

// A folder with a blank on another drive: D:\My.exe lies in wait for an
// unquoted launch of "D:\My Tools\Vexilo\Kandor.exe -1000".
TEST_F(InteractiveInstall, ProductIsStartedByItsQuotedPathOnly) {
    MappedDrive drive('D');
    ASSERT_TRUE(drive.Ready()) << "drive D: could not be mapped";
    PlantedProgram planted("D:\\My.exe");
    ASSERT_TRUE(planted.planted());
    const std::string folder = "D:\\My Tools\\Vexilo";

    Process installer("\"" + InstallerPath() + "\"");
    ASSERT_TRUE(installer.started());
    HWND top = WaitForInstallerWindow(installer.id(), kWindowTimeoutMs);
    ASSERT_TRUE(top) << "no installer window";
    InstallerUnits units(top);
    ASSERT_TRUE(units.AllFound());
    ASSERT_TRUE(PollUntil([&] { return !WindowText(units.edit).empty(); }, 10000));
    SendMessageA(units.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("D:\\My Tools"));
    ASSERT_EQ(WindowText(units.edit), "D:\\My Tools");
    ASSERT_TRUE(MouseAt(ScreenPoint(top, 467 + 40, 352 + 16), "click 1"));
    ASSERT_EQ(installer.Wait(kInstallTimeoutMs), std::optional<DWORD>(0));

    EXPECT_TRUE(ExpectProductStartedFirstTime(folder));
    EXPECT_FALSE(planted.Ran()) << "the launch started " << planted.CommandLine();
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    CloseProductWindows();
}

// The screen's DPI for the programs started while this object lives: the
// user's LogPixels in the prefix, put back (or removed) at the end. Every
// wine process reads it when it starts, so nothing else may run meanwhile.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi) {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = key_ &&
               RegQueryValueExA(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == ERROR_SUCCESS;
        set_ = key_ && RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) ==
                           ERROR_SUCCESS;
    }
    ~ScreenDpi() {
        if (!key_) return;
        if (had_) RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else RegDeleteValueA(key_, kValue);
        RegCloseKey(key_);
    }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;
    bool set() const { return set_; }

private:
    static constexpr char kValue[] = "LogPixels";
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false, set_ = false;
};

// At 150 % and 200 %: both windows open at their template size scaled and
// centred, the units sit at their scaled places, and clicks where the
// scaled link and buttons show open the agreement, close it and install.
// Run alone (wine.interactive_install_test.dpi): see ScreenDpi.
TEST_F(InteractiveInstall, ScaledDpiWindowsOpenScaledAndInstallFromTheScaledButton) {
    if (!std::getenv("VX_SCALED_DPI_RUN")) GTEST_SKIP() << "runs alone, as wine.interactive_install_test.dpi";
    for (int dpi : {144, 192}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        auto at = [dpi](int v) { return MulDiv(v, dpi, 96); };
        // A window of the template size (w x h) scaled and centred on the screen.
        auto expectScaledAndCentred = [&](HWND window, int w, int h) {
            RECT r;
            GetWindowRect(window, &r);
            EXPECT_EQ(r.right - r.left, at(w));
            EXPECT_EQ(r.bottom - r.top, at(h));
            EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - at(w)) / 2);
            EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - at(h)) / 2);
        };
        ScreenDpi screen{DWORD(dpi)};
        ASSERT_TRUE(screen.set());
        Process installer("\"" + InstallerPath() + "\"");
        ASSERT_TRUE(installer.started());
        HWND top = WaitForInstallerWindow(installer.id(), kWindowTimeoutMs, dpi);
        ASSERT_TRUE(top) << "no installer window of " << at(559) << " x " << at(400);
        expectScaledAndCentred(top, 559, 400);
        HWND edit = ChildAt(top, at(76), at(324), at(388), at(20), "Edit");
        ASSERT_TRUE(edit);
        EXPECT_TRUE(ChildAt(top, at(467), at(352), at(80), at(32)));  // install button
        EXPECT_TRUE(ChildAt(top, at(496), at(302), at(56), at(20)));  // agreement link
        EXPECT_TRUE(ChildAt(top, at(448), at(305), at(16), at(16)));  // agreement box
        ASSERT_TRUE(PollUntil([&] { return WindowText(edit) == "C:\\Program Files\\TolvanePC"; }, 10000));
        Sleep(300);
        EXPECT_FALSE(SaveScreen("interactive_dpi" + std::to_string(dpi) + ".bmp").empty());

        ASSERT_TRUE(MouseAt(ScreenPoint(top, at(496 + 28), at(302 + 10)), "click 1"));
        HWND agreement = WaitForWindow("协议信息", kWindowTimeoutMs, installer.id());
        ASSERT_TRUE(agreement) << "the scaled agreement link did not open the agreement";
        expectScaledAndCentred(agreement, 380, 250);
        HWND text = FindWindowExA(agreement, nullptr, "Edit", nullptr);
        ASSERT_TRUE(text);
        RECT textRect;
        GetWindowRect(text, &textRect);
        EXPECT_EQ(textRect.right - textRect.left, at(376));
        EXPECT_EQ(textRect.bottom - textRect.top, at(176));
        Sleep(300);
        EXPECT_FALSE(SaveScreen("interactive_dpi" + std::to_string(dpi) + "_agreement.bmp").empty());
        POINT agree = ScreenPoint(agreement, at(67 + 40), at(184 + 16));
        ASSERT_TRUE(MouseAt(agree, "click 1"));
        ASSERT_TRUE(PollUntil([&] { return !IsWindow(agreement); }, kWindowTimeoutMs));
        ASSERT_TRUE(PollUntil([&] { return IsWindowEnabled(top) != FALSE; }, kWindowTimeoutMs));

        HWND bar = ChildAt(top, at(72), at(344), at(472), at(20));
        HWND status = ChildAt(top, at(16), at(304), at(536), at(28));
        ASSERT_TRUE(bar && status);
        // The progress view at its scaled places, once the first file is written.
        // Watched from before the click: the few files of the test payload
        // can all be written before the click's tool has returned.
        std::atomic<bool> copying{false}, clicked{false}, stop{false};
        std::string shot;
        std::thread watch([&] {
            for (DWORD start = GetTickCount(); !stop && GetTickCount() - start < kInstallTimeoutMs; Sleep(2)) {
                if (clicked && !installer.Running()) return;
                if (!IsWindow(top) || !IsWindowVisible(bar)) continue;
                if (WindowText(status).rfind(DefaultInstallFolder() + "\\", 0) != 0) continue;
                shot = SaveScreen("interactive_dpi" + std::to_string(dpi) + "_progress.bmp");
                copying = true;
                return;
            }
        });
        const bool click = MouseAt(ScreenPoint(top, at(467 + 40), at(352 + 16)), "click 1");
        clicked = true;
        stop = !click;
        watch.join();
        ASSERT_TRUE(click);
        EXPECT_TRUE(copying) << "no progress view with a file being written";
        EXPECT_FALSE(copying && shot.empty());
        ASSERT_EQ(installer.Wait(kInstallTimeoutMs), std::optional<DWORD>(0));
        EXPECT_TRUE(WaitForWindow(kProductTitle, kWindowTimeoutMs)) << "the product did not start";
        EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(DefaultInstallFolder()));
        ExpectLinksTo(DefaultInstallFolder());
        ResetMachine();
    }
}

}  // namespace
