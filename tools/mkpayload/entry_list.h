// The list of entries of a payload archive: one relative path a line (UTF-8,
// "\" separated, a folder ends with "\"), in archive order. Blank lines and
// lines starting with "#" are skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/gbk/gbk.h"

namespace vx::mkpayload {

struct ListedEntry {
    std::string path;         // as listed, without the folder's trailing "\"
    std::string archiveName;  // GBK bytes, "/" separated, folders end with "/"
    bool folder = false;
};

// Throws std::runtime_error naming the line for a path that escapes the
// root, a duplicate (letters compared without case, as Windows does), or an
// entry whose folder is not listed before it: extraction creates folders
// from their own entries, so a folder must come first.
std::vector<ListedEntry> ParseEntryList(std::string_view text);

// UTF-8 to GBK (code page 936); throws for text GBK cannot hold.
using tools::Utf8ToGbk;

}  // namespace vx::mkpayload
