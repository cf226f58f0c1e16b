// Start-up, clean-up, exit codes, run-time error boxes and DLL resolution,
// seen from outside: each case runs the probe program as its own process.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/base/errors.h"
#include "tests/support/win32_harness.h"

namespace vx {
namespace {

using test::ProcessOptions;
using test::ProcessResult;

constexpr DWORD kMinusOne = 0xFFFFFFFF;

struct ProbeRun {
    ProcessResult result;
    std::string marker;
};

class Frame : public ::testing::Test {
protected:
    // Runs the probe copied into a folder of its own, from another folder.
    ProbeRun Run(const std::string& scenario, const std::vector<std::string>& extraFiles = {}) {
        CopyFileA((test::ExeDirectory() + "frame_probe.exe").c_str(), (dir_ / "frame_probe.exe").c_str(), FALSE);
        for (const std::string& f : extraFiles)
            CopyFileA((test::ExeDirectory() + "planted\\" + f).c_str(), (dir_ / f).c_str(), FALSE);
        std::string marker = dir_ / ("marker-" + scenario + ".txt");
        ProcessOptions options;
        options.workingDirectory = "C:\\";
        options.environment = {{"VX_PROBE_MARKER", marker}};
        options.boxCaption = "错误";
        ProbeRun run;
        run.result = test::RunProcess("\"" + (dir_ / "frame_probe.exe") + "\" " + scenario, options);
        run.marker = test::ReadFileBytes(marker);
        EXPECT_TRUE(run.result.started);
        EXPECT_FALSE(run.result.timedOut);
        return run;
    }

    static int Count(const std::string& haystack, const std::string& needle) {
        int n = 0;
        for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
        return n;
    }

