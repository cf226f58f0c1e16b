// Silent installs (first argument -1): no window, the folder from the other
// arguments, everything registered and linked, the product not started.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "tests/installer/installer_test.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::installer;

// Polls `done` every 20 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    for (DWORD start = GetTickCount();; Sleep(20)) {
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return done();
    }
}

// Neither a product window nor a product process, also a moment after the
// installer has ended (a launch would have been waited for at most a second).
void ExpectProductNotStarted() {
    Sleep(1500);
    EXPECT_TRUE(WindowsTitled(kProductTitle).empty()) << "a silent install does not start the product";
    EXPECT_FALSE(ProductProcessRunning()) << "a silent install does not start the product";
}

// The payload's files in `folder`, the installed programs the very ones built
// beside the installer.
void ExpectInstalledIn(const std::string& folder) {
    for (const char* file :
         {"Kandor.exe", "Uninstall.exe", "boot.ini", "win.lock", "image\\boot.ini", "image\\logo.png", "image\\ico.ico",
          "image\\Uninstall.ico", "Collection\\Collection.ini", "Collection\\8.png"})
        EXPECT_TRUE(Exists(folder + "\\" + file)) << folder << "\\" << file;
    for (const char* program : {"Kandor.exe", "Uninstall.exe"})
        EXPECT_TRUE(ReadFileBytes(folder + "\\" + program) == ReadFileBytes(ExeDirectory() + program))
            << folder << "\\" << program << " is not the one built";
}

// Shortcuts of a product installed in `folder`.
class SilentInstall : public InstallerTest {};

TEST_F(SilentInstall, QuotedBaseFolderInstallsRegistersAndLinksWithoutStartingTheProduct) {
    const std::string folder = DefaultInstallFolder();
    ASSERT_EQ(RunInstaller("-1 \"C:\\Program Files\\TolvanePC\""), std::optional<DWORD>(0));

    ExpectInstalledIn(folder);
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"" + folder + "\\Uninstall.exe\""));
    EXPECT_EQ(ProductValue("DisplayName"), std::optional<std::string>("VexiloV1.1"));

    ExpectLinksTo(folder);

    ExpectProductNotStarted();
    EXPECT_TRUE(Exists(TempArchivePath()));
}

class SilentInstallOnDriveD : public SilentInstall {
protected:
    void SetUp() override {
        SilentInstall::SetUp();
        ASSERT_TRUE(drive_.Ready()) << "drive D: could not be mapped";
    }
    MappedDrive drive_;
};

TEST_F(SilentInstallOnDriveD, BaseFolderFromTheArgumentsAfterMinusOne) {
    // One quoted argument: the folder as given, blank and all.
    ASSERT_EQ(RunInstaller("-1 \"D:\\My Tools\""), std::optional<DWORD>(0));
    ExpectInstalledIn("D:\\My Tools\\Vexilo");
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>("D:\\My Tools\\Vexilo"));
    EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"D:\\My Tools\\Vexilo\\Uninstall.exe\""));
    ExpectLinksTo("D:\\My Tools\\Vexilo");
    ExpectProductNotStarted();

    // The same words unquoted are two arguments, joined without a blank.
    ResetMachine();
    RemoveTree("D:\\My Tools");
    ASSERT_EQ(RunInstaller("-1 D:\\My Tools"), std::optional<DWORD>(0));
    ExpectInstalledIn("D:\\MyTools\\Vexilo");
    EXPECT_FALSE(Exists("D:\\My Tools"));
    EXPECT_FALSE(Exists("D:\\My"));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>("D:\\MyTools\\Vexilo"));
    ExpectLinksTo("D:\\MyTools\\Vexilo");
    ExpectProductNotStarted();

    // A quoted folder ending in a backslash: the quote still closes the
    // argument, and the one trailing backslash goes.
    ResetMachine();
    RemoveTree("D:\\MyTools");
    ASSERT_EQ(RunInstaller("-1 \"D:\\My Tools\\\""), std::optional<DWORD>(0));
    ExpectInstalledIn("D:\\My Tools\\Vexilo");
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>("D:\\My Tools\\Vexilo"));
    ExpectLinksTo("D:\\My Tools\\Vexilo");
    ExpectProductNotStarted();

    // Three parts: all of them, in order.
    ResetMachine();
    RemoveTree("D:\\My Tools");
    ASSERT_EQ(RunInstaller("-1 D:\\a b\\c"), std::optional<DWORD>(0));
    ExpectInstalledIn("D:\\ab\\c\\Vexilo");
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>("D:\\ab\\c\\Vexilo"));
    ExpectProductNotStarted();
}

