// Upgrades over an earlier installation laid out by the test: the running
// product is closed before any file is touched, the user's settings files are
// set aside, restored or merged exactly as the install procedure says, the
// registered folder wins over any folder argument, existing shortcuts are
// kept and missing ones come back.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/controls/gui_support.h"
#include "tests/installer/installer_support.h"
#include "tests/product/product_fixture.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::installer;
namespace product = vx::test::product;

const std::string kBase = "C:\\VexiloUpgrade";
const std::string kFolder = kBase + "\\旧版 Vexilo";   // the registered earlier installation
const std::string kElsewhere = "C:\\VexiloElsewhere";  // a folder argument upgrade mode must ignore

// The four settings files an upgrade sets aside, as the install folder holds them.
constexpr const char* kCollection = "Collection\\Collection.ini";
constexpr const char* kBoot = "boot.ini";
constexpr const char* kImageBoot = "image\\boot.ini";
constexpr const char* kLogo = "image\\logo.png";

// Their set-aside names, none of which may be left behind.
constexpr const char* kSetAsideNames[] = {"Collection\\Collections.ini", "Collection\\Collections.tmp", "boots.ini",
                                          "image\\boots.ini", "image\\logos.png"};

using IniWrite = std::array<std::string, 3>;  // section, key, value

// What an upgrade writes into boot.ini, in this order.
const std::vector<IniWrite> kFixedBootValues = {
    {"功能", "6", "原始桌面"},  {"功能", "7", "QV桌面 A"}, {"功能", "8", "QV桌面 B"},   {"功能", "9", "桌面设置"},
    {"功能", "10", "退出桌面"}, {"功能", "调节方式", "1"}, {"功能", "滤镜颜色", "255"}, {"热键", "增亮", "2"},
    {"热键", "增亮按键", "50"}, {"热键", "调暗", "2"},     {"热键", "调暗按键", "49"},
};

// The user's web list: entries 1 and 3 have texts the shipped list also has
// (3 only late in it), 2 differs from a shipped text only in case, 4 has no
// text, so 5 and 6 (shipped texts too) are never looked at.
const std::string kUserCollection =
    "[配置]\r\n个数=6\r\n"
    "[图标1]\r\n文本=https://www.qq.com/\r\n名称=我的企鹅\r\n图片=mine1.png\r\n"
    "[图标2]\r\n文本=https://WWW.TAOBAO.COM/\r\n名称=我的淘宝\r\n图片=mine2.png\r\n"
    "[图标3]\r\n文本=http://www.weather.com.cn/\r\n名称=天气\r\n图片=mine3.png\r\n"
    "[图标4]\r\n文本=\r\n名称=空的一项\r\n"
    "[图标5]\r\n文本=https://www.baidu.com/\r\n名称=度娘\r\n"
    "[图标6]\r\n文本=https://www.jd.com/\r\n名称=狗东\r\n"
    "[用户]\r\n备注=保留\r\n";
const std::string kUserBoot =
    "[配置]\r\n版本=V1.0\r\n启动显示=0\r\n[功能]\r\n调节方式=0\r\n滤镜颜色=90\r\n[热键]\r\n增亮按键=33\r\n"
    "[用户]\r\n主题=深色\r\n";
const std::string kUserLogoName = "我的标志.png";
const std::string kUserImageBoot = "[配置]\r\nlogo=" + kUserLogoName + "\r\n图标=mine.ico\r\n";

// Files of the user's that are not settings files.
const std::string kTopLevelNote = "我的笔记.txt";
const std::string kTopLevelCollections = "Collections.ini";  // a top-level name the cleaning spares
const std::string kSubfolderPicture = "image\\我的图片.png";
const std::string kOwnFolderFile = "备份\\old.txt";

std::string In(const std::string& folder, const std::string& relative) { return folder + "\\" + relative; }

std::string IniValue(const std::string& file, const std::string& section, const std::string& key) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", buffer, sizeof buffer, file.c_str());
    return buffer;
}

