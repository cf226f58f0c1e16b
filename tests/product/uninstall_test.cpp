// Uninstall.exe against an installation laid out by hand: the payload
// extracted, the uninstall key and the three shortcuts. Afterwards what the
// installation put there is gone and everything else is still there.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <aclapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/product/product_fixture.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::product;

constexpr char kProductKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\qvtlpc_kandor";
constexpr char kOtherKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\qvtlpc_vxtest_other";
constexpr char kCaption[] = "Vexilo 卸载";

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
    return path;
}

bool KeyExists(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void WriteKey(const char* path, const std::vector<std::pair<std::string, std::string>>& values) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, value] : values)
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

bool WriteShortcut(const std::string& link, const std::string& target, const std::string& folder) {
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return false;
    shellLink->SetPath(target.c_str());
    shellLink->SetWorkingDirectory(folder.c_str());
    shellLink->SetDescription("Tolvane");
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    if (ok) {
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        ok = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    shellLink->Release();
    return ok;
}

bool WaitUntilGone(const std::string& path, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if (!Exists(path)) return true;
        Sleep(100);
    }
    return !Exists(path);
}

// A message box of that process whose text holds `part`, within 20 s.
HWND WaitForBox(DWORD processId, const std::string& part) {
    for (DWORD waited = 0; waited < 20000; waited += 50) {
        HWND box = FindMessageBox(kCaption, processId);
        if (box && MessageBoxText(box).find(part) != std::string::npos) return box;
        Sleep(50);
    }
    return nullptr;
}

// A process that `parent` started, opened for waiting, with its exe's path.
HANDLE ChildProcess(DWORD parent, std::string* image) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    HANDLE child = nullptr;
    for (BOOL more = Process32First(snapshot, &entry); more && !child; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent)
            child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    CloseHandle(snapshot);
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    if (child && QueryFullProcessImageNameA(child, 0, path, &size)) *image = std::string(path, size);
    return child;
}

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "?";
    std::string result(text);
    LocalFree(text);
    return result;
}

std::string OwnUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    BYTE buffer[256];
    DWORD size = 0;
    bool ok = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    return ok ? SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) : std::string();
}

// Who a folder's DACL lets in: "protected" when it inherits nothing, and an
// entry per ACE ("allow <SID>", or the ACE type of any other).
std::vector<std::string> FolderAccess(const std::string& folder) {
    std::vector<std::string> entries;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return entries;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED))
        entries.push_back("protected");
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE)
            entries.push_back("allow " + SidText(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart));
        else entries.push_back("type " + std::to_string(header->AceType));
    }
    LocalFree(descriptor);
    return entries;
}

class UninstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        programs_ = SpecialFolder(CSIDL_PROGRAMS);
        desktop_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
        ASSERT_FALSE(programs_.empty());
        ASSERT_FALSE(desktop_.empty());
        base_ = root_ / "TolvanePC";
        install_ = base_ + "\\Vexilo";
        ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(install_.c_str(), nullptr));
        entries_ = ExtractArchive(ExeDirectory() + "payload.zip", install_);
        ASSERT_GT(entries_.size(), 20u);
        ASSERT_TRUE(Exists(install_ + "\\Uninstall.exe"));
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOtherKey);
        RemoveTree(programs_ + "\\TolvanePC");
        DeleteFileA((desktop_ + "\\Vexilo.lnk").c_str());
        CoUninitialize();
    }

    // The registration and shortcuts the installer writes for install_.
    void Register(const std::string& runPath) {
        std::string quoted = "\"" + install_ + "\\Uninstall.exe\"";
        WriteKey(kProductKey, {{"UninstallString", quoted},
                               {"DisplayIcon", quoted},
                               {"DisplayName", "VexiloV1.1"},
                               {"DisplayVersion", "V1.1"},
                               {"Publisher", "TolvanePC"},
                               {"RunPath", runPath}});
        CreateDirectoryA((programs_ + "\\TolvanePC").c_str(), nullptr);
        CreateDirectoryA((programs_ + "\\TolvanePC\\Vexilo").c_str(), nullptr);
        ASSERT_TRUE(WriteShortcut(programs_ + "\\TolvanePC\\Vexilo\\Vexilo.lnk", install_ + "\\Kandor.exe", install_));
        ASSERT_TRUE(WriteShortcut(programs_ + "\\TolvanePC\\Vexilo\\卸载.lnk", install_ + "\\Uninstall.exe", install_));
        ASSERT_TRUE(CopyFileA((programs_ + "\\TolvanePC\\Vexilo\\Vexilo.lnk").c_str(),
                              (desktop_ + "\\Vexilo.lnk").c_str(), FALSE));
    }
    ProcessResult Uninstall(const std::string& arguments, int answer = IDOK) {
        ProcessOptions options;
        options.boxCaption = kCaption;
        options.boxButton = answer;
        return RunProcess("\"" + install_ + "\\Uninstall.exe\"" + arguments, options);
    }
    std::vector<std::string> PayloadLeft() const {
        std::vector<std::string> left;
        for (const std::string& e : entries_)
            if (Exists(install_ + "\\" + e)) left.push_back(e);
        return left;
    }
    bool ShortcutsLeft() const {
        return Exists(programs_ + "\\TolvanePC\\Vexilo\\Vexilo.lnk") ||
               Exists(programs_ + "\\TolvanePC\\Vexilo\\卸载.lnk") || Exists(desktop_ + "\\Vexilo.lnk");
    }

    TempDir root_;
    std::string base_, install_, programs_, desktop_;
    std::vector<std::string> entries_;
};

