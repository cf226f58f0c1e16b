// Extraction of real archives (written by make_archives.py) into real folders
// under wine, with a real ZIP unit window as the owner of the progress event.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "runtime/base/memory.h"
#include "runtime/base/text.h"
#include "runtime/zip/archive_reader.h"
#include "runtime/zip/buffered_io.h"
#include "runtime/zip/extraction.h"
#include "runtime/zip/inflate_ahead.h"
#include "runtime/zip/zip_unit.h"
#include "tests/installer/installer_support.h"

namespace vx::zip {
namespace {

constexpr uint32_t kWindowId = 0x52010001;
constexpr uint32_t kUnitId = 0x16010068;

std::string ArchivePath(const char* name) { return std::string(VX_ZIP_ARCHIVES) + name; }

// The bytes make_archives.py stores for an entry of this name and size.
std::string Content(const std::string& name, size_t size) {
    unsigned seed = 0;
    for (unsigned char c : name) seed += c;
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + (i >> 7) * 17 + seed) & 0xFF);
    return s;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string data(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    if (!data.empty()) ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    CloseHandle(h);
    data.resize(got);
    return data;
}

void WriteAll(const std::string& path, const std::string& data) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD done = 0;
    WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &done, nullptr);
    CloseHandle(h);
}

uint64_t LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return 0;
    return (uint64_t(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
}

// Every file and folder below root, relative, folders with a trailing "\".
void ListInto(const std::string& root, const std::string& rel, std::set<std::string>& out) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((root + rel + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.insert(rel + name + "\\");
            ListInto(root, rel + name + "\\", out);
        } else {
            out.insert(rel + name);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

std::set<std::string> ListTree(const std::string& root) {
    std::set<std::string> out;
    ListInto(root, "", out);
    return out;
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = dir + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path + "\\");
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

void MakeFolders(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

// A file's size as a reader finds it at this moment: -1 while it is missing
// or held without sharing (still being written).
int64_t SizeNow(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size{};
    GetFileSizeEx(h, &size);
    CloseHandle(h);
    return size.QuadPart;
}

// What the progress handler saw, and how it answers.
enum class Answer { True, Nothing, FalseOnFirst, DestroyUnitThenFalse };
struct Recorder {
    Answer answer = Answer::True;
    std::vector<int32_t> percentages;
    std::vector<std::string> names;  // CurrentFileName() inside the handler
    std::vector<int64_t> sizes;      // that file's size then, -1 when it cannot be read
    HWND unitWindow = nullptr;
    bool wrongShape = false;
};
Recorder* gRecorder = nullptr;

bool RecordingRaiser(uint32_t windowId, uint32_t unitId, int32_t event, const int32_t* args, int32_t argc,
                     int32_t* result, bool* hasResult) {
    Recorder& r = *gRecorder;
    if (windowId != kWindowId || unitId != kUnitId || event != kProgressEvent || argc != 1) r.wrongShape = true;
    r.percentages.push_back(args[0]);
    r.names.push_back(CurrentFileName());
    r.sizes.push_back(SizeNow(r.names.back()));
    switch (r.answer) {
    case Answer::True: *result = 1, *hasResult = true; break;
    case Answer::Nothing: break;
    case Answer::FalseOnFirst: *result = 0, *hasResult = true; break;
    case Answer::DestroyUnitThenFalse:
        DestroyWindow(r.unitWindow);
        *result = 0, *hasResult = true;
        break;
    }
    return true;
}

class ZipExtract : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        scratch_ =
            std::string(temp) + "vxzip\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        RemoveTree(scratch_);
        MakeFolders(scratch_);
        ASSERT_TRUE(Exists(scratch_));
        SetCurrentDirectoryA(scratch_.c_str());
        parent_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        UnitParams p;
        p.parent = parent_;
        p.controlId = 100;
        p.left = p.top = 10;
        p.width = p.height = 26;
        p.windowId = kWindowId;
        p.unitId = kUnitId;
        unit_ = ZipUnit::Create(p);
        ASSERT_NE(unit_, nullptr);
        recorder_.unitWindow = unit_->Handle();
        gRecorder = &recorder_;
        SetEventRaiser(&RecordingRaiser);
    }

    void TearDown() override {
        SetEventRaiser(nullptr);
        gRecorder = nullptr;
        unit_.reset();
        DestroyWindow(parent_);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        SetCurrentDirectoryA(temp);
        RemoveTree(scratch_);
        EXPECT_FALSE(recorder_.wrongShape) << "event raised with the wrong unit, number or arguments";
    }

    int32_t Run(const char* archive, const std::string& destination) {
        UnitRef owner{kWindowId, kUnitId};
        return Extract(ArchivePath(archive).c_str(), destination.c_str(), &owner);
    }

    std::string scratch_;
    HWND parent_ = nullptr;
    std::unique_ptr<ZipUnit> unit_;
    Recorder recorder_;
};

// The entry name as stored (with "/") decides the content; the file lies at
// the "\" form of it.
void ExpectEntry(const std::string& dest, const std::string& storedName, size_t size) {
    std::string rel = storedName;
    for (char& c : rel)
        if (c == '/') c = '\\';
    const std::string data = ReadAll(dest + rel);
    EXPECT_EQ(data.size(), size) << rel;
    EXPECT_TRUE(data == Content(storedName, size)) << rel;
}

TEST_F(ZipExtract, OneEntryReportsZeroThenHundred) {
    const std::string dest = scratch_ + "out";
    EXPECT_EQ(Run("one.zip", dest), 1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 100}));
    EXPECT_EQ(recorder_.names, (std::vector<std::string>{dest + "\\hello.txt", dest + "\\hello.txt"}));
    ExpectEntry(dest + "\\", "hello.txt", 1300);
    EXPECT_EQ(CurrentFileName(), dest + "\\hello.txt");
}