// 運 is DF 5C in code page 936: the folder's last byte is "\" only as half of
// a character, which the trim of a trailing "\" must leave alone.
TEST_F(SilentInstallOnDriveD, FolderEndingInATrailByteBackslashKeepsItsLastCharacter) {
    ASSERT_EQ(GetACP(), 936u) << "the bench runs in code page 936";
    const std::string folder = "D:\\好運\\Vexilo";
    ASSERT_EQ(RunInstaller("-1 \"D:\\好運\""), std::optional<DWORD>(0));
    ExpectInstalledIn(folder);
    EXPECT_EQ(drive_.Listing(), (std::vector<std::string>{"好運"}));
    EXPECT_EQ(installer::Listing("D:\\好運"), (std::vector<std::string>{"Vexilo"}));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    ExpectLinksTo(folder);
    ExpectProductNotStarted();
}

// The current drive is that of the installer's own folder (start-up makes it
// the current folder), so a copy of the installer on D: installs at D:\Vexilo,
// whatever folder it was started in.
TEST_F(SilentInstallOnDriveD, WithoutAFolderInstallsAtTheRootOfTheCurrentDrive) {
    ASSERT_TRUE(CreateDirectoryA("D:\\Setup", nullptr));
    ASSERT_TRUE(CopyFileA(InstallerPath().c_str(), "D:\\Setup\\VexiloSetup.exe", FALSE));
    Process installer("\"D:\\Setup\\VexiloSetup.exe\" -1", "C:\\");
    ASSERT_TRUE(installer.started());
    ASSERT_EQ(installer.Wait(120000), std::optional<DWORD>(0));

    ExpectInstalledIn("D:\\Vexilo");
    EXPECT_EQ(drive_.Listing(), (std::vector<std::string>{"Setup", "Vexilo"}));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>("\\Vexilo"));
    EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"\\Vexilo\\Uninstall.exe\""));
    EXPECT_FALSE(Exists("C:\\Vexilo"));
    ExpectProductNotStarted();
}

TEST_F(SilentInstallOnDriveD, RegisteredInstallationIsUpgradedWhateverTheArgumentsSay) {
    const std::string registered = "D:\\Registered\\Vexilo";
    ASSERT_TRUE(CreateDirectoryA("D:\\Registered", nullptr));
    ASSERT_TRUE(CreateDirectoryA(registered.c_str(), nullptr));
    WriteProductValue("RunPath", registered);

    ASSERT_EQ(RunInstaller("-1 \"D:\\My Tools\""), std::optional<DWORD>(0));
    ExpectInstalledIn(registered);
    EXPECT_FALSE(Exists("D:\\My Tools"));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(registered));
    EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"" + registered + "\\Uninstall.exe\""));
    EXPECT_EQ(ProductValue("DisplayName"), std::optional<std::string>("VexiloV1.1"));
    ExpectLinksTo(registered);
    ExpectProductNotStarted();

    // No folder argument at all: still the registered folder, nothing at the
    // root of the installer's drive.
    ASSERT_TRUE(CreateDirectoryA("D:\\Setup", nullptr));
    ASSERT_TRUE(CopyFileA(InstallerPath().c_str(), "D:\\Setup\\VexiloSetup.exe", FALSE));
    {
        Process installer("\"D:\\Setup\\VexiloSetup.exe\" -1");
        ASSERT_TRUE(installer.started());
        ASSERT_EQ(installer.Wait(120000), std::optional<DWORD>(0));
    }
    ExpectInstalledIn(registered);
    EXPECT_FALSE(Exists("D:\\Vexilo"));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(registered));
    ExpectProductNotStarted();

    // An empty RunPath is no registration: a fresh install where the
    // arguments say.
    ResetMachine();
    RemoveTree("D:\\Registered");
    WriteProductValue("RunPath", "");
    ASSERT_EQ(RunInstaller("-1 \"D:\\My Tools\""), std::optional<DWORD>(0));
    ExpectInstalledIn("D:\\My Tools\\Vexilo");
    EXPECT_FALSE(Exists("D:\\Registered"));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>("D:\\My Tools\\Vexilo"));
    ExpectLinksTo("D:\\My Tools\\Vexilo");

    // A registered folder that has gone is made again.
    ResetMachine();
    RemoveTree("D:\\Registered");
    WriteProductValue("RunPath", registered);
    ASSERT_EQ(RunInstaller("-1 D:\\Other"), std::optional<DWORD>(0));
    ExpectInstalledIn(registered);
    EXPECT_FALSE(Exists("D:\\Other"));
    ExpectLinksTo(registered);
    ExpectProductNotStarted();
}

