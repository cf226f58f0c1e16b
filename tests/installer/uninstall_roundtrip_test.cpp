// Install, then uninstall with the installed Uninstall.exe: the machine is
// back to what it was before (files, shortcuts, registry).
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/installer/installer_test.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::installer;

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kUninstallCaption[] = "Vexilo 卸载";
// The uninstaller's copy of itself that finishes the removal runs from a
// folder of its own; at its end it moves its exe out (a running exe cannot be
// deleted) and removes the folder, and the next copy sweeps the exe away.
constexpr char kUninstallCopyPrefix[] = "VexiloUninstall-";

bool IsUninstallCopy(const std::string& name) { return name.rfind(kUninstallCopyPrefix, 0) == 0; }

// Every file and folder below `root`, as relative paths (folders end in
// "\"), with each file's size; sorted.
void ListTree(const std::string& root, const std::string& relative, std::vector<std::string>* out) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((root + "\\" + relative + "*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out->push_back(relative + name + "\\");
            ListTree(root, relative + name + "\\", out);
        } else {
            out->push_back(relative + name + " " + std::to_string(data.nFileSizeLow));
        }
    } while (FindNextFileA(h, &data));
    FindClose(h);
}

std::vector<std::string> Tree(const std::string& root) {
    std::vector<std::string> entries;
    ListTree(root, "", &entries);
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::string> Subkeys(HKEY root, const char* path) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
}

std::string TempFolder() {
    char temp[MAX_PATH] = {};
    DWORD n = GetTempPathA(MAX_PATH, temp);
    std::string path(temp, n);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// What an installation touches.
struct MachineState {
    bool productKey = false;
    std::vector<std::string> uninstallKeys;
    std::vector<std::string> programs;  // start menu
    std::vector<std::string> desktop;
    std::vector<std::string> programFiles;
    std::vector<std::string> temp;  // without the uninstaller's finished copies

    static MachineState Now() {
        MachineState s;
        s.productKey = ProductKeyExists();
        s.uninstallKeys = Subkeys(HKEY_LOCAL_MACHINE, kUninstallKey);
        s.programs = Tree(SpecialFolder(CSIDL_PROGRAMS));
        s.desktop = Tree(SpecialFolder(CSIDL_DESKTOPDIRECTORY));
        s.programFiles = Tree("C:\\Program Files");
        for (std::string& entry : Tree(TempFolder()))
            if (!IsUninstallCopy(entry)) s.temp.push_back(entry);
        return s;
    }
    bool operator==(const MachineState&) const = default;
};

void ExpectSameState(const MachineState& now, const MachineState& before) {
    EXPECT_EQ(now.productKey, before.productKey);
    EXPECT_EQ(now.uninstallKeys, before.uninstallKeys);
    EXPECT_EQ(now.programs, before.programs);
    EXPECT_EQ(now.desktop, before.desktop);
    EXPECT_EQ(now.programFiles, before.programFiles);
    EXPECT_EQ(now.temp, before.temp);
}

// The copy runs as Uninstall.exe, once the original has ended.
bool UninstallCopyRunning() {
    return ProcessRunning([](const char* exe) { return lstrcmpiA(exe, "Uninstall.exe") == 0; });
}

// The removal finishes in the background: back to `before` within 20 s, and
// the copy doing it has ended.
void ExpectBackTo(const MachineState& before) {
    MachineState now;
    for (DWORD start = GetTickCount();; Sleep(100)) {
        now = MachineState::Now();
        if (now == before && !UninstallCopyRunning()) break;
        if (GetTickCount() - start > 20000) break;
    }
    ExpectSameState(now, before);
    EXPECT_FALSE(UninstallCopyRunning());
    for (const std::string& entry : Tree(TempFolder()))
        EXPECT_FALSE(IsUninstallCopy(entry) && entry.find('\\') != std::string::npos)
            << "a copy's folder stays: " << entry;
}

class UninstallRoundTrip : public InstallerTest {
protected:
    // A silent install into the default folder, checked to have changed the
    // machine in every place the snapshot looks at.
    void Install(const MachineState& before) {
        ASSERT_EQ(RunInstaller("-1 \"C:\\Program Files\\TolvanePC\""), std::optional<DWORD>(0));
        MachineState installed = MachineState::Now();
        ASSERT_TRUE(installed.productKey);
        EXPECT_NE(installed.uninstallKeys, before.uninstallKeys);
        EXPECT_NE(installed.programs, before.programs);
        EXPECT_NE(installed.desktop, before.desktop);
        EXPECT_NE(installed.programFiles, before.programFiles);
        EXPECT_NE(installed.temp, before.temp);  // the installer's archive copy
    }
};

TEST_F(UninstallRoundTrip, SilentUninstallPutsTheMachineBack) {
    const MachineState before = MachineState::Now();
    ASSERT_FALSE(before.productKey);
    ASSERT_NO_FATAL_FAILURE(Install(before));

    const std::string uninstaller = DefaultInstallFolder() + "\\Uninstall.exe";
    ASSERT_TRUE(Exists(uninstaller));
    ProcessOptions options;
    options.timeoutMs = 60000;
    options.boxCaption = kUninstallCaption;  // a silent run shows none
    ProcessResult run = RunProcess("\"" + uninstaller + "\" /S", options);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxTexts.empty()) << ::testing::PrintToString(run.boxTexts);
    ExpectBackTo(before);
    EXPECT_FALSE(Exists(DefaultInstallFolder()));
    EXPECT_FALSE(Exists("C:\\Program Files\\TolvanePC"));
    EXPECT_FALSE(Exists(TempArchivePath()));

    // A second round from the state the first one left.
    ASSERT_NO_FATAL_FAILURE(Install(before));
    run = RunProcess("\"" + uninstaller + "\" /S", options);
    EXPECT_EQ(run.exitCode, 0u);
    ExpectBackTo(before);
}

