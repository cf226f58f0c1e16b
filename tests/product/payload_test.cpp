// The payload archive as the installer gets it: the embedded byte set over
// the archive file, and the archive's entries as the product reads them.
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "data/payload/payload.h"
#include "tests/product/product_fixture.h"
#include "tests/support/win32_harness.h"

namespace {

using namespace vx::test;
using namespace vx::test::product;

std::string Ini(const std::string& path, const char* section, const char* key) {
    char value[512] = {};
    GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, path.c_str());
    return value;
}

TEST(Payload, ByteSetHoldsTheArchiveFileWhole) {
    std::string archive = ReadFileBytes(ExeDirectory() + "payload.zip");
    ASSERT_GT(archive.size(), 1000u);
    int32_t header[2];
    std::memcpy(header, vxPayloadByteSet, sizeof header);
    EXPECT_EQ(header[0], 1);
    EXPECT_EQ(static_cast<size_t>(header[1]), archive.size());
    EXPECT_EQ(static_cast<size_t>(vxPayloadEnd - vxPayloadByteSet), archive.size() + 8);
    EXPECT_EQ(std::memcmp(vxPayloadByteSet + 8, archive.data(), archive.size()), 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(vxPayloadByteSet) % 4, 0u);
}

TEST(Payload, FoldersAreStoredBeforeTheirFilesAndFilesDeflated) {
    unzFile zip = unzOpen((ExeDirectory() + "payload.zip").c_str());
    ASSERT_NE(zip, nullptr);
    std::set<std::string> folders;
    int count = 0;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip), ++count) {
        char name[MAX_PATH];
        unz_file_info info;
        unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        std::string n = name;
        SCOPED_TRACE(n);
        size_t cut = n.find_last_of('/', n.size() - 2);
        if (cut != std::string::npos) {
            EXPECT_TRUE(folders.count(n.substr(0, cut + 1))) << "folder listed after its file";
        }
        EXPECT_EQ(info.flag & 1, 0u);
        if (n.back() == '/') {
            folders.insert(n);
            EXPECT_EQ(info.compression_method, 0u);
            EXPECT_NE(info.external_fa & 0x10, 0u);
        } else {
            EXPECT_EQ(info.compression_method, 8u);
        }
    }
    unzClose(zip);
    EXPECT_EQ(folders, (std::set<std::string>{"image/", "ico/", "Collection/"}));
    EXPECT_GT(count, 20);
}

TEST(Payload, SettingsAndPicturesAreWhatTheProductAndInstallerRead) {
    TempDir dir;
    std::vector<std::string> names = ExtractArchive(ExeDirectory() + "payload.zip", dir.path());
    for (const char* required :
         {"Kandor.exe", "Uninstall.exe", "boot.ini", "win.lock", "image\\boot.ini", "image\\logo.png", "image\\ico.ico",
          "image\\Uninstall.ico", "Collection\\Collection.ini"})
        EXPECT_NE(std::find(names.begin(), names.end(), required), names.end()) << required;

    EXPECT_EQ(ReadFileBytes(dir / "Kandor.exe").substr(0, 2), "MZ");
    EXPECT_EQ(ReadFileBytes(dir / "Uninstall.exe").substr(0, 2), "MZ");
    EXPECT_EQ(ReadFileBytes(dir / "image\\logo.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(ReadFileBytes(dir / "image\\ico.ico").substr(0, 4), std::string("\0\0\1\0", 4));
    EXPECT_EQ(ReadFileBytes(dir / "image\\Uninstall.ico").substr(0, 4), std::string("\0\0\1\0", 4));
    EXPECT_EQ(ReadFileBytes(dir / "ico\\桌面设置.png").substr(0, 4), "\x89PNG");

    // Settings in GBK, as GetPrivateProfileString sees them in code page 936.
    EXPECT_EQ(Ini(dir / "win.lock", "传递", "窗口句柄"), "0");
    EXPECT_EQ(Ini(dir / "image\\boot.ini", "配置", "logo"), "logo.png");
    EXPECT_EQ(Ini(dir / "boot.ini", "功能", "6"), "原始桌面");
    EXPECT_EQ(Ini(dir / "boot.ini", "功能", "7"), "QV桌面 A");
    EXPECT_EQ(Ini(dir / "boot.ini", "热键", "增亮"), "2");
    std::string collection = dir / "Collection\\Collection.ini";
    int count = static_cast<int>(GetPrivateProfileIntA("配置", "个数", 0, collection.c_str()));
    EXPECT_EQ(count, 8);
    EXPECT_EQ(Ini(collection, "图标1", "名称"), "百度");
    for (int i = 1; i <= count; ++i) {
        std::string section = "图标" + std::to_string(i);
        SCOPED_TRACE(section);
        EXPECT_EQ(Ini(collection, section.c_str(), "文本").rfind("http", 0), 0u);
        EXPECT_NE(Ini(collection, section.c_str(), "名称"), "<missing>");
        EXPECT_EQ(ReadFileBytes(dir / ("Collection\\" + Ini(collection, section.c_str(), "图片"))).substr(0, 4),
                  "\x89PNG");
    }
}

}  // namespace