// The bytes an INI file of these bytes holds after these writes, each made
// with the system's own profile writer as the installer makes them.
std::string AfterWrites(const std::string& bytes, const std::vector<IniWrite>& writes) {
    static int serial = 0;
    TempDir scratch;
    std::string file = scratch / ("expected" + std::to_string(++serial) + ".ini");
    if (!WriteFileBytes(file, bytes)) return "<scratch file not written>";
    for (const IniWrite& w : writes) WritePrivateProfileStringA(w[0].c_str(), w[1].c_str(), w[2].c_str(), file.c_str());
    return ReadFileBytes(file);
}

// The name the shipped list gives to the entry with this text ("" when none).
std::string ShippedName(const std::string& shippedList, const std::string& text) {
    int count = GetPrivateProfileIntA("配置", "个数", 0, shippedList.c_str());
    for (int i = 1; i <= count; ++i) {
        std::string section = "图标" + std::to_string(i);
        if (IniValue(shippedList, section, "文本") == text) return IniValue(shippedList, section, "名称");
    }
    return "";
}

bool MakeFolders(const std::string& path) {
    int rc = SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS;
}

// Every file (with its bytes) and folder below `folder`, by relative path.
std::map<std::string, std::string> Snapshot(const std::string& folder, const std::string& relative = "") {
    std::map<std::string, std::string> found;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + relative + "\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string child = relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            found[child + "\\"] = "";
            found.merge(Snapshot(folder, child));
        } else {
            found[child] = ReadFileBytes(folder + child);
        }
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return found;
}

// A shortcut written by the shell link object, as a user or an older
// installer might have left it.
bool WriteLink(const std::string& file, const std::string& target, const std::string& description) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    link->SetPath(target.c_str());
    link->SetDescription(description.c_str());
    IPersistFile* persist = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)));
    if (ok) {
        int n = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, nullptr, 0);
        std::wstring wide(n, L'\0');
        MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), n);
        ok = SUCCEEDED(persist->Save(wide.c_str(), TRUE));
        persist->Release();
    }
    link->Release();
    return ok;
}

// A thread of another process held suspended, resumed when it goes.
class SuspendedThread {
public:
    explicit SuspendedThread(DWORD threadId) : thread_(OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId)) {
        if (thread_ && SuspendThread(thread_) == static_cast<DWORD>(-1)) Release();
    }
    ~SuspendedThread() { Resume(); }
    SuspendedThread(const SuspendedThread&) = delete;
    SuspendedThread& operator=(const SuspendedThread&) = delete;
    bool held() const { return thread_ != nullptr; }
    void Resume() {
        if (!thread_) return;
        ResumeThread(thread_);
        Release();
    }

private:
    void Release() {
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    HANDLE thread_;
};

// Which of the earlier installation's files the user no longer has.
enum class Lacking { kNothing, kCollection, kBoot, kImageBoot, kLogo, kKandor };

const char* LackingName(Lacking l) {
    switch (l) {
    case Lacking::kNothing: return "nothing";
    case Lacking::kCollection: return kCollection;
    case Lacking::kBoot: return kBoot;
    case Lacking::kImageBoot: return kImageBoot;
    case Lacking::kLogo: return kLogo;
    case Lacking::kKandor: return "Kandor.exe";
    }
    return "?";
}

// The earlier installation as the test left it before the upgrade.
struct Earlier {
    std::string folder;
    Lacking lacking = Lacking::kNothing;
    std::string kandor;  // its Kandor.exe, unlike the shipped one
    std::string logo;    // the user's own picture
};

