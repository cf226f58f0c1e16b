#include "product/kandor/collection.h"

#include <windows.h>

namespace vx::kandor {
namespace {

// The panel never shows more tiles than this, whatever the file claims.
constexpr int kMaxShortcuts = 64;

std::string ReadValue(const std::string& section, const char* key, const std::string& path) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(section.c_str(), key, "", buffer, sizeof buffer, path.c_str());
    return buffer;
}

}  // namespace

std::vector<WebShortcut> ReadCollection(const std::string& iniPath) {
    std::vector<WebShortcut> list;
    int count = static_cast<int>(GetPrivateProfileIntA("配置", "个数", 0, iniPath.c_str()));
    if (count > kMaxShortcuts) count = kMaxShortcuts;
    for (int i = 1; i <= count; ++i) {
        std::string section = "图标" + std::to_string(i);
        WebShortcut entry{ReadValue(section, "文本", iniPath), ReadValue(section, "名称", iniPath),
                          ReadValue(section, "图片", iniPath)};
        if (entry.address.empty() && entry.name.empty()) continue;
        list.push_back(std::move(entry));
    }
    return list;
}

}  // namespace vx::kandor