// The uninstall shortcut started as the shell would (its target, arguments
// and working folder), answered like a user: that is what removes Vexilo.
TEST_F(UninstallRoundTrip, UninstallShortcutRemovesTheInstallation) {
    const MachineState before = MachineState::Now();
    ASSERT_NO_FATAL_FAILURE(Install(before));

    LinkFields link;
    ASSERT_TRUE(ReadLink(Shortcuts().uninstall, &link));
    EXPECT_EQ(link.target, DefaultInstallFolder() + "\\Uninstall.exe");
    EXPECT_TRUE(link.arguments.empty());
    ASSERT_TRUE(Exists(link.target));
    ASSERT_TRUE(Exists(link.workingFolder));

    ProcessOptions options;
    options.workingDirectory = link.workingFolder;
    options.timeoutMs = 60000;
    options.boxCaption = kUninstallCaption;
    options.boxButton = IDOK;
    ProcessResult run = RunProcess("\"" + link.target + "\" " + link.arguments, options);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    // Asked first, told at the end.
    ASSERT_FALSE(run.boxTexts.empty());
    EXPECT_EQ(run.boxTexts.front(), "确定要从此计算机上完全删除 Vexilo 吗？");
    EXPECT_EQ(run.boxTexts.back(), "Vexilo 已成功从您的计算机上删除。");
    ExpectBackTo(before);
}

// Cancelling the question removes nothing.
TEST_F(UninstallRoundTrip, CancelledUninstallKeepsEverything) {
    const MachineState before = MachineState::Now();
    ASSERT_NO_FATAL_FAILURE(Install(before));
    const MachineState installed = MachineState::Now();

    ProcessOptions options;
    options.timeoutMs = 60000;
    options.boxCaption = kUninstallCaption;
    options.boxButton = IDCANCEL;
    ProcessResult run = RunProcess("\"" + DefaultInstallFolder() + "\\Uninstall.exe\"", options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1u);
    ASSERT_FALSE(run.boxTexts.empty());
    Sleep(1000);
    ExpectSameState(MachineState::Now(), installed);
}

}  // namespace