TEST_F(ZipExtract, TreeWithFoldersTimesAttributesAndGbkNames) {
    ASSERT_EQ(GetACP(), 936u) << "the bench runs in code page 936";
    const std::string dest = scratch_ + "deep\\er\\out";  // missing levels are created
    EXPECT_EQ(Run("tree.zip", dest), 1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    ASSERT_EQ(recorder_.names.size(), 11u);
    EXPECT_EQ(recorder_.names[0], dest + "\\docs\\");
    EXPECT_EQ(recorder_.names[4], dest + "\\docs\\sub\\data.bin");
    EXPECT_EQ(recorder_.names[9], dest + "\\gbk\x81\x5c\\inner.txt");
    EXPECT_EQ(recorder_.names[10], recorder_.names[9]);

    const std::string d = dest + "\\";
    ExpectEntry(d, "docs/readme.txt", 40000);
    ExpectEntry(d, "docs/plain.txt", 2500);
    ExpectEntry(d, "docs/sub/data.bin", 70000);
    ExpectEntry(d, "ro.txt", 300);
    ExpectEntry(d, "hidden.txt", 200);
    ExpectEntry(d, "empty.txt", 0);
    ExpectEntry(d, "gbk\x81\x5c/inner.txt", 900);
    // The trail byte "\" of the GBK character did not split the folder name.
    EXPECT_EQ(ListTree(d), (std::set<std::string>{"docs\\", "docs\\readme.txt", "docs\\plain.txt", "docs\\sub\\",
                                                  "docs\\sub\\data.bin", "ro.txt", "hidden.txt", "empty.txt",
                                                  "gbk\x81\x5c\\", "gbk\x81\x5c\\inner.txt"}));

    // Read-only (no Unix half) and hidden entries end up ordinary files.
    for (const char* name : {"ro.txt", "hidden.txt", "docs\\plain.txt"})
        EXPECT_EQ(GetFileAttributesA((d + name).c_str()) &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                  0u)
            << name;

    // The "UT" block beats the DOS time; without one the DOS time counts
    // (local wall clock converted to UTC).
    EXPECT_EQ(LastWrite(d + "docs\\readme.txt"), (981173106ULL + 11644473600ULL) * 10000000ULL);
    FILETIME local, utc;
    ASSERT_TRUE(DosDateTimeToFileTime(((2012 - 1980) << 9) | (3 << 5) | 4, (5 << 11) | (6 << 5) | 4, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(LastWrite(d + "docs\\plain.txt"), (uint64_t(utc.dwHighDateTime) << 32) | utc.dwLowDateTime);
}

// Run a second time under a French locale (code page 1252): an accented
// letter is one character, so the "\", "/" or "." after it is one too. The
// destination's missing levels and the entry folders split there.
TEST_F(ZipExtract, CodePage1252AccentedNamesAndFolders) {
    ASSERT_EQ(GetACP(), 1252u) << "this case runs under a French locale";
    EXPECT_TRUE(text::SystemLeadBytes() == text::kSingleByte);
    const std::string dest = scratch_ + "Caf\xe9\\Outils";
    EXPECT_EQ(Run("cafe.zip", dest), 1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 33, 66, 100}));
    const std::string d = dest + "\\";
    ExpectEntry(d, "caf\xe9.txt", 700);
    ExpectEntry(d, "\xe9t\xe9/d\xe9j\xe0.txt", 800);
    EXPECT_EQ(ListTree(scratch_),
              (std::set<std::string>{"Caf\xe9\\", "Caf\xe9\\Outils\\", "Caf\xe9\\Outils\\caf\xe9.txt",
                                     "Caf\xe9\\Outils\\\xe9t\xe9\\", "Caf\xe9\\Outils\\\xe9t\xe9\\d\xe9j\xe0.txt"}));
}

// The table names are walked by is the one the system's own test gives.
TEST(SystemLeadBytes, SameAsTheSystemsOwnTest) {
    ASSERT_EQ(GetACP(), 936u) << "the bench runs in code page 936";
    EXPECT_TRUE(text::SystemLeadBytes() == text::kGbkLeadBytes);
    for (unsigned c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_EQ(text::SystemLeadBytes().Contains(byte), IsDBCSLeadByte(byte) != 0) << c;
    }
}

TEST_F(ZipExtract, TrailingSeparatorOnDestinationChangesNothing) {
    const std::string dest = scratch_ + "out";
    ASSERT_EQ(Run("tree.zip", dest), 1);
    const std::vector<std::string> without = recorder_.names;
    recorder_.names.clear();
    ASSERT_EQ(Run("tree.zip", dest + "\\"), 1);
    EXPECT_EQ(recorder_.names, without);
    EXPECT_EQ(ListTree(dest + "\\").size(), 10u);
}

TEST_F(ZipExtract, ReadOnlyTargetIsReplacedAndEndsNormal) {
    const std::string dest = scratch_ + "out\\";
    MakeFolders(dest + "docs");
    WriteAll(dest + "docs\\plain.txt", "an older, longer file left by an earlier installation............");
    ASSERT_TRUE(SetFileAttributesA((dest + "docs\\plain.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    WriteAll(dest + "hidden.txt", "hidden and read-only");
    ASSERT_TRUE(SetFileAttributesA((dest + "hidden.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Run("tree.zip", dest), 1);
    ExpectEntry(dest, "docs/plain.txt", 2500);
    ExpectEntry(dest, "hidden.txt", 200);
    for (const char* name : {"docs\\plain.txt", "hidden.txt"})
        EXPECT_EQ(GetFileAttributesA((dest + name).c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u)
            << name;
}

TEST_F(ZipExtract, FilesBeforeTheirFolderNeedARelativeDestination) {
    const std::string dest = scratch_ + "abs";
    EXPECT_EQ(Run("unordered.zip", dest), 0);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{100}));
    EXPECT_EQ(recorder_.names, (std::vector<std::string>{""}));  // nothing was handled
    EXPECT_TRUE(ListTree(dest + "\\").empty());

    // Relative to the current folder the reader creates the folders itself.
    recorder_.percentages.clear();
    EXPECT_EQ(Run("unordered.zip", "rel"), 1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 50, 100}));
    ExpectEntry(scratch_ + "rel\\", "late/f.txt", 500);
}

// A current folder whose ANSI form does not fit MAX_PATH (a Chinese name is
// two bytes a character there) gives no base folder: relative targets fail,
// and nothing lands at the drive root.
TEST_F(ZipExtract, CurrentFolderBeyondAnsiPathsFailsRelativeTargets) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring name(70, L'\x4E2D');
    const std::wstring first = std::wstring(temp) + name, second = first + L"\\" + name;
    CreateDirectoryW(first.c_str(), nullptr);
    CreateDirectoryW(second.c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryW(second.c_str()));
    char current[MAX_PATH + 1];
    EXPECT_GT(GetCurrentDirectoryA(sizeof current, current), sizeof current);

    EXPECT_EQ(Run("unordered.zip", "vx-long-base"), 0);
    SetCurrentDirectoryA(scratch_.c_str());
    EXPECT_EQ(GetFileAttributesA("\\vx-long-base"), INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryA("\\vx-long-base\\late");
    RemoveDirectoryA("\\vx-long-base");
    RemoveDirectoryW(second.c_str());
    RemoveDirectoryW(first.c_str());
}

TEST_F(ZipExtract, ManyEntriesAcrossReadBufferBoundaries) {
    recorder_.answer = Answer::Nothing;
    const std::string dest = scratch_ + "many\\";
    EXPECT_EQ(Run("many.zip", dest), 1);
    ASSERT_EQ(recorder_.percentages.size(), 301u);
    EXPECT_EQ(recorder_.percentages[150], 50);
    EXPECT_EQ(recorder_.percentages.back(), 100);
    EXPECT_EQ(ListTree(dest).size(), 300u);
    const size_t sizes[] = {4095, 4096, 4097, 16383, 16384, 16385, 1, 0};
    for (int i = 0; i < 300; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "entry_with_a_fairly_long_name_%03d.bin", i);
        ExpectEntry(dest, name, sizes[i % 8] + size_t(i / 8) * 7);
    }
}

// Entries are inflated ahead of their writing: every report still comes in
// archive order, names its own entry, and finds that file complete and closed.
TEST_F(ZipExtract, EachReportFindsItsEntryWrittenInArchiveOrder) {
    const std::string dest = scratch_ + "many\\";
    ASSERT_EQ(Run("many.zip", dest), 1);
    ASSERT_EQ(recorder_.names.size(), 301u);
    const size_t sizes[] = {4095, 4096, 4097, 16383, 16384, 16385, 1, 0};
    for (int i = 0; i < 300; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "entry_with_a_fairly_long_name_%03d.bin", i);
        EXPECT_EQ(recorder_.percentages[size_t(i)], i * 100 / 300) << i;
        EXPECT_EQ(recorder_.names[size_t(i)], dest + name) << i;
        EXPECT_EQ(recorder_.sizes[size_t(i)], int64_t(sizes[i % 8] + size_t(i / 8) * 7)) << i;
    }
}

// A drive that fills up in the middle of the archive: the entry being
// written fails the extraction, nothing after it is written or reported,
// and the closing report names the last entry written.
TEST_F(ZipExtract, FullDriveMidArchiveStopsAtThatEntry) {
    test::installer::MappedDrive small('R', 128 * 1024);
    if (!small.Ready()) GTEST_SKIP() << "a small tmpfs could not be mounted as R: (tests must run as root)";
    const std::string dest = small.Root() + "out";
    EXPECT_EQ(Run("fills.zip", dest), 0);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 20, 100}));
    const std::string d = dest + "\\";
    EXPECT_EQ(recorder_.names, (std::vector<std::string>{d + "a.txt", d + "b.txt", d + "b.txt"}));
    EXPECT_EQ(CurrentFileName(), d + "b.txt");
    ExpectEntry(d, "a.txt", 20000);
    ExpectEntry(d, "b.txt", 20000);
    const std::set<std::string> left = ListTree(d);
    EXPECT_EQ(left.count("c.txt") + left.count("d.txt"), 0u);
    EXPECT_LT(ReadAll(d + "big.bin").size(), 600000u);
}

