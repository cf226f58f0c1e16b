// Attribute mapping, time conversion, the "UT" scan, the header check,
// percentages and the entry-name rules, natively under the sanitizers.
#include "runtime/zip/zip_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vx::zip {
namespace {

constexpr const text::LeadBytes& kGbk = text::kGbkLeadBytes;
constexpr const text::LeadBytes& kSingleByte = text::kSingleByte;

TEST(ZipRules, AttributesFromExternalWord) {
    struct Case {
        uint32_t external;
        uint32_t expected;
    };
    const Case cases[] = {
        {0x81A40000, 0x80},  // Unix regular 0644
        {0x81240000, 0x81},  // Unix 0444: owner cannot write
        {0x41ED0010, 0x90},  // Unix folder 0755 + DOS folder bit
        {0x41ED0000, 0x90},  // Unix folder type alone
        {0x00000010, 0x91},  // DOS folder, upper half zero: read-only too
        {0x00000000, 0x81},  // DOS file without Unix half
        {0x00000020, 0xA1},  // archive
        {0x81A40021, 0xA1},  // archive + DOS read-only
        {0x81A40002, 0x82},  // hidden
        {0x81A40004, 0x84},  // system
        {0x81A40027, 0xA7},  // all DOS bits
    };
    for (const Case& c : cases) EXPECT_EQ(AttributesFromExternal(c.external), c.expected) << std::hex << c.external;
}

uint32_t Dos(int y, int mo, int d, int h, int mi, int s) {
    return (uint32_t((y - 1980) << 9 | mo << 5 | d) << 16) | uint32_t(h << 11 | mi << 5 | s / 2);
}

TEST(ZipRules, DosAndUnixTimesBecomeFileTicks) {
    // 1980-01-01 00:00:00 and 2001-02-03 04:05:06, computed independently:
    // seconds since 1970 plus the 1601 offset.
    EXPECT_EQ(DosToFileTime(Dos(1980, 1, 1, 0, 0, 0)), (315532800ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_EQ(DosToFileTime(Dos(2001, 2, 3, 4, 5, 6)), (981173106ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_EQ(DosToFileTime(Dos(2024, 2, 29, 23, 59, 58)), (1709251198ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_EQ(UnixToFileTime(0), 116444736000000000ULL);
    EXPECT_EQ(UnixToFileTime(-86400), 116444736000000000ULL - 864000000000ULL);

    const uint32_t invalid[] = {Dos(1981, 0, 1, 0, 0, 0),  Dos(1981, 13, 1, 0, 0, 0), Dos(1981, 4, 31, 0, 0, 0),
                                Dos(2023, 2, 29, 0, 0, 0), Dos(1981, 1, 0, 0, 0, 0),  Dos(1981, 1, 1, 24, 0, 0),
                                Dos(1981, 1, 1, 0, 60, 0), Dos(1981, 1, 1, 0, 0, 60)};
    for (uint32_t v : invalid) EXPECT_EQ(DosToFileTime(v), 0u) << std::hex << v;
}

std::vector<uint8_t> Block(uint16_t tag, std::vector<uint8_t> data) {
    std::vector<uint8_t> b = {uint8_t(tag), uint8_t(tag >> 8), uint8_t(data.size()), uint8_t(data.size() >> 8)};
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<uint8_t> Le(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(ZipRules, ExtendedTimestampScan) {
    const uint32_t m = 981173106, a = 1000000000, c = 900000000;
    // All three times, after another block.
    auto all = Cat({Block(0x7875, {1, 4, 0, 0, 0, 0, 4, 0, 0, 0, 0}), Block(0x5455, Cat({{7}, Le(m), Le(a), Le(c)}))});
    ExtendedTimes t = ScanExtendedTimestamp(all.data(), all.size());
    EXPECT_TRUE(t.hasModified && t.hasAccessed && t.hasCreated);
    EXPECT_EQ(t.modified, UnixToFileTime(m));
    EXPECT_EQ(t.accessed, UnixToFileTime(a));
    EXPECT_EQ(t.created, UnixToFileTime(c));

    // Flags pick which follow, in order: only access (bit 1) means the first
    // word is the access time.
    auto accessOnly = Block(0x5455, Cat({{2}, Le(a)}));
    t = ScanExtendedTimestamp(accessOnly.data(), accessOnly.size());
    EXPECT_FALSE(t.hasModified);
    EXPECT_TRUE(t.hasAccessed);
    EXPECT_EQ(t.accessed, UnixToFileTime(a));

    // Announced but missing times are not read past the block or the field.
    auto shortBlock = Cat({Block(0x5455, Cat({{7}, Le(m)})), Le(a), Le(c)});
    t = ScanExtendedTimestamp(shortBlock.data(), shortBlock.size());
    EXPECT_TRUE(t.hasModified);
    EXPECT_FALSE(t.hasAccessed);
    EXPECT_FALSE(t.hasCreated);
    auto cut = Block(0x5455, Cat({{3}, Le(m), Le(a)}));
    cut.resize(cut.size() - 2);
    t = ScanExtendedTimestamp(cut.data(), cut.size());
    EXPECT_TRUE(t.hasModified);
    EXPECT_FALSE(t.hasAccessed);

    // A negative time is before 1970.
    auto before = Block(0x5455, Cat({{1}, Le(uint32_t(-86400))}));
    t = ScanExtendedTimestamp(before.data(), before.size());
    EXPECT_EQ(t.modified, UnixToFileTime(-86400));

    // No UT block, a field of 4 bytes or less, a block size running past the end.
    auto none = Block(0x000A, {0, 0, 0, 0, 1, 0, 24, 0, 1, 2, 3, 4});
    EXPECT_FALSE(ScanExtendedTimestamp(none.data(), none.size()).hasModified);
    auto tiny = Block(0x5455, {});
    EXPECT_FALSE(ScanExtendedTimestamp(tiny.data(), tiny.size()).hasModified);
    auto overlong = Cat({{0x01, 0x00, 0xFF, 0xFF}, Block(0x5455, Cat({{1}, Le(m)}))});
    EXPECT_FALSE(ScanExtendedTimestamp(overlong.data(), overlong.size()).hasModified);
}

TEST(ZipRules, HeaderCheck) {
    std::vector<uint8_t> h(32, 0);
    h[0] = 'P', h[1] = 'K', h[2] = 3, h[3] = 4;
    h[26] = 5;  // name length 5
    EXPECT_TRUE(IsZipHeader(h.data(), h.size()));
    EXPECT_FALSE(IsZipHeader(h.data(), 31));
    auto noName = h;
    noName[26] = 0;
    EXPECT_FALSE(IsZipHeader(noName.data(), noName.size()));
    auto negative = h;
    negative[27] = 0x80;  // signed word below 1
    EXPECT_FALSE(IsZipHeader(negative.data(), negative.size()));
    auto central = h;
    central[2] = 1, central[3] = 2;
    EXPECT_FALSE(IsZipHeader(central.data(), central.size()));
}

TEST(ZipRules, Percentages) {
    EXPECT_EQ(ProgressPercentage(0, 1), 0);
    EXPECT_EQ(ProgressPercentage(1, 1), 100);
    EXPECT_EQ(ProgressPercentage(163, 164), 99);
    EXPECT_EQ(ProgressPercentage(1, 3), 33);
    EXPECT_EQ(ProgressPercentage(2, 3), 66);
    EXPECT_EQ(ProgressPercentage(0xFFFFFFFFu, 0xFFFFFFFFu), 100);  // taken unsigned
    EXPECT_EQ(ProgressPercentage(0, 0), 100);
}

TEST(ZipRules, TargetPaths) {
    EXPECT_EQ(TargetPath(kGbk, "C:\\out", "a/b.txt"), "C:\\out\\a\\b.txt");
    EXPECT_EQ(TargetPath(kGbk, "C:\\out\\", "a/b.txt"), "C:\\out\\a\\b.txt");
    EXPECT_EQ(TargetPath(kGbk, "C:\\", "x"), "C:\\x");
    EXPECT_EQ(TargetPath(kGbk, "rel", "d/"), "rel\\d\\");
    // A destination ending in a double-byte character whose trail byte is
    // "\" still gets its separator.
    EXPECT_EQ(TargetPath(kGbk, "C:\\\x81\x5c", "x"), "C:\\\x81\x5c\\x");
    // A trail byte equal to "/"-like bytes is never touched (GBK trail bytes
    // start at 0x40, so only the ASCII ones change).
    EXPECT_EQ(TargetPath(kGbk, "d", "\x81\x5c/y"), "d\\\x81\x5c\\y");
}

TEST(ZipRules, EntryNamesThatStayInside) {
    const char* safe[] = {"a.txt",
                          "dir/",
                          "dir/sub/file.bin",
                          "dir\\file",
                          "a..b",
                          "..a",
                          ".profile",
                          "console",
                          "COM10",
                          "LPT0",
                          "nul_",
                          "\x81\x5c/x",
                          "\xd1\xb9\xcb\xf5.txt",
                          "a//b",
                          "dir/.hidden"};
    for (const char* n : safe) EXPECT_TRUE(IsSafeEntryName(kGbk, n)) << n;
}

TEST(ZipRules, EntryNamesThatEscapeOrMislead) {
    const char* unsafe[] = {"",
                            "../x",
                            "..\\..\\x",
                            "a/../../x",
                            "a/..",
                            "..",
                            ".",
                            "./x",
                            "C:\\x",
                            "C:x",
                            "c:/x",
                            "\\x",
                            "/x",
                            "\\\\server\\share\\x",
                            "//server/share/x",
                            "x:stream",
                            "dir/x::$DATA",
                            "CON",
                            "con",
                            "con.d/x",
                            "NUL.txt",
                            "dir/nul",
                            "COM1",
                            "com9.log",
                            "LPT1",
                            "AUX",
                            "PRN.x",
                            "CONIN$",
                            "conout$",
                            "NUL .txt",
                            "x.",
                            "x ",
                            "dir./x",
                            "dir /x",
                            "\xd7:",
                            "\x81/../x",
                            "a\x81",
                            "\x81\x7f",
                            "a\x01b",
                            "a*b",
                            "a?b",
                            "a|b",
                            "a<b",
                            "a>b",
                            "a\"b"};
    for (const char* n : unsafe) EXPECT_FALSE(IsSafeEntryName(kGbk, n)) << n;
    EXPECT_FALSE(IsSafeEntryName(kGbk, std::string(260, 'a')));
    EXPECT_TRUE(IsSafeEntryName(kGbk, std::string(259, 'a')));
}

TEST(ZipRules, NamesEndingInASeparatorAreFolders) {
    for (const char* n : {"dir/", "a/b/", "dir\\", "\x81\x5c/"}) EXPECT_TRUE(NamesFolder(kGbk, n)) << n;
    for (const char* n : {"", "file", "a/b", "\x81\x5c", "dir/\x81\x5c"}) EXPECT_FALSE(NamesFolder(kGbk, n)) << n;
}

TEST(ZipRules, FolderLevelsAreDoubleByteAware) {
    EXPECT_EQ(FolderLevels(kGbk, "C:\\a\\b"), (std::vector<std::string>{"C:\\", "C:\\a\\", "C:\\a\\b\\"}));
    EXPECT_EQ(FolderLevels(kGbk, "C:\\a\\b\\"), (std::vector<std::string>{"C:\\", "C:\\a\\", "C:\\a\\b\\"}));
    EXPECT_EQ(FolderLevels(kGbk, "rel\\\x81\x5c"), (std::vector<std::string>{"rel\\", "rel\\\x81\x5c\\"}));
    EXPECT_EQ(FolderLevels(kGbk, "\x81\x5c\\b"), (std::vector<std::string>{"\x81\x5c\\", "\x81\x5c\\b\\"}));
}

TEST(ZipRules, FolderOfTargetAndRelativeFolders) {
    EXPECT_EQ(FolderOfTarget(kGbk, "a\\b/c.txt").folder, "a\\b");
    EXPECT_FALSE(FolderOfTarget(kGbk, "c.txt").found);
    EXPECT_FALSE(FolderOfTarget(kGbk, "\x81\x5c").found);  // the only "\" is a trail byte
    EXPECT_EQ(FolderOfTarget(kGbk, "d\\\x81\x5c").folder, "d");

    EXPECT_TRUE(IsRelativeFolder(kGbk, "a\\b"));
    EXPECT_TRUE(IsRelativeFolder(kGbk, "a..b\\c"));
    EXPECT_TRUE(IsRelativeFolder(kGbk, "\x81..\\x"));  // ".." here starts inside a character
    const char* notBelow[] = {"", "\\a", "/a", "C:\\a", "C:a", "a\\..\\b", "a/../b", "../a"};
    for (const char* f : notBelow) EXPECT_FALSE(IsRelativeFolder(kGbk, f)) << f;
}

// Code page 936 leads with 0x81..0xFE only: 0x80 (the euro sign) and 0xFF
// are characters of their own and take no byte with them.
TEST(ZipRules, GbkByteEightyAndFfStandAlone) {
    EXPECT_EQ(FolderLevels(kGbk, "C:\\\x80\\b"), (std::vector<std::string>{"C:\\", "C:\\\x80\\", "C:\\\x80\\b\\"}));
    EXPECT_EQ(TargetPath(kGbk, "C:\\\xff\\", "x"), "C:\\\xff\\x");
    EXPECT_TRUE(IsSafeEntryName(kGbk, "\x80.txt"));
    EXPECT_TRUE(IsSafeEntryName(kGbk, "a\xff"));
    EXPECT_FALSE(IsSafeEntryName(kGbk, "\x80/../x"));
    EXPECT_TRUE(NamesFolder(kGbk, "\xff/"));
    EXPECT_EQ(FolderOfTarget(kGbk, "a\x80\\b").folder, "a\x80");
}

// 好運 is BA C3 DF 5C: its last byte is "\" on 936 only as a trail byte.
TEST(ZipRules, TrailBackslashIsNoSeparatorOnlyWhereItTrails) {
    const std::string folder = "D:\\\xba\xc3\xdf\x5c";
    EXPECT_EQ(FolderLevels(kGbk, folder), (std::vector<std::string>{"D:\\", folder + "\\"}));
    EXPECT_EQ(TargetPath(kGbk, folder, "x"), folder + "\\x");
    // Read as single bytes the same text ends in a separator.
    EXPECT_EQ(FolderLevels(kSingleByte, folder), (std::vector<std::string>{"D:\\", folder}));
    EXPECT_EQ(TargetPath(kSingleByte, folder, "x"), folder + "x");
}

// Code page 1252: an accented letter is one byte, and the "\" or "." after
// it is a character of its own.
TEST(ZipRules, SingleByteCodePageSplitsAfterAccentedLetters) {
    EXPECT_EQ(FolderLevels(kSingleByte, "C:\\Caf\xe9\\Outils"),
              (std::vector<std::string>{"C:\\", "C:\\Caf\xe9\\", "C:\\Caf\xe9\\Outils\\"}));
    EXPECT_EQ(TargetPath(kSingleByte, "C:\\Caf\xe9", "caf\xe9/a"), "C:\\Caf\xe9\\caf\xe9\\a");
    EXPECT_EQ(TargetPath(kSingleByte, "C:\\Caf\xe9\\", "x"), "C:\\Caf\xe9\\x");
    for (const char* n : {"caf\xe9.txt", "\xe9t\xe9/caf\xe9", "\xff", "\x80\x81"})
        EXPECT_TRUE(IsSafeEntryName(kSingleByte, n)) << n;
    // What an accented letter no longer hides is checked like any character.
    for (const char* n : {"\xe9:", "\xe9/../x", "caf\xe9.", "caf\xe9 ", "\xe9*", "\xe9\x01"})
        EXPECT_FALSE(IsSafeEntryName(kSingleByte, n)) << n;
    EXPECT_TRUE(NamesFolder(kSingleByte, "caf\xe9/"));
    EXPECT_EQ(FolderOfTarget(kSingleByte, "a\xe9\\b").folder, "a\xe9");
    EXPECT_FALSE(IsRelativeFolder(kSingleByte, "\xe9..\\x"));
    // On 936 the same bytes are a lead and an invalid trail.
    EXPECT_FALSE(IsSafeEntryName(kGbk, "caf\xe9.txt"));
}

}  // namespace
}  // namespace vx::zip
