// The fixture of the installer's end-to-end tests: COM for reading shortcuts,
// and a machine without Vexilo before and after every test.
#pragma once

#include <gtest/gtest.h>
#include <objbase.h>

#include "tests/installer/installer_support.h"

namespace vx::test::installer {

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