// Only the CRC tells the third entry is damaged: the good ones before it are
// written and reported, nothing after it, and the damaged file does not get
// the entry's time as a good one would.
TEST_F(ZipExtract, BadCrcAfterGoodEntriesFailsThere) {
    const std::string d = scratch_ + "out\\";
    EXPECT_EQ(Run("late_crc.zip", d), 0);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 25, 100}));
    EXPECT_EQ(recorder_.names, (std::vector<std::string>{d + "good1.txt", d + "good2.txt", d + "good2.txt"}));
    ExpectEntry(d, "good1.txt", 3000);
    ExpectEntry(d, "good2.txt", 3000);
    EXPECT_FALSE(Exists(d + "good3.txt"));
    EXPECT_NE(LastWrite(d + "bad.bin"), (981173106ULL + 11644473600ULL) * 10000000ULL);
}

TEST_F(ZipExtract, FolderEntriesWithoutAttributesAreFolders) {
    const std::string dest = scratch_ + "out\\";
    EXPECT_EQ(Run("bare_folders.zip", dest), 1);
    EXPECT_EQ(ListTree(dest), (std::set<std::string>{"plain\\", "plain\\x.txt", "\x81\x5c"}));
    ExpectEntry(dest, "plain/x.txt", 50);
    ExpectEntry(dest, "\x81\x5c", 60);
}

