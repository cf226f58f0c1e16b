// Double-byte aware text rules: search, case, command-line and registry-path
// splitting, decimal reading.
#include <gtest/gtest.h>

#include <climits>

#include "runtime/commands/text_ops.h"

namespace vx::commands {
namespace {

constexpr const text::LeadBytes& kGbk = text::kGbkLeadBytes;
constexpr const text::LeadBytes& kSingleByte = text::kSingleByte;

// "\x81\x41" and "\x95\x5c" are double-byte characters whose second bytes
// are 'A' and '\'.
TEST(FindTextIn, NeverMatchesOnASecondByte) {
    EXPECT_EQ(FindTextIn(kGbk,
                         "\x81\x41"
                         "A",
                         "A", 1, false),
              3);
    EXPECT_EQ(FindTextIn(kGbk, "\x81\x41", "A", 1, false), -1);
    EXPECT_EQ(FindTextIn(kGbk,
                         "x\x95\x5c"
                         "\\",
                         "\\", 1, false),
              4);
    // A start inside a character does not turn its second byte into a first.
    EXPECT_EQ(FindTextIn(kGbk, "\x81\x41\x41", "A", 2, false), 3);
    // The needle itself may be double-byte.
    EXPECT_EQ(FindTextIn(kGbk, "ab\x81\x41\x81\x41", "\x81\x41", 4, false), 5);
}

TEST(FindTextIn, StartAndEmptyNeedle) {
    EXPECT_EQ(FindTextIn(kGbk, "abcabc", "bc", 1, false), 2);
    EXPECT_EQ(FindTextIn(kGbk, "abcabc", "bc", 3, false), 5);
    EXPECT_EQ(FindTextIn(kGbk, "abcabc", "bc", -7, false), 2);  // below 1 counts as 1
    EXPECT_EQ(FindTextIn(kGbk, "abc", "c", 4, false), -1);      // beyond the end
    EXPECT_EQ(FindTextIn(kGbk, "abc", "", 1, false), 1);
    EXPECT_EQ(FindTextIn(kGbk, "abc", "", 3, false), 1);
    EXPECT_EQ(FindTextIn(kGbk, "abc", "", 4, false), -1);
    EXPECT_EQ(FindTextIn(kGbk, "", "", 1, false), -1);
    EXPECT_EQ(FindTextIn(kGbk, "ab", "abc", 1, false), -1);
    EXPECT_EQ(FindTextIn(kGbk, "aab", "ab", 1, false), 2);
}

TEST(FindTextIn, IgnoreCaseFoldsOnlyAsciiLetters) {
    EXPECT_EQ(FindTextIn(kGbk, "abcDEF", "def", 1, true), 4);
    EXPECT_EQ(FindTextIn(kGbk, "abcDEF", "def", 1, false), -1);
    EXPECT_EQ(FindTextIn(kGbk, "a[b", "{", 1, true), -1);
    // Second bytes are not letters: 0x8141 and 0x8161 are different characters.
    EXPECT_EQ(FindTextIn(kGbk, "\x81\x61", "\x81\x41", 1, true), -1);
    EXPECT_EQ(FindTextIn(kGbk, "X\x81\x41y", "\x81\x41Y", 1, true), 2);
}

TEST(FindTextIn, LoneLeadByteAtTheEnd) {
    EXPECT_EQ(FindTextIn(kGbk, "ab\x81", "\x81", 1, false), 3);
    EXPECT_EQ(FindTextIn(kGbk, "ab\x81", "b\x81", 1, false), 2);
    EXPECT_EQ(FindTextIn(kGbk, "ab\x81", "c", 1, true), -1);
}

TEST(LowerCaseText, LeavesSecondBytes) {
    EXPECT_EQ(LowerCaseText(kGbk, "ABC\x81\x41Z"), "abc\x81\x41z");
    EXPECT_EQ(LowerCaseText(kGbk, "@[`{"), "@[`{");
    EXPECT_EQ(LowerCaseText(kGbk, "A\x81"), "a\x81");
    EXPECT_EQ(LowerCaseText(kGbk, ""), "");
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
    EXPECT_EQ(NarrowFullWidth(kGbk, "\xa3\xb1\xa3\xb2\xa3\xb3"), "123");
    EXPECT_EQ(NarrowFullWidth(kGbk, "\xa3\xad\xa3\xb5"), "-5");
    EXPECT_EQ(NarrowFullWidth(kGbk,
                              "\xa1\xa1"
                              "1"),
              " 1");
    // Characters without a single-byte form stay, whole.
    EXPECT_EQ(NarrowFullWidth(kGbk, "\xd6\xd0\xa3\xa4"), "\xd6\xd0\xa3\xa4");
    EXPECT_EQ(NarrowFullWidth(kGbk, "9\xa3"), "9\xa3");
}

TEST(SplitCommandLine, ProgramNameSkipped) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine(kGbk, "\"C:\\Program Files\\a.exe\" -1 C:\\x y"), (V{"-1", "C:\\x", "y"}));
    EXPECT_EQ(SplitCommandLine(kGbk, "a.exe -1"), (V{"-1"}));
    EXPECT_EQ(SplitCommandLine(kGbk, "a.exe"), V{});
    EXPECT_EQ(SplitCommandLine(kGbk, ""), V{});
    EXPECT_EQ(SplitCommandLine(kGbk, "\"a.exe\""), V{});
    EXPECT_EQ(SplitCommandLine(kGbk, "\"a.exe\"x y"), (V{"x", "y"}));
    // A blank after the unquoted name ends it; the next blank separates.
    EXPECT_EQ(SplitCommandLine(kGbk, "a.exe  b"), (V{"b"}));
}