class Upgrade : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        Clean();
        ASSERT_TRUE(MakeFolders(reference_.path()));
        entries_ = product::ExtractArchive(ExeDirectory() + "payload.zip", reference_.path());
        for (const char* name : {"Kandor.exe", "Uninstall.exe", "win.lock", kBoot, kImageBoot, kLogo, kCollection})
            ASSERT_TRUE(Exists(Shipped(name))) << "the payload lacks " << name;
    }
    void TearDown() override {
        Clean();
        CoUninitialize();
    }
    static void Clean() {
        ResetMachine();
        RemoveTree(kBase);
        RemoveTree(kElsewhere);
    }

    std::string Shipped(const std::string& relative) const { return In(reference_.path(), relative); }
    std::string ShippedBytes(const std::string& relative) const { return ReadFileBytes(Shipped(relative)); }

    // The payload unpacked into folder, then changed as a user would, and
    // registered by its RunPath alone.
    Earlier LayOut(const std::string& folder, Lacking lacking) {
        Earlier e;
        e.folder = folder;
        e.lacking = lacking;
        EXPECT_TRUE(MakeFolders(folder));
        product::ExtractArchive(ExeDirectory() + "payload.zip", folder);
        // An older build of the product: the same program with bytes of its own.
        e.kandor = ShippedBytes("Kandor.exe") + "earlier build";
        EXPECT_TRUE(WriteFileBytes(In(folder, "Kandor.exe"), e.kandor));
        e.logo = SolidPng(24, 24, 200, 40, 30);
        EXPECT_NE(e.logo, ShippedBytes(kLogo));
        EXPECT_TRUE(WriteFileBytes(In(folder, kCollection), kUserCollection));
        EXPECT_TRUE(WriteFileBytes(In(folder, kBoot), kUserBoot));
        EXPECT_TRUE(WriteFileBytes(In(folder, kImageBoot), kUserImageBoot));
        EXPECT_TRUE(WriteFileBytes(In(folder, kLogo), e.logo));
        EXPECT_TRUE(WriteFileBytes(In(folder, kTopLevelNote), "notes of the user"));
        EXPECT_TRUE(WriteFileBytes(In(folder, kTopLevelCollections), "[图标1]\r\n文本=mine\r\n"));
        EXPECT_TRUE(WriteFileBytes(In(folder, kSubfolderPicture), "a picture of the user"));
        EXPECT_TRUE(MakeFolders(In(folder, "备份")));
        EXPECT_TRUE(WriteFileBytes(In(folder, kOwnFolderFile), "kept in a folder of the user"));
        if (lacking != Lacking::kNothing) {
            EXPECT_TRUE(DeleteFileA(In(folder, LackingName(lacking)).c_str()));
        }
        WriteProductValue("RunPath", folder);
        return e;
    }

    // Every rule of the upgrade, byte for byte. With productStarted the
    // installer has started the product afterwards, which rewrote win.lock.
    void ExpectUpgraded(const Earlier& e, bool productStarted) {
        const std::string& f = e.folder;
        SCOPED_TRACE("earlier installation lacking " + std::string(LackingName(e.lacking)));

        // Everything shipped is in place as shipped, the old program included.
        const std::vector<std::string> settings = {kCollection, kBoot, kImageBoot, kLogo};
        for (const std::string& name : entries_) {
            if (GetFileAttributesA(Shipped(name).c_str()) & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (std::find(settings.begin(), settings.end(), name) != settings.end()) continue;
            if (productStarted && name == "win.lock") continue;
            ASSERT_TRUE(Exists(In(f, name))) << name;
            EXPECT_TRUE(ReadFileBytes(In(f, name)) == ShippedBytes(name)) << name << " differs from the shipped file";
        }
        for (const char* name : kSetAsideNames) EXPECT_FALSE(Exists(In(f, name))) << name << " left behind";

        // The user's web list with shipped names for the texts the shipped
        // list has, up to the first entry without a text.
        const std::string shippedList = Shipped(kCollection);
        const std::string qq = ShippedName(shippedList, "https://www.qq.com/");
        const std::string weather = ShippedName(shippedList, "http://www.weather.com.cn/");
        ASSERT_FALSE(qq.empty());
        ASSERT_FALSE(weather.empty());
        ASSERT_NE(ShippedName(shippedList, "https://www.baidu.com/"), "");
        if (e.lacking == Lacking::kCollection) {
            EXPECT_TRUE(ReadFileBytes(In(f, kCollection)) == ShippedBytes(kCollection)) << "the shipped list stays";
        } else {
            const std::string list = In(f, kCollection);
            EXPECT_EQ(IniValue(list, "图标1", "名称"), qq);
            EXPECT_EQ(IniValue(list, "图标1", "图片"), "mine1.png");
            EXPECT_EQ(IniValue(list, "图标2", "名称"), "我的淘宝");
            EXPECT_EQ(IniValue(list, "图标3", "名称"), weather);
            EXPECT_EQ(IniValue(list, "图标4", "名称"), "空的一项");
            EXPECT_EQ(IniValue(list, "图标5", "名称"), "度娘");
            EXPECT_EQ(IniValue(list, "图标6", "名称"), "狗东");
            EXPECT_EQ(IniValue(list, "配置", "个数"), "6");
            EXPECT_EQ(IniValue(list, "用户", "备注"), "保留");
            EXPECT_EQ(ReadFileBytes(list),
                      AfterWrites(kUserCollection, {{"图标1", "名称", qq}, {"图标3", "名称", weather}}));
        }

        // The extracted boot.ini with the fixed values, whatever the user had.
        EXPECT_EQ(ReadFileBytes(In(f, kBoot)), AfterWrites(ShippedBytes(kBoot), kFixedBootValues));
        EXPECT_EQ(IniValue(In(f, kBoot), "用户", "主题"), "<none>");

        // The extracted image\boot.ini with the user's logo value.
        if (e.lacking == Lacking::kImageBoot) {
            EXPECT_TRUE(ReadFileBytes(In(f, kImageBoot)) == ShippedBytes(kImageBoot)) << "the shipped file stays";
        } else {
            EXPECT_EQ(ReadFileBytes(In(f, kImageBoot)),
                      AfterWrites(ShippedBytes(kImageBoot), {{"配置", "logo", kUserLogoName}}));
        }
        EXPECT_EQ(IniValue(In(f, kImageBoot), "配置", "图标"), IniValue(Shipped(kImageBoot), "配置", "图标"));

        // The user's picture.
        EXPECT_TRUE(ReadFileBytes(In(f, kLogo)) == (e.lacking == Lacking::kLogo ? ShippedBytes(kLogo) : e.logo))
            << "image\\logo.png";

        // The top level is cleaned of the user's files; subfolders are not.
        EXPECT_FALSE(Exists(In(f, kTopLevelNote)));
        EXPECT_EQ(ReadFileBytes(In(f, kTopLevelCollections)), "[图标1]\r\n文本=mine\r\n");
        EXPECT_EQ(ReadFileBytes(In(f, kSubfolderPicture)), "a picture of the user");
        EXPECT_EQ(ReadFileBytes(In(f, kOwnFolderFile)), "kept in a folder of the user");

        ExpectRegistered(f);
        EXPECT_TRUE(ReadFileBytes(TempArchivePath()) == ReadFileBytes(ExeDirectory() + "payload.zip"))
            << "the archive written out is the payload";
    }

    // The uninstall values name the registered folder, which stays as it was.
    static void ExpectRegistered(const std::string& f) {
        EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(f));
        EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"" + f + "\\Uninstall.exe\""));
        EXPECT_EQ(ProductValue("DisplayIcon"), std::optional<std::string>("\"" + f + "\\Uninstall.exe\""));
        EXPECT_EQ(ProductValue("DisplayName"), std::optional<std::string>("VexiloV1.1"));
        EXPECT_EQ(ProductValue("DisplayVersion"), std::optional<std::string>("V1.1"));
        EXPECT_EQ(ProductValue("Publisher"), std::optional<std::string>("TolvanePC"));
        EXPECT_NE(ProductValue("URLInfoAbout").value_or(""), "");
        EXPECT_FALSE(Exists(kElsewhere)) << "the folder argument was used";
    }

    // A shortcut recreated by the upgrade: into the registered folder.
    static void ExpectInstallerLink(const std::string& file, const std::string& f, const char* program, bool icon) {
        LinkFields link;
        ASSERT_TRUE(ReadLink(file, &link)) << file;
        EXPECT_EQ(link.target, f + "\\" + program);
        EXPECT_EQ(link.description, "Tolvane");
        EXPECT_EQ(link.workingFolder, f);
        if (icon) {
            EXPECT_EQ(link.iconPath, f + "\\image\\Uninstall.ico");
            EXPECT_EQ(link.iconIndex, 0);
        }
    }

    TempDir reference_;                 // the payload as minizip unpacks it
    std::vector<std::string> entries_;  // its entries, relative
};

