// Directory search with attribute masks on a real folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "runtime/base/memory.h"
#include "runtime/process/services.h"
#include "tests/support/win32_harness.h"

namespace vx {
namespace {

std::set<std::string> Search(const std::string& pattern, int32_t mask, bool omitted) {
    std::set<std::string> names;
    intptr_t handle = 0;
    char* name = FindFile(pattern.c_str(), mask, omitted, &handle);
    while (name) {
        names.insert(name);
        Free(name);
        name = FindFile(nullptr, mask, omitted, &handle);
    }
    EXPECT_EQ(handle, 0) << "a finished search leaves no handle";
    return names;
}

TEST(FindFile, MaskRules) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "plain.txt", "a");
    test::WriteFileBytes(dir / "readonly.txt", "b");
    test::WriteFileBytes(dir / "hidden.txt", "c");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    SetFileAttributesA((dir / "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((dir / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((dir / "plain.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    std::string all = dir / "*";

    // Mask omitted: every entry that is not a directory.
    EXPECT_EQ(Search(all, 0, true), (std::set<std::string>{"plain.txt", "readonly.txt", "hidden.txt"}));
    // Any one masked attribute is enough.
    EXPECT_EQ(Search(all, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, false),
              (std::set<std::string>{"readonly.txt", "hidden.txt"}));
    std::set<std::string> dirs = Search(all, FILE_ATTRIBUTE_DIRECTORY, false);
    EXPECT_TRUE(dirs.count("sub"));
    EXPECT_FALSE(dirs.count("plain.txt"));
    // Bits outside the five are ignored.
    EXPECT_EQ(Search(all, 0x80 | FILE_ATTRIBUTE_SYSTEM, false), (std::set<std::string>{"plain.txt"}));
    EXPECT_TRUE(Search(all, 0x80, false).empty());
    // Nothing matches: no result, no handle.
    EXPECT_TRUE(Search(dir / "*.none", 0, true).empty());
    intptr_t handle = 0;
    EXPECT_EQ(FindFile(nullptr, 0, true, &handle), nullptr);  // no search open
}

TEST(FindFile, NewPatternClosesOpenSearch) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "a.txt", "a");
    test::WriteFileBytes(dir / "b.txt", "b");
    intptr_t handle = 0;
    char* first = FindFile((dir / "*.txt").c_str(), 0, true, &handle);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(handle, 0);
    Free(first);
    char* again = FindFile((dir / "b.txt").c_str(), 0, true, &handle);
    ASSERT_NE(again, nullptr);
    EXPECT_STREQ(again, "b.txt");
    Free(again);
    EndSearch(handle);
    EndSearch(0);  // ignored
}

}  // namespace
}  // namespace vx