TEST(SplitCommandLine, QuotesBlanksAndDoubleByte) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine(kGbk, "p \"a b\" c\td\r\ne"), (V{"a b", "c", "d", "e"}));
    EXPECT_EQ(SplitCommandLine(kGbk, "p ab\"cd ef\"gh"), (V{"ab", "cd ef", "gh"}));
    EXPECT_EQ(SplitCommandLine(kGbk, "p \"\" x"), (V{"", "x"}));
    EXPECT_EQ(SplitCommandLine(kGbk, "p \"open"), (V{"open"}));
    // "D:\软件\" with a second byte '\' inside, quoted and not.
    EXPECT_EQ(SplitCommandLine(kGbk, "p -1 D:\\\xc8\xed\xbc\xfe\\\x95\x5c"),
              (V{"-1", "D:\\\xc8\xed\xbc\xfe\\\x95\x5c"}));
    EXPECT_EQ(SplitCommandLine(kGbk, "\"\xb0\xb2\xd7\xb0.exe\" \"\x95\x5c x\""), (V{"\x95\x5c x"}));
    EXPECT_EQ(SplitCommandLine(kGbk, "p a\x81"), (V{"a\x81"}));
}

TEST(SplitRegistryPath, LastSingleByteBackslash) {
    RegistryPath p = SplitRegistryPath(kGbk, "SOFTWARE\\A\\Value");
    EXPECT_EQ(p.key, "SOFTWARE\\A");
    EXPECT_EQ(p.value, "Value");
    p = SplitRegistryPath(kGbk, "Value");
    EXPECT_EQ(p.key, "");
    EXPECT_EQ(p.value, "Value");
    p = SplitRegistryPath(kGbk, "Key\\\x95\x5c");
    EXPECT_EQ(p.key, "Key");
    EXPECT_EQ(p.value, "\x95\x5c");
    p = SplitRegistryPath(kGbk, "Key\\");
    EXPECT_EQ(p.key, "Key");
    EXPECT_EQ(p.value, "");
    p = SplitRegistryPath(kGbk, "");
    EXPECT_EQ(p.key, "");
    EXPECT_EQ(p.value, "");
}

// The same bytes under code page 936 and under a single-byte code page such
// as 1252, where "\xe9" is é and takes nothing with it.
TEST(CodePageTables, AccentedLetterIsOneCharacterOnSingleBytePages) {
    EXPECT_EQ(FindTextIn(kSingleByte, "Caf\xe9\\x", "\\", 1, false), 5);
    EXPECT_EQ(FindTextIn(kGbk, "Caf\xe9\\x", "\\", 1, false), -1);
    EXPECT_EQ(LowerCaseText(kSingleByte, "\xc9T\xc9"), "\xc9t\xc9");
    EXPECT_EQ(NarrowFullWidth(kSingleByte, "\xa3\xb1"), "\xa3\xb1");  // "£±", nothing full-width
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine(kSingleByte, "p -1 \"C:\\Caf\xe9\" x"), (V{"-1", "C:\\Caf\xe9", "x"}));
    RegistryPath p = SplitRegistryPath(kSingleByte, "Key\\Caf\xe9\\V");
    EXPECT_EQ(p.key, "Key\\Caf\xe9");
    EXPECT_EQ(p.value, "V");
}

TEST(CodePageTables, GbkByteEightyAndFfStandAlone) {
    EXPECT_EQ(FindTextIn(kGbk,
                         "\x80"
                         "A\xff"
                         "B",
                         "A", 1, false),
              2);
    EXPECT_EQ(FindTextIn(kGbk,
                         "\x80"
                         "A\xff"
                         "B",
                         "B", 1, false),
              4);
    EXPECT_EQ(LowerCaseText(kGbk,
                            "\x80"
                            "A\xff"
                            "B"),
              "\x80"
              "a\xff"
              "b");
    EXPECT_EQ(SplitRegistryPath(kGbk, "K\x80\\V").key, "K\x80");
}

// Whether a path ends in a separator of its own: what the install folder's
// trailing "\" is trimmed by.
TEST(CodePageTables, EndsWithCharLooksAtWholeCharacters) {
    const std::string_view goodLuck = "D:\\\xba\xc3\xdf\x5c";  // D:\好運
    EXPECT_FALSE(text::EndsWithChar(kGbk, goodLuck, '\\'));
    EXPECT_TRUE(text::EndsWithChar(kSingleByte, goodLuck, '\\'));
    EXPECT_TRUE(text::EndsWithChar(kGbk, "D:\\\xba\xc3\\", '\\'));
    EXPECT_TRUE(text::EndsWithChar(kGbk, "D:\\\x80\\", '\\'));
    EXPECT_TRUE(text::EndsWithChar(kSingleByte, "C:\\Caf\xe9\\", '\\'));
    EXPECT_FALSE(text::EndsWithChar(kGbk, "C:\\Caf\xe9\\", '\\'));
    EXPECT_FALSE(text::EndsWithChar(kGbk, "", '\\'));
    EXPECT_EQ(text::LastCharStart(kGbk, goodLuck), 5u);
    EXPECT_EQ(text::LastCharStart(kSingleByte, goodLuck), 6u);
}

}  // namespace
}  // namespace vx::commands