TEST_F(UninstallTest, SilentRemovalLeavesNothingOfTheInstallationAndKeepsTheRest) {
    Register(install_);
    WriteKey(kOtherKey, {{"DisplayName", "other"}});
    ASSERT_TRUE(WriteFileBytes(root_ / "keep.txt", "not ours"));
    ASSERT_TRUE(WriteFileBytes(desktop_ + "\\vxtest-keep.txt", "not ours"));
    // Left over by an interrupted upgrade: the installer's own files.
    ASSERT_TRUE(WriteFileBytes(install_ + "\\boots.ini", "[x]\r\n"));
    ASSERT_TRUE(WriteFileBytes(install_ + "\\Collection\\Collections.ini", "[x]\r\n"));
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string archive = std::string(temp) + "qvzip.zip";
    ASSERT_TRUE(WriteFileBytes(archive, "PK"));

    ProcessResult r = Uninstall(" /S");
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(r.boxTexts.empty()) << r.boxTexts.front();
    // The uninstaller's own file and the folder go once its process ended.
    EXPECT_TRUE(WaitUntilGone(install_, 20000)) << "install folder still there";
    EXPECT_FALSE(Exists(base_)) << "the emptied base folder TolvanePC stays";
    EXPECT_FALSE(ShortcutsLeft());
    EXPECT_FALSE(Exists(programs_ + "\\TolvanePC"));
    EXPECT_FALSE(KeyExists(kProductKey));
    EXPECT_FALSE(Exists(archive)) << "the installer's archive copy stays in the temp folder";

    EXPECT_TRUE(KeyExists(kOtherKey));
    EXPECT_EQ(ReadFileBytes(root_ / "keep.txt"), "not ours");
    EXPECT_TRUE(Exists(desktop_ + "\\vxtest-keep.txt"));
    DeleteFileA((desktop_ + "\\vxtest-keep.txt").c_str());
}