TEST_F(ZipExtract, HandlerStopsAfterTheFirstEntry) {
    recorder_.answer = Answer::FalseOnFirst;
    const std::string dest = scratch_ + "out\\";
    EXPECT_EQ(Run("flat.zip", dest), 1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0}));
    EXPECT_EQ(ListTree(dest), (std::set<std::string>{"f1.txt"}));
}

TEST_F(ZipExtract, HandlerReturningNothingNeverStops) {
    recorder_.answer = Answer::Nothing;
    const std::string dest = scratch_ + "out\\";
    EXPECT_EQ(Run("flat.zip", dest), 1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 25, 50, 75, 100}));
    for (int i = 1; i <= 4; ++i) ExpectEntry(dest, "f" + std::to_string(i) + ".txt", 1000 * i);
}

TEST_F(ZipExtract, FalseFromAHandlerWhoseUnitIsGoneDoesNotStop) {
    recorder_.answer = Answer::DestroyUnitThenFalse;
    const std::string dest = scratch_ + "out\\";
    EXPECT_EQ(Run("flat.zip", dest), 1);
    // No window, no further events; the current name still moves on.
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0}));
    EXPECT_EQ(ListTree(dest).size(), 4u);
    EXPECT_EQ(CurrentFileName(), dest + "f4.txt");
    EXPECT_FALSE(ZipUnitExists(kWindowId, kUnitId));
}