// The product started from the folder, once its window is up and named in
// the lock file.
struct RunningProduct {
    Process process;
    HWND window = nullptr;
};

RunningProduct StartProduct(const std::string& folder) {
    RunningProduct p;
    p.process = Process("\"" + folder + "\\Kandor.exe\"", folder);
    if (!p.process.started()) return p;
    p.window = WaitForWindow(kProductTitle, 20000, p.process.id());
    if (!p.window) return p;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(50))
        if (product::LockedHandle(folder) == reinterpret_cast<uintptr_t>(p.window)) return p;
    p.window = nullptr;
    return p;
}

TEST_F(Upgrade, SilentUpgradeWaitsForTheProductAndKeepsTheUsersSettingsInTheRegisteredFolder) {
    Earlier e = LayOut(kFolder, Lacking::kNothing);

    // The user's own program shortcut; the desktop and uninstall ones are gone.
    ShortcutPaths links = Shortcuts();
    ASSERT_TRUE(MakeFolders(links.menuFolder));
    ASSERT_TRUE(WriteLink(links.program, kFolder + "\\Kandor.exe", "我的 Vexilo"));
    const std::string ownLink = ReadFileBytes(links.program);
    ASSERT_FALSE(ownLink.empty());
    ASSERT_FALSE(Exists(links.desktop));
    ASSERT_FALSE(Exists(links.uninstall));

    RunningProduct running = StartProduct(kFolder);
    ASSERT_NE(running.window, nullptr) << "the earlier product did not come up";
    std::optional<DWORD> installerExit;
    {
        // While the product cannot answer, the installer must not touch the
        // earlier installation.
        SuspendedThread frozen(GetWindowThreadProcessId(running.window, nullptr));
        ASSERT_TRUE(frozen.held());
        Process installer("\"" + InstallerPath() + "\" -1 \"" + kElsewhere + "\"");
        ASSERT_TRUE(installer.started());
        Sleep(3000);
        EXPECT_TRUE(installer.Running()) << "the installer did not wait for the product";
        EXPECT_TRUE(ReadFileBytes(In(kFolder, "Kandor.exe")) == e.kandor) << "the program was replaced while running";
        EXPECT_TRUE(Exists(In(kFolder, kTopLevelNote)));
        EXPECT_EQ(ReadFileBytes(In(kFolder, kBoot)), kUserBoot);
        EXPECT_FALSE(Exists(In(kFolder, "boots.ini")));
        frozen.Resume();
        installerExit = installer.Wait(120000);
    }
    ASSERT_EQ(installerExit, std::optional<DWORD>(0));
    // The product ended by itself (its message loop's exit code), on WM_CLOSE.
    EXPECT_EQ(running.process.Wait(5000), std::optional<DWORD>(0));
    EXPECT_FALSE(IsWindow(running.window));
    EXPECT_TRUE(WindowsTitled(kProductTitle).empty()) << "a silent upgrade does not start the product";

    ExpectUpgraded(e, false);

    // Shortcuts: the user's stays as it was, the missing ones come back.
    EXPECT_TRUE(ReadFileBytes(links.program) == ownLink) << "the existing program shortcut was rewritten";
    EXPECT_TRUE(ReadFileBytes(links.desktop) == ownLink) << "the desktop shortcut is a copy of the program shortcut";
    ExpectInstallerLink(links.uninstall, kFolder, "Uninstall.exe", true);
}

