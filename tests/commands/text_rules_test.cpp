// Double-byte aware text rules: search, case, command-line and registry-path
// splitting, decimal reading.
#include <gtest/gtest.h>

#include <climits>

#include "runtime/commands/text_ops.h"

namespace vx::commands {
namespace {

// "\x81\x41" and "\x95\x5c" are double-byte characters whose second bytes
// are 'A' and '\'.
TEST(FindTextIn, NeverMatchesOnASecondByte) {
    EXPECT_EQ(FindTextIn("\x81\x41" "A", "A", 1, false), 3);
    EXPECT_EQ(FindTextIn("\x81\x41", "A", 1, false), -1);
    EXPECT_EQ(FindTextIn("x\x95\x5c" "\\", "\\", 1, false), 4);
    // A start inside a character does not turn its second byte into a first.
    EXPECT_EQ(FindTextIn("\x81\x41\x41", "A", 2, false), 3);
    // The needle itself may be double-byte.
    EXPECT_EQ(FindTextIn("ab\x81\x41\x81\x41", "\x81\x41", 4, false), 5);
}

TEST(FindTextIn, StartAndEmptyNeedle) {
    EXPECT_EQ(FindTextIn("abcabc", "bc", 1, false), 2);
    EXPECT_EQ(FindTextIn("abcabc", "bc", 3, false), 5);
    EXPECT_EQ(FindTextIn("abcabc", "bc", -7, false), 2);  // below 1 counts as 1
    EXPECT_EQ(FindTextIn("abc", "c", 4, false), -1);      // beyond the end
    EXPECT_EQ(FindTextIn("abc", "", 1, false), 1);
    EXPECT_EQ(FindTextIn("abc", "", 3, false), 1);
    EXPECT_EQ(FindTextIn("abc", "", 4, false), -1);
    EXPECT_EQ(FindTextIn("", "", 1, false), -1);
    EXPECT_EQ(FindTextIn("ab", "abc", 1, false), -1);
    EXPECT_EQ(FindTextIn("aab", "ab", 1, false), 2);
}

TEST(FindTextIn, IgnoreCaseFoldsOnlyAsciiLetters) {
    EXPECT_EQ(FindTextIn("abcDEF", "def", 1, true), 4);
    EXPECT_EQ(FindTextIn("abcDEF", "def", 1, false), -1);
    EXPECT_EQ(FindTextIn("a[b", "{", 1, true), -1);
    // Second bytes are not letters: 0x8141 and 0x8161 are different characters.
    EXPECT_EQ(FindTextIn("\x81\x61", "\x81\x41", 1, true), -1);
    EXPECT_EQ(FindTextIn("X\x81\x41y", "\x81\x41Y", 1, true), 2);
}

TEST(FindTextIn, LoneLeadByteAtTheEnd) {
    EXPECT_EQ(FindTextIn("ab\x81", "\x81", 1, false), 3);
    EXPECT_EQ(FindTextIn("ab\x81", "b\x81", 1, false), 2);
    EXPECT_EQ(FindTextIn("ab\x81", "c", 1, true), -1);
}

TEST(LowerCaseText, LeavesSecondBytes) {
    EXPECT_EQ(LowerCaseText("ABC\x81\x41Z"), "abc\x81\x41z");
    EXPECT_EQ(LowerCaseText("@[`{"), "@[`{");
    EXPECT_EQ(LowerCaseText("A\x81"), "a\x81");
    EXPECT_EQ(LowerCaseText(""), "");
}

TEST(ParseDecimal, Rules) {
    EXPECT_EQ(ParseDecimal("  -42abc"), -42);
    EXPECT_EQ(ParseDecimal("\t+7"), 7);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal("- 5"), 0);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("2147483647"), INT_MAX);
    EXPECT_EQ(ParseDecimal("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseDecimal("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseDecimal("-99999999999999999999"), INT_MIN);
}

TEST(NarrowFullWidth, DigitsSignsAndBlank) {
    // "１２３", "－５", ideographic space.
    EXPECT_EQ(NarrowFullWidth("\xa3\xb1\xa3\xb2\xa3\xb3"), "123");
    EXPECT_EQ(NarrowFullWidth("\xa3\xad\xa3\xb5"), "-5");
    EXPECT_EQ(NarrowFullWidth("\xa1\xa1" "1"), " 1");
    // Characters without a single-byte form stay, whole.
    EXPECT_EQ(NarrowFullWidth("\xd6\xd0\xa3\xa4"), "\xd6\xd0\xa3\xa4");
    EXPECT_EQ(NarrowFullWidth("9\xa3"), "9\xa3");
}

TEST(SplitCommandLine, ProgramNameSkipped) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\a.exe\" -1 C:\\x y"), (V{"-1", "C:\\x", "y"}));
    EXPECT_EQ(SplitCommandLine("a.exe -1"), (V{"-1"}));
    EXPECT_EQ(SplitCommandLine("a.exe"), V{});
    EXPECT_EQ(SplitCommandLine(""), V{});
    EXPECT_EQ(SplitCommandLine("\"a.exe\""), V{});
    EXPECT_EQ(SplitCommandLine("\"a.exe\"x y"), (V{"x", "y"}));
    // A blank after the unquoted name ends it; the next blank separates.
    EXPECT_EQ(SplitCommandLine("a.exe  b"), (V{"b"}));
}

TEST(SplitCommandLine, QuotesBlanksAndDoubleByte) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine("p \"a b\" c\td\r\ne"), (V{"a b", "c", "d", "e"}));
    EXPECT_EQ(SplitCommandLine("p ab\"cd ef\"gh"), (V{"ab", "cd ef", "gh"}));
    EXPECT_EQ(SplitCommandLine("p \"\" x"), (V{"", "x"}));
    EXPECT_EQ(SplitCommandLine("p \"open"), (V{"open"}));
    // "D:\软件\" with a second byte '\' inside, quoted and not.
    EXPECT_EQ(SplitCommandLine("p -1 D:\\\xc8\xed\xbc\xfe\\\x95\x5c"), (V{"-1", "D:\\\xc8\xed\xbc\xfe\\\x95\x5c"}));
    EXPECT_EQ(SplitCommandLine("\"\xb0\xb2\xd7\xb0.exe\" \"\x95\x5c x\""), (V{"\x95\x5c x"}));
    EXPECT_EQ(SplitCommandLine("p a\x81"), (V{"a\x81"}));
}

TEST(SplitRegistryPath, LastSingleByteBackslash) {
    RegistryPath p = SplitRegistryPath("SOFTWARE\\A\\Value");
    EXPECT_EQ(p.key, "SOFTWARE\\A");
    EXPECT_EQ(p.value, "Value");
    p = SplitRegistryPath("Value");
    EXPECT_EQ(p.key, "");
    EXPECT_EQ(p.value, "Value");
    p = SplitRegistryPath("Key\\\x95\x5c");
    EXPECT_EQ(p.key, "Key");
    EXPECT_EQ(p.value, "\x95\x5c");
    p = SplitRegistryPath("Key\\");
    EXPECT_EQ(p.key, "Key");
    EXPECT_EQ(p.value, "");
    p = SplitRegistryPath("");
    EXPECT_EQ(p.key, "");
    EXPECT_EQ(p.value, "");
}

}  // namespace
}  // namespace vx::commands
