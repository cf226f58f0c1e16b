// Settings files through the system's profile functions.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/commands/commands.h"
#include "tests/commands/command_calls.h"
#include "tests/support/win32_harness.h"

namespace vx::commands {
namespace {

using test::Omitted;
using test::TakeText;
using test::Text;

TEST(IniCommands, ReadTrimsAndRefusesBlankNames) {
    test::TempDir dir;
    std::string file = dir / "win.lock";
    // Section "传递", key "窗口句柄" (GBK).
    test::WriteFileBytes(file, "[\xb4\xab\xb5\xdd]\r\n\xb4\xb0\xbf\xda\xbe\xe4\xb1\xfa=1234\r\n[s]\r\nk=v\r\n");
    EXPECT_EQ(TakeText(Call(IniRead, {Text(file), Text("\xb4\xab\xb5\xdd"), Text("\xb4\xb0\xbf\xda\xbe\xe4\xb1\xfa"),
                                      Omitted()})),
              "1234");
    // Leading blanks and control bytes are skipped in all three names.
    EXPECT_EQ(TakeText(Call(IniRead, {Text("  \t" + file), Text(" \x01s"), Text("\r\nk"), Text("d")})), "v");
    EXPECT_EQ(TakeText(Call(IniRead, {Text(file), Text("s"), Text("missing"), Text("d")})), "d");
    EXPECT_EQ(Call(IniRead, {Text(file), Text("s"), Text("missing"), Omitted()}).Address(), nullptr);
    // A blank section, key or file gives the empty text, default or not.
    EXPECT_EQ(Call(IniRead, {Text(file), Text("   "), Text("k"), Text("d")}).Address(), nullptr);
    EXPECT_EQ(Call(IniRead, {Text(file), Text("s"), Text(nullptr), Text("d")}).Address(), nullptr);
    EXPECT_EQ(Call(IniRead, {Text(" "), Text("s"), Text("k"), Text("d")}).Address(), nullptr);
}

TEST(IniCommands, LongValuesAreCutToTheBuffer) {
    test::TempDir dir;
    std::string file = dir / "long.ini";
    test::WriteFileBytes(file, "[s]\r\nk=" + std::string(20000, 'x') + "\r\n");
    std::string value = TakeText(Call(IniRead, {Text(file), Text("s"), Text("k"), Omitted()}));
    EXPECT_GE(value.size(), 10000u);
    EXPECT_LT(value.size(), 10240u);
    EXPECT_EQ(value.find_first_not_of('x'), std::string::npos);
}

TEST(IniCommands, WriteDeletesKeysAndSections) {
    test::TempDir dir;
    std::string file = dir / "boot.ini";
    EXPECT_EQ(Call(IniWrite, {Text(file), Text("a"), Text("k1"), Text("one")}).low, 1u);
    EXPECT_EQ(Call(IniWrite, {Text(file), Text("a"), Text("k2"), Text("two")}).low, 1u);
    EXPECT_EQ(Call(IniWrite, {Text(file), Text("b"), Text("k"), Text("three")}).low, 1u);
    EXPECT_EQ(TakeText(Call(IniRead, {Text(file), Text("a"), Text("k2"), Omitted()})), "two");

    // Value omitted: the key goes.
    EXPECT_EQ(Call(IniWrite, {Text(file), Text("a"), Text("k1"), Omitted()}).low, 1u);
    EXPECT_EQ(TakeText(Call(IniRead, {Text(file), Text("a"), Text("k1"), Text("gone")})), "gone");
    EXPECT_EQ(TakeText(Call(IniRead, {Text(file), Text("a"), Text("k2"), Omitted()})), "two");
    // Key and value omitted: the whole section goes.
    EXPECT_EQ(Call(IniWrite, {Text(file), Text("a"), Omitted(), Omitted()}).low, 1u);
    EXPECT_EQ(TakeText(Call(IniRead, {Text(file), Text("a"), Text("k2"), Text("gone")})), "gone");
    EXPECT_EQ(TakeText(Call(IniRead, {Text(file), Text("b"), Text("k"), Omitted()})), "three");
    std::string content = test::ReadFileBytes(file);
    EXPECT_EQ(content.find("[a]"), std::string::npos) << content;

    // An empty value is written as an empty value, not a deletion.
    EXPECT_EQ(Call(IniWrite, {Text(file), Text("b"), Text("k"), Text(nullptr)}).low, 1u);
    EXPECT_EQ(TakeText(Call(IniRead, {Text(file), Text("b"), Text("k"), Text("d")})), "");
    EXPECT_EQ(Call(IniWrite, {Text(nullptr), Text("b"), Text("k"), Text("v")}).low, 0u);
    EXPECT_EQ(Call(IniWrite, {Text(dir / "no\\such\\dir.ini"), Text("b"), Text("k"), Text("v")}).low, 0u);
}

}  // namespace
}  // namespace vx::commands
