// The panel's web shortcuts: "Collection\Collection.ini", section "配置"
// key "个数" (count), then sections "图标1", "图标2", ... with "文本" (the
// address), "名称" (the name shown) and "图片" (the tile picture).
#pragma once

#include <string>
#include <vector>

namespace vx::kandor {

struct WebShortcut {
    std::string address;
    std::string name;
    std::string picture;
};

// Entries 1 to 个数 that have an address or a name; an unreadable file gives
// an empty list.
std::vector<WebShortcut> ReadCollection(const std::string& iniPath);

}  // namespace vx::kandor
