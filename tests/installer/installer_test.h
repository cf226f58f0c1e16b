// The fixture of the installer's end-to-end tests: COM for reading shortcuts,
// and a machine without Vexilo before and after every test.
#pragma once

#include <gtest/gtest.h>
#include <objbase.h>

#include <string>

#include "tests/installer/installer_support.h"

namespace vx::test::installer {

// The three shortcuts lead into `folder`: the program (also on the desktop)
// and the uninstaller, each started in the folder, with the maker's note.
inline void ExpectLinksTo(const std::string& folder) {
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
    EXPECT_EQ(uninstall.workingFolder, folder);
    EXPECT_EQ(uninstall.iconPath, folder + "\\image\\Uninstall.ico");
}

class InstallerTest : public ::testing::Test {
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

}  // namespace vx::test::installer
