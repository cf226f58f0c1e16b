// The payload archive writer read back through minizip, the reader the
// installer's extraction is built on.
#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/base/byte_reader.h"
#include "tools/mkpayload/entry_list.h"
#include "tools/mkpayload/zip_writer.h"

namespace {

using vx::mkpayload::ParseEntryList;
using vx::mkpayload::Utf8ToGbk;
using vx::mkpayload::ZipWriter;

constexpr int64_t kTime = 1700000000;  // 2023-11-14 22:13:20 UTC

struct ReadEntry {
    std::string name;
    unz_file_info info;
    std::string centralExtra;
    std::string localExtra;
    std::string data;
    int closeResult;
};

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/vxmkpayload-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<ReadEntry> ReadArchive(const std::string& path) {
    std::vector<ReadEntry> entries;
    unzFile zip = unzOpen(path.c_str());
    if (!zip) throw std::runtime_error("unzOpen failed");
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        ReadEntry e{};
        char name[512];
        char extra[256];
        unzGetCurrentFileInfo(zip, &e.info, name, sizeof name, extra, sizeof extra, nullptr, 0);
        e.name = name;
        e.centralExtra.assign(extra, e.info.size_file_extra);
        if (unzOpenCurrentFile(zip) != UNZ_OK) throw std::runtime_error("unzOpenCurrentFile failed");
        char local[256];
        int n = unzGetLocalExtrafield(zip, local, sizeof local);
        if (n > 0) e.localExtra.assign(local, static_cast<size_t>(n));
        char buffer[4096];
        while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) e.data.append(buffer, static_cast<size_t>(n));
        e.closeResult = unzCloseCurrentFile(zip);  // UNZ_CRCERROR on a wrong CRC
        entries.push_back(std::move(e));
    }
    unzClose(zip);
    return entries;
}

const uint8_t* At(const std::string& s, size_t at) { return reinterpret_cast<const uint8_t*>(s.data()) + at; }
uint32_t Le32(const std::string& s, size_t at) { return vx::U32(At(s, at)); }
uint16_t Le16(const std::string& s, size_t at) { return vx::U16(At(s, at)); }

// The "UT" block of an extra field: flags and the times that follow.
std::vector<uint32_t> TimestampBlock(const std::string& extra, uint8_t* flags) {
    for (size_t at = 0; at + 4 <= extra.size();) {
        uint16_t tag = Le16(extra, at);
        uint16_t size = Le16(extra, at + 2);
        if (tag == 0x5455) {
            *flags = static_cast<uint8_t>(extra[at + 4]);
            std::vector<uint32_t> times;
            for (size_t t = at + 5; t + 4 <= at + 4 + size; t += 4) times.push_back(Le32(extra, t));
            return times;
        }
        at += 4 + size;
    }
    *flags = 0;
    return {};
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// The entry list is UTF-8 while this file's plain literals are compiled to GBK.
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(ZipWriter, ArchiveReadsBackInOrderWithFoldersStoredAndFilesDeflated) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "[图标" + std::to_string(i) + "]\r\n名称=网站\r\n";
    std::string binary;
    for (int i = 0; i < 3000; ++i) binary += static_cast<char>((i * 7919) % 251);
    ZipWriter zip;
    zip.AddFile("boot.ini", Bytes(text), kTime);
    zip.AddFolder("image", kTime);
    zip.AddFile("image/logo.png", Bytes(binary), kTime + 60);
    zip.AddFolder(Utf8ToGbk("ico/"), kTime);
    zip.AddFile(Utf8ToGbk(U8(u8"ico/桌面设置.png")), Bytes(""), kTime);
    TempFolder dir;
    const std::vector<uint8_t>& bytes = zip.Finish();
    WriteFile(dir / "a.zip", std::string(bytes.begin(), bytes.end()));

    std::vector<ReadEntry> entries = ReadArchive(dir / "a.zip");
    ASSERT_EQ(entries.size(), 5u);
    const char* names[] = {"boot.ini", "image/", "image/logo.png", "ico/", "ico/\xd7\xc0\xc3\xe6\xc9\xe8\xd6\xc3.png"};
    for (size_t i = 0; i < entries.size(); ++i) {
        const ReadEntry& e = entries[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.name, names[i]);
        bool folder = e.name.back() == '/';
        EXPECT_EQ(e.info.compression_method, folder ? 0u : 8u);
        EXPECT_EQ(e.info.flag & 0x0809u, 0u);  // not encrypted, no UTF-8 flag, no data descriptor
        EXPECT_EQ(e.closeResult, UNZ_OK);
        // Windows attribute bits and the Unix mode: folders are directories,
        // files keep owner-write so they do not come out read-only.
        EXPECT_EQ((e.info.external_fa & 0x10) != 0, folder);
        EXPECT_EQ((e.info.external_fa >> 16) & 0170000, folder ? 0040000u : 0100000u);
        EXPECT_NE(e.info.external_fa & 0x00800000, 0u);
        uint8_t localFlags, centralFlags;
        std::vector<uint32_t> local = TimestampBlock(e.localExtra, &localFlags);
        std::vector<uint32_t> central = TimestampBlock(e.centralExtra, &centralFlags);
        uint32_t expected = static_cast<uint32_t>(i == 2 ? kTime + 60 : kTime);
        EXPECT_EQ(localFlags, 3);
        EXPECT_EQ(local, (std::vector<uint32_t>{expected, expected}));
        EXPECT_EQ(centralFlags, 3);
        EXPECT_EQ(central, std::vector<uint32_t>{expected});
    }
    EXPECT_EQ(entries[0].data, text);
    EXPECT_LT(entries[0].info.compressed_size, entries[0].info.uncompressed_size / 4);
    EXPECT_EQ(entries[2].data, binary);
    EXPECT_EQ(entries[4].data, "");
    EXPECT_EQ(entries[1].info.uncompressed_size, 0u);
    // DOS date and time agree with the extended timestamp (UTC).
    EXPECT_EQ(entries[2].info.tmu_date.tm_year, 2023u);
    EXPECT_EQ(entries[2].info.tmu_date.tm_mon, 10u);  // November, 0-based
    EXPECT_EQ(entries[2].info.tmu_date.tm_mday, 14u);
    EXPECT_EQ(entries[2].info.tmu_date.tm_hour, 22u);
    EXPECT_EQ(entries[2].info.tmu_date.tm_min, 14u);
    EXPECT_EQ(entries[2].info.tmu_date.tm_sec, 20u);
}