TEST_F(Upgrade, AProductThatDoesNotAnswerEndsTheUpgradeWithTheUsersSettingsInPlace) {
    Earlier e = LayOut(kFolder, Lacking::kNothing);
    RunningProduct running = StartProduct(kFolder);
    ASSERT_NE(running.window, nullptr) << "the earlier product did not come up";
    const auto before = Snapshot(kFolder);  // win.lock names the running window
    SuspendedThread frozen(GetWindowThreadProcessId(running.window, nullptr));
    ASSERT_TRUE(frozen.held());

    // The installer neither hangs on the silent product nor replaces the
    // program that is still running: it gives up after its bounded wait.
    const DWORD start = GetTickCount();
    std::optional<DWORD> exit = RunInstaller("-1 \"" + kElsewhere + "\"", 60000);
    ASSERT_TRUE(exit.has_value()) << "the installer hangs on a product that does not answer";
    EXPECT_NE(*exit, 0u) << "a failed upgrade reported as success";
    EXPECT_GE(GetTickCount() - start, 9000u) << "the product was not given its time to close";
    EXPECT_TRUE(running.process.Running());

    // The user's settings files are where they were, as they were.
    EXPECT_EQ(ReadFileBytes(In(kFolder, kCollection)), kUserCollection);
    EXPECT_EQ(ReadFileBytes(In(kFolder, kBoot)), kUserBoot);
    EXPECT_EQ(ReadFileBytes(In(kFolder, kImageBoot)), kUserImageBoot);
    EXPECT_TRUE(ReadFileBytes(In(kFolder, kLogo)) == e.logo);
    for (const char* name : kSetAsideNames) EXPECT_FALSE(Exists(In(kFolder, name))) << name << " left behind";
    EXPECT_TRUE(ReadFileBytes(In(kFolder, "Kandor.exe")) == e.kandor);
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(kFolder));
    EXPECT_EQ(ProductValue("UninstallString"), std::nullopt) << "an unfinished upgrade was registered";
    EXPECT_FALSE(Exists(Shortcuts().program)) << "an unfinished upgrade was linked";
    EXPECT_TRUE(Snapshot(kFolder) == before) << "the earlier installation was changed";

    // Once it answers again, the close request is there.
    frozen.Resume();
    EXPECT_EQ(running.process.Wait(10000), std::optional<DWORD>(0));
}

