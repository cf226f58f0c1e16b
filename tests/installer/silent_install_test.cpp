// Silent installs (first argument -1): no window, the folder from the other
// arguments, everything registered and linked, the product not started.
#include <gtest/gtest.h>
#include <objbase.h>

#include "tests/installer/installer_support.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::installer;

class SilentInstall : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ResetMachine();
    }
    void TearDown() override {
        ResetMachine();
        CoUninitialize();
    }
};

TEST_F(SilentInstall, QuotedBaseFolderInstallsRegistersAndLinksWithoutStartingTheProduct) {
    const std::string folder = DefaultInstallFolder();
    ASSERT_EQ(RunInstaller("-1 \"C:\\Program Files\\TolvanePC\""), std::optional<DWORD>(0));

    for (const char* file : {"Kandor.exe", "Uninstall.exe", "boot.ini", "win.lock", "image\\boot.ini",
                             "image\\logo.png", "image\\ico.ico", "image\\Uninstall.ico",
                             "Collection\\Collection.ini"})
        EXPECT_TRUE(Exists(folder + "\\" + file)) << file;
    EXPECT_EQ(ProductValue("RunPath"), std::optional<std::string>(folder));
    EXPECT_EQ(ProductValue("UninstallString"), std::optional<std::string>("\"" + folder + "\\Uninstall.exe\""));
    EXPECT_EQ(ProductValue("DisplayName"), std::optional<std::string>("VexiloV1.1"));

    ShortcutPaths links = Shortcuts();
    LinkFields program, desktop, uninstall;
    ASSERT_TRUE(ReadLink(links.program, &program));
    ASSERT_TRUE(ReadLink(links.desktop, &desktop));
    ASSERT_TRUE(ReadLink(links.uninstall, &uninstall));
    EXPECT_EQ(program.target, folder + "\\Kandor.exe");
    EXPECT_EQ(program.workingFolder, folder);
    EXPECT_EQ(program.description, "Tolvane");
    EXPECT_EQ(desktop.target, program.target);
    EXPECT_EQ(uninstall.target, folder + "\\Uninstall.exe");
    EXPECT_EQ(uninstall.iconPath, folder + "\\image\\Uninstall.ico");

    EXPECT_TRUE(WindowsTitled(kProductTitle).empty()) << "a silent install does not start the product";
    EXPECT_TRUE(Exists(TempArchivePath()));
}

}  // namespace