    test::TempDir dir_;
};

// wine's message box keeps the text as given; compare without line breaks.
std::string Flat(std::string s) {
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

TEST_F(Frame, NormalQuitRunsExitRoutineOnceInProgramFolder) {
    ProbeRun run = Run("quit");
    EXPECT_EQ(run.result.exitCode, 0u);
    EXPECT_TRUE(run.result.boxTexts.empty());
    EXPECT_EQ(Count(run.marker, "exit-routine"), 1) << run.marker;
    // Started from C:\, yet the current folder is the program's own.
    EXPECT_NE(run.marker.find("cwd=" + dir_.path() + "\n"), std::string::npos) << run.marker;
}

TEST_F(Frame, EndProgramGivesItsExitCode) {
    ProbeRun run = Run("end-5");
    EXPECT_EQ(run.result.exitCode, 5u);
    EXPECT_EQ(Count(run.marker, "exit-routine"), 1);
}

// Clean-up while a worker still frees a literal and calls a declared
// function: what it uses stays until the process ends.
TEST_F(Frame, CleanUpOutlivesARunningWorker) {
    ProbeRun run = Run("worker-at-end");
    EXPECT_EQ(run.result.exitCode, 0u);
    EXPECT_TRUE(run.result.boxTexts.empty());
    EXPECT_GE(Count(run.marker, "literal-kept"), 1) << run.marker;
    EXPECT_EQ(Count(run.marker, "literal-lost"), 0) << run.marker;
    EXPECT_GE(Count(run.marker, "function-kept"), 1) << run.marker;
    EXPECT_EQ(Count(run.marker, "exit-routine"), 1);
}

TEST_F(Frame, EndProgramFromSecondThreadEndsOnMainThread) {
    ProbeRun run = Run("end-thread");
    EXPECT_EQ(run.result.exitCode, 7u);
    EXPECT_EQ(Count(run.marker, "exit-routine"), 1) << run.marker;
}

TEST_F(Frame, RuntimeErrorShowsBoxExitsMinusOneWithoutExitRoutine) {
    ProbeRun run = Run("raise-1");
    EXPECT_EQ(run.result.exitCode, kMinusOne);
    ASSERT_EQ(run.result.boxTexts.size(), 1u);
    EXPECT_EQ(Flat(run.result.boxTexts[0]), Flat(FormatErrorText(ErrorTableText(1), 1)));
    EXPECT_EQ(Flat(run.result.boxTexts[0]), "运行时出错!错误代码：1错误信息：数组成员引用下标超出定义范围");
    EXPECT_EQ(Count(run.marker, "exit-routine"), 0);
}

TEST_F(Frame, IndexZeroIsErrorFour) {
    ProbeRun run = Run("index-0");
    ASSERT_EQ(run.result.boxTexts.size(), 1u);
    EXPECT_EQ(Flat(run.result.boxTexts[0]), Flat(FormatErrorText(ErrorTableText(4), 4)));
    EXPECT_EQ(run.result.exitCode, kMinusOne);
}

TEST_F(Frame, RuntimeMessagesWithoutCode) {
    struct Case {
        const char* scenario;
        const char* message;
    } cases[] = {
        {"alloc", "分配 18446744073709547520 字节内存失败!"},
        // C++ code out of memory inside a command or a thread procedure.
        {"command-bad-alloc", "分配 0 字节内存失败!"},
        {"thread-bad-alloc", "分配 0 字节内存失败!"},
        {"no-template", "载入窗口模板数据段出错!"},
        {"start-window", "载入启动窗口失败"},
        {"dll-0", "无法找到指定DLL库文件“kernel32”中的输出命令“NoSuchExport”"},
        {"dll-1", "无法找到指定DLL库文件中的输出命令“NoSuchExport2”"},
        {"dll-6", "无法找到指定DLL库文件“\\\\missing-volume\\x.dll”中的输出命令“Whatever”"},
        // A delay-loaded system function whose DLL or export is missing: the
        // run-time error of a missing export, not an unhandled exception.
        {"absent-dll", "无法找到指定DLL库文件“vxabsent.dll”中的输出命令“VxAbsentAnswer”"},
        {"absent-export", "无法找到指定DLL库文件“kernel32.dll”中的输出命令“VxAbsentKernelExport”"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ProbeRun run = Run(c.scenario);
        EXPECT_EQ(run.result.exitCode, kMinusOne);
        ASSERT_EQ(run.result.boxTexts.size(), 1u);
        EXPECT_EQ(Flat(run.result.boxTexts[0]), std::string("运行时出错!错误信息：") + c.message);
        EXPECT_EQ(run.marker.find("answer="), std::string::npos) << run.marker;
        EXPECT_EQ(Count(run.marker, "exit-routine"), 0);
    }
}

TEST_F(Frame, PlantedSystemDllIsNeverLoaded) {
    ProbeRun run = Run("dll-2", {"user32.dll"});
    EXPECT_EQ(run.result.exitCode, 0u);
    EXPECT_NE(run.marker.find("system"), std::string::npos) << run.marker;
    EXPECT_EQ(run.marker.find("user32.dll loaded"), std::string::npos) << run.marker;
    EXPECT_NE(run.marker.find("cached"), std::string::npos);
}

TEST_F(Frame, OwnDllIsFoundInProgramFolder) {
    ProbeRun run = Run("dll-3", {"vxplugin.dll"});
    EXPECT_EQ(run.result.exitCode, 0u);
    EXPECT_NE(run.marker.find("vxplugin.dll loaded"), std::string::npos) << run.marker;
    EXPECT_NE(run.marker.find("answer=42"), std::string::npos) << run.marker;
}

TEST_F(Frame, EmptyLibraryNameSearchesSystemLibrariesInOrder) {
    ProbeRun run = Run("dll-4");
    EXPECT_EQ(run.result.exitCode, 0u);
    EXPECT_NE(run.marker.find("shell32"), std::string::npos) << run.marker;
    // "#1" with no library: ordinal 1 of the first system library that has it.
    ProbeRun ordinal = Run("dll-5");
    EXPECT_EQ(ordinal.result.exitCode, 0u);
    EXPECT_NE(ordinal.marker.find("resolved"), std::string::npos) << ordinal.marker;
}

}  // namespace
}  // namespace vx