// Run under a French locale (code page 1252), where é is the single byte E9
// and the "\" after it a separator of its own.
TEST_F(SilentInstall, CodePage1252FolderWithAnAccentedLetter) {
    ASSERT_EQ(GetACP(), 1252u) << "this case runs under a French locale";
    const std::string base = "C:\\Caf\xe9", folder = base + "\\Outils\\Vexilo";
    RemoveTree(base);
    ASSERT_EQ(RunInstaller("-1 \"C:\\Caf\xe9\\Outils\""), std::optional<DWORD>(0));
    ExpectInstalledIn(folder);
    EXPECT_EQ(installer::Listing(base), (std::vector<std::string>{"Outils"}));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"" + folder + "\\Uninstall.exe\""));
    ExpectLinksTo(folder);
    ExpectProductNotStarted();
    RemoveTree(base);
}

// Only the exact first argument "-1" is silent; anything else opens the
// window and installs nothing by itself.
// DLLs planted beside the installer under the names of the DLLs an install
// loads (not known DLLs, so Windows would look beside the exe first): none
// is loaded, and the installation completes.
TEST_F(SilentInstall, DllsPlantedBesideTheInstallerAreNeverLoaded) {
    PlantedInstaller planted;
    ASSERT_TRUE(planted.ready());
    Process installer("\"" + planted.path() + "\" -1 \"C:\\Program Files\\TolvanePC\"");
    ASSERT_TRUE(installer.started());
    EXPECT_EQ(installer.Wait(120000), std::optional<DWORD>(0));
    EXPECT_EQ(planted.Loaded(), "");
    EXPECT_TRUE(Exists(DefaultInstallFolder() + "\\Kandor.exe"));
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(DefaultInstallFolder()));
    ExpectLinksTo(DefaultInstallFolder());
}

TEST_F(SilentInstall, NearMissesOfMinusOneStartInteractively) {
    for (const char* arguments : {"-1x \"C:\\Program Files\\TolvanePC\"", "/1 \"C:\\Program Files\\TolvanePC\""}) {
        SCOPED_TRACE(arguments);
        Process installer("\"" + InstallerPath() + "\" " + arguments);
        ASSERT_TRUE(installer.started());
        HWND window = nullptr;
        WaitUntil([&] { return (window = VisibleTopWindowOf(installer.id())) != nullptr || !installer.Running(); },
                  30000);
        ASSERT_NE(window, nullptr) << "no window; exit code " << installer.Wait(0).value_or(259);
        RECT client{};
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, 559);
        EXPECT_EQ(client.bottom, 400);
        // It waits for the user: nothing is installed after a while.
        Sleep(1500);
        EXPECT_TRUE(installer.Running());
        EXPECT_FALSE(ProductKeyExists());
        EXPECT_FALSE(Exists(DefaultInstallFolder()));
        EXPECT_FALSE(Exists(Shortcuts().program));

        PostMessageA(window, WM_CLOSE, 0, 0);
        std::optional<DWORD> code = installer.Wait(20000);
        EXPECT_TRUE(code.has_value()) << "the window did not close";
        EXPECT_FALSE(ProductKeyExists());
        EXPECT_FALSE(Exists(DefaultInstallFolder()));
    }
}

}  // namespace