TEST_F(ZipExtract, WithoutOwnerNothingIsReported) {
    const std::string dest = scratch_ + "out\\";
    ASSERT_EQ(Run("one.zip", dest), 1);
    const std::string before = CurrentFileName();
    EXPECT_EQ(Extract(ArchivePath("flat.zip").c_str(), dest.c_str(), nullptr), 1);
    UnitRef stranger{kWindowId, kUnitId + 1};  // no such unit
    EXPECT_EQ(Extract(ArchivePath("flat.zip").c_str(), dest.c_str(), &stranger), 1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 100}));
    EXPECT_EQ(CurrentFileName(), before);
    EXPECT_EQ(ListTree(dest).size(), 5u);
}

TEST_F(ZipExtract, HostileNamesAreRefusedAndNothingLandsOutside) {
    char root[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, root);
    int cases = 0;
    for (int i = 0; i < 100; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "evil_%02d.zip", i);
        if (!Exists(ArchivePath(name))) break;
        ++cases;
        SCOPED_TRACE(name);
        const std::string dest = scratch_ + "a\\b\\dest";
        recorder_.percentages.clear();
        EXPECT_EQ(Run(name, dest), 0);
        EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 100}));
        EXPECT_EQ(ListTree(scratch_), (std::set<std::string>{"a\\", "a\\b\\", "a\\b\\dest\\", "a\\b\\dest\\ok.txt"}));
        RemoveTree(scratch_ + "a\\");
    }
    EXPECT_EQ(cases, 15);
    for (const char* outside :
         {"C:\\vxzip_evil_0.txt", "C:\\vxzip_evil_1.txt", "C:\\vxzip_evil_2.txt", "C:\\vxzip_evil_3.txt",
          "C:\\vxzip_evil_6.txt", "C:\\vxzip_evil_7.txt", "C:\\vxzip_evil_dir", "C:\\users\\vxzip_evil_0.txt"}) {
        EXPECT_FALSE(Exists(outside)) << outside;
        DeleteFileA(outside);
        RemoveDirectoryA(outside);
    }
}