TEST_F(Upgrade, AnEarlierInstallationLackingASettingsFileOrTheProgramStillUpgrades) {
    for (Lacking lacking :
         {Lacking::kCollection, Lacking::kBoot, Lacking::kImageBoot, Lacking::kLogo, Lacking::kKandor}) {
        Clean();
        Earlier e = LayOut(kFolder, lacking);
        ASSERT_EQ(RunInstaller("-1 \"" + kElsewhere + "\""), std::optional<DWORD>(0)) << LackingName(lacking);
        ExpectUpgraded(e, false);
        // With no shortcuts at all, every one is made into the registered folder.
        ShortcutPaths links = Shortcuts();
        ExpectInstallerLink(links.program, kFolder, "Kandor.exe", false);
        ExpectInstallerLink(links.uninstall, kFolder, "Uninstall.exe", true);
        EXPECT_TRUE(ReadFileBytes(links.desktop) == ReadFileBytes(links.program));
    }
}

TEST_F(Upgrade, ARegisteredFolderWithoutTheProductKeepsTheFilesFoundThere) {
    // RunPath names a folder of someone's own files (the product gone, the
    // key left): the payload goes in, nothing found there is deleted.
    const std::string f = kBase + "\\文档";
    ASSERT_TRUE(MakeFolders(f + "\\资料"));
    const std::vector<std::pair<std::string, std::string>> own = {
        {"报告.doc", "a report"}, {"notes.txt", "notes"}, {"setup.log", "a log"}, {"资料\\data.bin", "data"}};
    for (const auto& [name, bytes] : own) ASSERT_TRUE(WriteFileBytes(In(f, name), bytes));
    WriteProductValue("RunPath", f);

    ASSERT_EQ(RunInstaller("-1 \"" + kElsewhere + "\""), std::optional<DWORD>(0));

    for (const auto& [name, bytes] : own) EXPECT_EQ(ReadFileBytes(In(f, name)), bytes) << name;
    for (const std::string& name : {std::string("Kandor.exe"), std::string("Uninstall.exe"), std::string("win.lock"),
                                    std::string(kImageBoot), std::string(kLogo), std::string(kCollection)})
        EXPECT_TRUE(ReadFileBytes(In(f, name)) == ShippedBytes(name)) << name;
    EXPECT_EQ(ReadFileBytes(In(f, kBoot)), AfterWrites(ShippedBytes(kBoot), kFixedBootValues));
    for (const char* name : kSetAsideNames) EXPECT_FALSE(Exists(In(f, name))) << name;
    ExpectRegistered(f);
}