TEST(EntryList, ConvertsNamesAndKeepsOrder) {
    auto entries =
        ParseEntryList(U8(u8"# comment\r\nKandor.exe\r\n\r\nimage\\\r\nimage\\boot.ini\r\n乗\\\n乗\\a.png\n"));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].archiveName, "Kandor.exe");
    EXPECT_FALSE(entries[0].folder);
    EXPECT_EQ(entries[1].archiveName, "image/");
    EXPECT_TRUE(entries[1].folder);
    EXPECT_EQ(entries[1].path, "image");
    EXPECT_EQ(entries[2].archiveName, "image/boot.ini");
    EXPECT_EQ(entries[2].path, "image\\boot.ini");
    // GBK 81 5C: the trail byte is "\" and must stay, not become "/".
    EXPECT_EQ(entries[3].archiveName, "\x81\x5c/");
    EXPECT_EQ(entries[4].archiveName, "\x81\x5c/a.png");
}

TEST(EntryList, RefusesWhatExtractionCannotHandle) {
    const char* bad[] = {
        "image\\boot.ini\n",           // folder not listed
        "image\\boot.ini\nimage\\\n",  // folder listed after its file
        "a.txt\nA.TXT\n",              // the same name on Windows
        "..\\x.txt\n",                 // escapes the install folder
        "image\\\nimage\\\\x\n",       // empty level
        "image/x.png\n",               // "/" is not the separator of the list
        "C:\\x.txt\n",                 // absolute
        "\xff\xfe.txt\n",              // not UTF-8
    };
    for (const char* list : bad) EXPECT_THROW(ParseEntryList(list), std::runtime_error) << list;
}

TEST(MkpayloadTool, TakesFilesFromTheFirstRootThatHasThemAndFailsOnMissingOnes) {
    TempFolder dir;
    mkdir((dir / "r1").c_str(), 0755);
    mkdir((dir / "r2").c_str(), 0755);
    mkdir((dir / "r2/image").c_str(), 0755);
    WriteFile(dir / "r1/boot.ini", "first");
    WriteFile(dir / "r2/boot.ini", "second");
    WriteFile(dir / "r2/image/logo.png", "picture");
    WriteFile(dir / "list", "boot.ini\nimage\\\nimage\\logo.png\n");
    std::string tool = MKPAYLOAD_PATH;
    std::string base = "ASAN_OPTIONS=detect_leaks=0 " + tool + " --list " + dir / "list" + " --root " + dir / "r1" +
                       " --root " + dir / "r2" + " --mtime 1600000000 --out ";
    ASSERT_EQ(std::system((base + dir / "ok.zip >/dev/null").c_str()), 0);
    std::vector<ReadEntry> entries = ReadArchive(dir / "ok.zip");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].data, "first");
    EXPECT_EQ(entries[2].name, "image/logo.png");
    EXPECT_EQ(entries[2].data, "picture");
    uint8_t flags;
    EXPECT_EQ(TimestampBlock(entries[1].localExtra, &flags).at(0), 1600000000u);

    WriteFile(dir / "list", "boot.ini\nmissing.dll\n");
    EXPECT_NE(std::system((base + dir / "bad.zip 2>/dev/null").c_str()), 0);
    EXPECT_NE(access((dir / "bad.zip").c_str(), F_OK), 0);
}

}  // namespace