TEST_F(ZipExtract, DamagedArchivesFail) {
    struct Case {
        const char* archive;
        std::vector<int32_t> percentages;
    };
    const Case cases[] = {
        {"deflate_flipped.zip", {100}},                               // caught by the CRC only
        {"stored_flipped.zip", {100}},  {"bad_local.zip", {0, 100}},  // the second local header is broken
        {"truncated.zip", {100}},       {"not_a_zip.zip", {100}},    {"long_name.zip", {100}}, {"bad_extra.zip", {100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        recorder_.percentages.clear();
        const std::string dest = scratch_ + "out\\";
        EXPECT_EQ(Run(c.archive, dest), 0);
        EXPECT_EQ(recorder_.percentages, c.percentages);
    }
    EXPECT_EQ(ListTree(scratch_ + "out\\").count("first.txt"), 1u);
    EXPECT_EQ(ListTree(scratch_ + "out\\").count("second.txt"), 0u);
}

TEST_F(ZipExtract, MissingArgumentsAndArchive) {
    EXPECT_EQ(Run("no_such.zip", scratch_ + "out"), -1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{100}));  // closing report, total 0
    EXPECT_FALSE(Exists(scratch_ + "out"));
    recorder_.percentages.clear();
    UnitRef owner{kWindowId, kUnitId};
    EXPECT_EQ(Extract(nullptr, scratch_.c_str(), &owner), -1);
    EXPECT_EQ(Extract(ArchivePath("one.zip").c_str(), nullptr, &owner), -1);
    EXPECT_EQ(Extract(ArchivePath("one.zip").c_str(), "", &owner), -1);
    EXPECT_TRUE(recorder_.percentages.empty());
}

TEST_F(ZipExtract, CommandsThroughValueRecords) {
    const std::string archive = ArchivePath("one.zip");
    const std::string dest = scratch_ + "cmd";
    ValueRecord args[3] = {
        {kWindowId, kUnitId, kZipUnitType}, ValueRecord::OfText(archive.c_str()), ValueRecord::OfText(dest.c_str())};
    ValueRecord result;
    ExtractCommand(&result, 3, args);
    EXPECT_EQ(result.Int(), 1);
    EXPECT_EQ(recorder_.percentages, (std::vector<int32_t>{0, 100}));

    ValueRecord name;
    CurrentFileNameCommand(&name, 1, args);
    ASSERT_NE(name.Text(), nullptr);
    EXPECT_STREQ(name.Text(), (dest + "\\hello.txt").c_str());
    Free(name.Text());

    args[2] = ValueRecord{};  // destination omitted
    result = ValueRecord{};
    ExtractCommand(&result, 3, args);
    EXPECT_EQ(result.Int(), -1);
}

uint64_t Ticks(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

// minizip's positions are longs (32 bits here): one past their range is
// an error, never a negative offset.
TEST(ArchiveReader, PositionBeyondLongIsAnError) {
    zlib_filefunc_def io;
    FillBufferedWin32FileFunc(&io);
    voidpf stream = io.zopen_file(io.opaque, ArchivePath("tree.zip").c_str(),
                                  ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(io.zseek_file(io.opaque, stream, 0x7FFFFFFF, ZLIB_FILEFUNC_SEEK_SET), 0);
    EXPECT_EQ(io.ztell_file(io.opaque, stream), 0x7FFFFFFF);
    ASSERT_EQ(io.zseek_file(io.opaque, stream, 0x80000000u, ZLIB_FILEFUNC_SEEK_SET), 0);
    EXPECT_EQ(io.ztell_file(io.opaque, stream), -1);
    io.zclose_file(io.opaque, stream);
}

TEST(ArchiveReader, RecordsAndResultCodes) {
    ArchiveReader reader;
    ZipEntry e;
    EXPECT_EQ(reader.GetEntry(0, e), kWrongAccess);
    EXPECT_EQ(reader.ExtractEntry(0, "x"), kWrongAccess);
    ASSERT_EQ(reader.Open(ArchivePath("tree.zip").c_str()), kOk);
    EXPECT_EQ(reader.Open(ArchivePath("tree.zip").c_str()), kAlreadyOpen);

    ASSERT_EQ(reader.GetEntry(-1, e), kOk);
    EXPECT_EQ(e.index, 10);
    EXPECT_EQ(reader.GetEntry(10, e), kNoSuchEntry);
    EXPECT_EQ(reader.GetEntry(-2, e), kNoSuchEntry);

    // Out of order on purpose: the reader rewinds.
    ASSERT_EQ(reader.GetEntry(4, e), kOk);
    EXPECT_STREQ(e.name, "docs/sub/data.bin");
    EXPECT_EQ(e.attributes, 0x80u);
    EXPECT_EQ(e.method, 0);
    EXPECT_EQ(e.uncompressedSize, 70000u);
    EXPECT_EQ(e.compressedSize, 70000u);
    ASSERT_EQ(reader.GetEntry(1, e), kOk);
    EXPECT_STREQ(e.name, "docs/readme.txt");
    EXPECT_EQ(e.method, 8);
    EXPECT_LT(e.compressedSize, e.uncompressedSize);
    EXPECT_EQ(e.modificationTime, (981173106ULL + 11644473600ULL) * 10000000ULL);
    FILETIME local, utc;
    ASSERT_TRUE(DosDateTimeToFileTime(((2010 - 1980) << 9) | (6 << 5) | 7, (8 << 11) | (9 << 5) | 5, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(e.creationTime, Ticks(utc));  // the "UT" block holds only the modification time
    EXPECT_EQ(e.accessTime, Ticks(utc));
    ASSERT_EQ(reader.GetEntry(0, e), kOk);
    EXPECT_EQ(e.attributes, 0x90u);
    ASSERT_EQ(reader.GetEntry(5, e), kOk);
    EXPECT_EQ(e.attributes, 0x81u);  // no Unix half: read-only
    ASSERT_EQ(reader.GetEntry(6, e), kOk);
    EXPECT_EQ(e.attributes, 0x82u);

    // An absolute target in a folder that does not exist is not created.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string missing = std::string(temp) + "vxzip_no_such_folder\\readme.txt";
    EXPECT_EQ(reader.ExtractEntry(1, missing.c_str()), kCannotCreateTarget);
    EXPECT_FALSE(Exists(std::string(temp) + "vxzip_no_such_folder"));
    EXPECT_EQ(reader.ExtractEntry(10, missing.c_str()), kNoSuchEntry);
    // Written with the entry's own attributes when no final ones are given.
    const std::string ro = std::string(temp) + "vxzip_reader_ro.txt";
    ASSERT_EQ(reader.ExtractEntry(5, ro.c_str()), kOk);
    EXPECT_TRUE(GetFileAttributesA(ro.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(ro.c_str());
    reader.Close();
    EXPECT_EQ(reader.GetEntry(0, e), kWrongAccess);

    ArchiveReader damaged;
    ASSERT_EQ(damaged.Open(ArchivePath("bad_local.zip").c_str()), kOk);
    EXPECT_EQ(damaged.GetEntry(0, e), kOk);
    EXPECT_EQ(damaged.GetEntry(1, e), kBadLocalHeader);
    EXPECT_EQ(damaged.GetEntry(2, e), kOk);
    ArchiveReader badExtra;
    ASSERT_EQ(badExtra.Open(ArchivePath("bad_extra.zip").c_str()), kOk);
    EXPECT_EQ(badExtra.GetEntry(0, e), kBadExtraField);
    ArchiveReader none;
    EXPECT_NE(none.Open(ArchivePath("not_a_zip.zip").c_str()), kOk);
    EXPECT_FALSE(none.IsOpen());
}

// Everything a piece source gives for one entry, or "<error>".
std::string Drain(EntryData& data) {
    std::string out;
    for (;;) {
        const uint8_t* piece = nullptr;
        const int n = data.Next(&piece);
        if (n < 0) return "<error>";
        if (n == 0) return out;
        out.append(reinterpret_cast<const char*>(piece), size_t(n));
    }
}

// The inflating side alone: with its own thread and without, with one piece
// or many, every wanted entry comes out whole and in order (300 entries,
// many more than there are pieces), an entry asked out of turn is an error,
// and so is the rest of a damaged entry's data.
TEST(InflateAhead, WantedEntriesWholeAndInOrder) {
    for (const bool ownThread : {true, false}) {
        for (const unsigned pieces : {1u, InflateAhead::kPieces}) {
            SCOPED_TRACE(std::string(ownThread ? "thread, " : "inline, ") + std::to_string(pieces) + " pieces");
            ArchiveReader reader;
            ASSERT_EQ(reader.Open(ArchivePath("many.zip").c_str()), kOk);
            std::vector<bool> wanted(300);
            for (size_t i = 0; i < wanted.size(); ++i) wanted[i] = i % 5 != 2;
            InflateAhead ahead(reader, wanted, pieces, ownThread);
            const size_t sizes[] = {4095, 4096, 4097, 16383, 16384, 16385, 1, 0};
            for (int i = 0; i < 300; ++i) {
                if (!wanted[size_t(i)]) continue;
                char name[64];
                std::snprintf(name, sizeof name, "entry_with_a_fairly_long_name_%03d.bin", i);
                EXPECT_TRUE(Drain(ahead.Data(i)) == Content(name, sizes[i % 8] + size_t(i / 8) * 7)) << i;
                if (i == 150) {
                    EXPECT_EQ(Drain(ahead.Data(153)), "<error>");  // 151 comes first
                    break;
                }
            }
        }
    }
    for (const bool ownThread : {true, false}) {
        ArchiveReader reader;
        ASSERT_EQ(reader.Open(ArchivePath("late_crc.zip").c_str()), kOk);
        InflateAhead ahead(reader, std::vector<bool>(4, true), InflateAhead::kPieces, ownThread);
        EXPECT_EQ(Drain(ahead.Data(0)), Content("good1.txt", 3000));
        EXPECT_EQ(Drain(ahead.Data(1)), Content("good2.txt", 3000));
        EXPECT_EQ(Drain(ahead.Data(2)), "<error>");
        EXPECT_EQ(Drain(ahead.Data(3)), "<error>");  // nothing is read past a failed entry
    }
}

TEST(ZipUnitWindow, ChildWindowWithBorderPaintedInTheFaceColour) {
    HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    UnitParams p;
    p.style = WS_VISIBLE;
    p.parent = parent;
    p.controlId = 110;
    p.left = p.top = 20;
    p.width = p.height = 26;
    p.windowId = 7;
    p.unitId = 8;
    auto unit = ZipUnit::Create(p);
    ASSERT_NE(unit, nullptr);
    const LONG style = GetWindowLongA(unit->Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER | WS_VISIBLE),
              WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER | WS_VISIBLE);
    EXPECT_TRUE(GetClassLongA(unit->Handle(), GCL_STYLE) & CS_DBLCLKS);
    EXPECT_EQ(GetDlgCtrlID(unit->Handle()), 110);
    EXPECT_TRUE(ZipUnitExists(7, 8));

    UpdateWindow(parent);
    UpdateWindow(unit->Handle());
    HDC dc = GetDC(unit->Handle());
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(212, 208, 200));
    ReleaseDC(unit->Handle(), dc);

    DestroyWindow(parent);  // takes the unit's window with it
    EXPECT_FALSE(ZipUnitExists(7, 8));
    unit.reset();  // nothing left to destroy
}

}  // namespace
}  // namespace vx::zip