// Checks that fail before the first file is touched: the archive cannot be
// written (another process holds it), the drive has no room. Each ends with
// 3 and leaves the earlier installation as it was, still uninstallable.
TEST_F(Upgrade, AnUpgradeThatCannotFinishLeavesTheEarlierInstallationAsItWas) {
    {
        SCOPED_TRACE("archive held by another process");
        LayOut(kFolder, Lacking::kNothing);
        WriteProductValue("UninstallString", "\"" + kFolder + "\\Uninstall.exe\"");
        const auto before = Snapshot(kFolder);
        ASSERT_TRUE(WriteFileBytes(TempArchivePath(), "held by someone else"));
        HANDLE held = CreateFileA(TempArchivePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::optional<DWORD> exit = RunInstaller("-1");
        CloseHandle(held);
        EXPECT_EQ(exit, std::optional<DWORD>(3));
        EXPECT_TRUE(Snapshot(kFolder) == before) << "the earlier installation was changed";
        EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"" + kFolder + "\\Uninstall.exe\""));
    }
    {
        SCOPED_TRACE("a drive without room for the payload");
        Clean();
        MappedDrive small('E', 256 * 1024);
        if (!small.Ready()) GTEST_SKIP() << "a small tmpfs could not be mounted as E: (tests must run as root)";
        // A small earlier installation that fits where the payload does not.
        const std::string f = "E:\\Vexilo";
        ASSERT_TRUE(MakeFolders(f + "\\image"));
        ASSERT_TRUE(MakeFolders(f + "\\Collection"));
        for (const auto& [name, bytes] :
             std::vector<std::pair<std::string, std::string>>{{"Kandor.exe", "an earlier Kandor"},
                                                              {"Uninstall.exe", "an earlier uninstaller"},
                                                              {kBoot, kUserBoot},
                                                              {kImageBoot, kUserImageBoot},
                                                              {kCollection, kUserCollection},
                                                              {kLogo, SolidPng(8, 8, 1, 2, 3)}})
            ASSERT_TRUE(WriteFileBytes(In(f, name), bytes)) << name;
        WriteProductValue("RunPath", f);
        WriteProductValue("UninstallString", "\"" + f + "\\Uninstall.exe\"");
        const auto before = Snapshot(f);
        EXPECT_EQ(RunInstaller("-1"), std::optional<DWORD>(3));
        EXPECT_TRUE(Snapshot(f) == before) << "the earlier installation was changed";
        EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"" + f + "\\Uninstall.exe\""));
        EXPECT_FALSE(Exists(Shortcuts().program)) << "an unfinished upgrade was linked";
    }
}

// An upgrade killed at any moment (a crash, a power cut) is completed by the
// next run, with the user's settings carried over as a whole upgrade would
// and no set-aside file left behind.
TEST_F(Upgrade, AnUpgradeCutShortAnywhereIsCompletedByTheNextRun) {
    Earlier e = LayOut(kFolder, Lacking::kNothing);
    DWORD start = GetTickCount();
    ASSERT_EQ(RunInstaller("-1"), std::optional<DWORD>(0));
    DWORD whole = GetTickCount() - start;  // the shortest whole run seen so far
    ExpectUpgraded(e, false);

    constexpr int kMoments = 24;
    int cut = 0;
    for (int i = 1; i <= kMoments; ++i) {
        const DWORD moment = whole * i / (kMoments + 1);
        SCOPED_TRACE("cut after " + std::to_string(moment) + " of " + std::to_string(whole) + " ms");
        Clean();
        e = LayOut(kFolder, Lacking::kNothing);
        {
            Process installer("\"" + InstallerPath() + "\" -1");
            ASSERT_TRUE(installer.started()) << "error " << GetLastError();
            Sleep(moment);
            if (installer.Running() && TerminateProcess(installer.handle(), 255)) ++cut;
            installer.Wait(10000);
        }
        start = GetTickCount();
        ASSERT_EQ(RunInstaller("-1"), std::optional<DWORD>(0));
        whole = std::min(whole, GetTickCount() - start);
        ExpectUpgraded(e, false);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(cut, 20) << "too few runs were cut short";
}

// An installation that a 32-bit installer registered (in the 32-bit registry
// view) is upgraded where it is, and stays registered once, natively.
TEST_F(Upgrade, AnInstallationRegisteredIn32BitViewIsUpgradedInPlace) {
    Earlier e = LayOut(kFolder, Lacking::kNothing);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    WriteProductValue("RunPath", kFolder, KEY_WOW64_32KEY);
    WriteProductValue("DisplayName", "VexiloV1.0", KEY_WOW64_32KEY);
    ASSERT_EQ(ProductValue("RunPath", KEY_WOW64_32KEY), std::optional<std::string>(kFolder));
    ASSERT_FALSE(ProductKeyExists());

    ASSERT_EQ(RunInstaller("-1 \"" + kElsewhere + "\""), std::optional<DWORD>(0));
    ExpectUpgraded(e, false);
    EXPECT_FALSE(Exists(DefaultInstallFolder()));
    EXPECT_FALSE(ProductKeyExists(KEY_WOW64_32KEY)) << "the 32-bit registration stays beside the native one";
}

// The installer's window: the one visible top-level window of its process
// with the window's size.
HWND InstallerWindow(DWORD processId, DWORD timeoutMs) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Pump(100)) {
        EnumWindows(
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                RECT r;
                if (owner == s->processId && IsWindowVisible(hwnd) && GetWindowRect(hwnd, &r) &&
                    r.right - r.left == 559 && r.bottom - r.top == 400) {
                    s->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
    }
    return nullptr;
}

std::string ImagePath(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return "";
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process, 0, path, &size)) path[0] = 0;
    CloseHandle(process);
    return path;
}