// The copy that finishes the removal runs from a fresh folder of its own in
// the temporary folder (nothing planted beside it can be loaded) that only
// SYSTEM, the Administrators and this user may open, and that folder is gone
// when the copy has ended.
TEST_F(UninstallTest, CopyRunsFromAPrivateFolderOfItsOwnThatGoesAfterwards) {
    Register(install_);
    Started original = StartProgram("\"" + install_ + "\\Uninstall.exe\"");
    ASSERT_NE(original.process, nullptr);
    HWND question = WaitForBox(original.processId, "删除 Vexilo");
    ASSERT_TRUE(question);
    PressButton(question, IDOK);
    // While the result is shown, the copy waits for the original to end.
    HWND result = WaitForBox(original.processId, "成功");
    ASSERT_TRUE(result);
    std::string image;
    HANDLE copy = ChildProcess(original.processId, &image);
    ASSERT_TRUE(copy) << "no copy running";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = image.substr(0, image.rfind('\\'));
    const std::string parent = folder.substr(0, folder.rfind('\\') + 1);
    EXPECT_EQ(lstrcmpiA(parent.c_str(), temp), 0) << image << " does not run from a folder of its own in " << temp;
    EXPECT_EQ(image.substr(folder.size()), "\\Uninstall.exe");
    // Nobody else is let in. (wine keeps no security descriptor of a file but
    // turns its DACL into the unix mode and back: the protection and the
    // Administrators' entry do not come back there; an entry for anyone else,
    // Everyone for a world-readable folder, would.)
    const std::string user = OwnUserSid();
    ASSERT_FALSE(user.empty());
    const std::vector<std::string> allowed = {"protected", "allow S-1-5-18", "allow S-1-5-32-544", "allow " + user};
    std::vector<std::string> access = FolderAccess(folder);
    EXPECT_TRUE(std::count(access.begin(), access.end(), "allow " + user)) << folder << ": not this user's";
    for (const std::string& entry : access)
        EXPECT_TRUE(std::count(allowed.begin(), allowed.end(), entry)) << folder << " lets in: " << entry;

    PressButton(result, IDOK);
    EXPECT_EQ(WaitForSingleObject(original.process, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(copy, 30000), WAIT_OBJECT_0);
    CloseHandle(copy);
    CloseHandle(original.process);
    EXPECT_FALSE(Exists(folder)) << "the copy's folder stays";
    EXPECT_TRUE(WaitUntilGone(install_, 20000));
    EXPECT_FALSE(KeyExists(kProductKey));
}

TEST_F(UninstallTest, UserFilesAndTheirFoldersStay) {
    Register(install_);
    ASSERT_TRUE(WriteFileBytes(install_ + "\\notes.txt", "mine"));
    ASSERT_TRUE(WriteFileBytes(install_ + "\\image\\mine.png", "mine"));
    ASSERT_TRUE(CreateDirectoryA((programs_ + "\\TolvanePC\\Other").c_str(), nullptr));

    ProcessResult r = Uninstall(" /s");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(WaitUntilGone(install_ + "\\Uninstall.exe", 20000));
    EXPECT_EQ(PayloadLeft(), (std::vector<std::string>{"image"}));
    EXPECT_EQ(ReadFileBytes(install_ + "\\notes.txt"), "mine");
    EXPECT_EQ(ReadFileBytes(install_ + "\\image\\mine.png"), "mine");
    EXPECT_FALSE(ShortcutsLeft());
    EXPECT_FALSE(Exists(programs_ + "\\TolvanePC\\Vexilo"));
    EXPECT_TRUE(Exists(programs_ + "\\TolvanePC\\Other"));
    EXPECT_FALSE(KeyExists(kProductKey));
}

TEST_F(UninstallTest, RunningProductIsAskedToCloseAndEndsBeforeItsFilesGo) {
    Register(install_);
    Started product = StartProgram("\"" + install_ + "\\Kandor.exe\"");
    ASSERT_NE(product.process, nullptr);
    HWND window = WaitForLockedWindow(install_, 15000);
    ASSERT_NE(window, nullptr);

    ProcessResult r = Uninstall(" /S");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(WaitForSingleObject(product.process, 0), WAIT_OBJECT_0) << "product still running";
    DWORD code = 1;
    GetExitCodeProcess(product.process, &code);
    EXPECT_EQ(code, 0u) << "the product did not end through WM_CLOSE";
    if (WaitForSingleObject(product.process, 0) != WAIT_OBJECT_0) TerminateProcess(product.process, 1);
    CloseHandle(product.process);
    EXPECT_FALSE(Exists(install_ + "\\Kandor.exe"));
    EXPECT_FALSE(Exists(install_ + "\\win.lock"));
    EXPECT_TRUE(WaitUntilGone(install_, 20000));
}

TEST_F(UninstallTest, ConfirmationCancelledChangesNothingAndAcceptedRemoves) {
    Register(install_);
    ProcessResult cancelled = Uninstall("", IDCANCEL);
    EXPECT_EQ(cancelled.exitCode, 1u);
    ASSERT_EQ(cancelled.boxTexts.size(), 1u);
    EXPECT_NE(cancelled.boxTexts[0].find("删除 Vexilo"), std::string::npos) << cancelled.boxTexts[0];
    EXPECT_EQ(PayloadLeft(), entries_);
    EXPECT_TRUE(KeyExists(kProductKey));
    EXPECT_TRUE(Exists(desktop_ + "\\Vexilo.lnk"));

    ProcessResult accepted = Uninstall("", IDOK);
    EXPECT_EQ(accepted.exitCode, 0u);
    // The question, then the result (a box still closing may be seen twice).
    std::vector<std::string> boxes = accepted.boxTexts;
    boxes.erase(std::unique(boxes.begin(), boxes.end()), boxes.end());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[0].find("删除 Vexilo"), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[1].find("成功"), std::string::npos) << boxes[1];
    EXPECT_TRUE(WaitUntilGone(install_, 20000));
    EXPECT_FALSE(KeyExists(kProductKey));
    EXPECT_FALSE(ShortcutsLeft());
}

TEST_F(UninstallTest, AnotherRegisteredInstallationKeepsItsKeyAndShortcuts) {
    std::string elsewhere = root_ / "elsewhere";
    Register(elsewhere);
    ProcessResult r = Uninstall(" /S");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(WaitUntilGone(install_, 20000));
    EXPECT_TRUE(KeyExists(kProductKey));
    EXPECT_TRUE(Exists(desktop_ + "\\Vexilo.lnk"));
    EXPECT_TRUE(Exists(programs_ + "\\TolvanePC\\Vexilo\\卸载.lnk"));
}

TEST_F(UninstallTest, FolderWithoutAnInstallationIsLeftAlone) {
    DeleteFileA((install_ + "\\Kandor.exe").c_str());
    ProcessResult r = Uninstall(" /S");
    EXPECT_EQ(r.exitCode, 2u);
    std::vector<std::string> expected;
    for (const std::string& e : entries_)
        if (e != "Kandor.exe") expected.push_back(e);
    EXPECT_EQ(PayloadLeft(), expected);
}

}  // namespace