// A child window of top showing this text, or nullptr.
HWND ChildWithText(HWND top, const std::string& text) {
    struct Search {
        const std::string* text;
        HWND found;
    } search{&text, nullptr};
    EnumChildWindows(
        top,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            char buffer[512] = {};
            GetWindowTextA(hwnd, buffer, sizeof buffer);
            if (*s->text == buffer) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(Upgrade, ClickedUpgradeClosesTheRunningProductThenStartsTheNewOne) {
    Earlier e = LayOut(kFolder, Lacking::kNothing);
    // The user's own desktop shortcut; the start-menu ones are gone.
    ShortcutPaths links = Shortcuts();
    ASSERT_TRUE(WriteLink(links.desktop, kFolder + "\\Kandor.exe", "桌面上的 Vexilo"));
    const std::string ownLink = ReadFileBytes(links.desktop);
    ASSERT_FALSE(ownLink.empty());

    RunningProduct running = StartProduct(kFolder);
    ASSERT_NE(running.window, nullptr) << "the earlier product did not come up";
    // Out of the way of the installer window, which is centred on the screen.
    SetWindowPos(running.window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    Process installer("\"" + InstallerPath() + "\"");
    ASSERT_TRUE(installer.started());
    HWND window = InstallerWindow(installer.id(), 20000);
    ASSERT_NE(window, nullptr) << "no installer window";
    Pump(500);
    SaveScreen("upgrade_clicked_before.bmp");
    EXPECT_EQ(IniValue(In(kFolder, kBoot), "用户", "主题"), "深色") << "nothing happens before the click";

    POINT install{467 + 40, 352 + 16};  // the middle of the 80 x 32 install button
    ClientToScreen(window, &install);
    ASSERT_TRUE(MouseAt(install, "click 1"));
    SaveScreen("upgrade_clicked_installing.bmp");
    ASSERT_EQ(installer.Wait(60000), std::optional<DWORD>(0));
    EXPECT_EQ(running.process.Wait(5000), std::optional<DWORD>(0)) << "the earlier product did not end on WM_CLOSE";
    EXPECT_FALSE(IsWindow(running.window));

    // The new product, started from the registered folder for its first run.
    HWND started = WaitForWindow(kProductTitle, 20000);
    ASSERT_NE(started, nullptr) << "the upgraded product was not started";
    DWORD startedId = 0;
    GetWindowThreadProcessId(started, &startedId);
    EXPECT_NE(startedId, running.process.id());
    EXPECT_EQ(ImagePath(startedId), kFolder + "\\Kandor.exe");
    EXPECT_NE(ChildWithText(started, "安装完成：欢迎首次使用 Vexilo V1.1！"), nullptr) << "not started with -1000";
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(50))
        if (product::LockedHandle(kFolder) == reinterpret_cast<uintptr_t>(started)) break;
    EXPECT_EQ(product::LockedHandle(kFolder), reinterpret_cast<uintptr_t>(started));
    Pump(300);
    SaveScreen("upgrade_clicked_after.bmp");

    ExpectUpgraded(e, true);
    EXPECT_TRUE(ReadFileBytes(links.desktop) == ownLink) << "the existing desktop shortcut was replaced";
    ExpectInstallerLink(links.program, kFolder, "Kandor.exe", false);
    ExpectInstallerLink(links.uninstall, kFolder, "Uninstall.exe", true);
}

}  // namespace
