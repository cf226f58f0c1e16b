#include "runtime/zip/folders.h"

#include <windows.h>

#include <string>

#include "runtime/zip/zip_rules.h"

namespace vx::zip {

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool CreateFolderLevels(std::string_view path) {
    for (const std::string& level : FolderLevels(text::SystemLeadBytes(), path)) {
        if (PathExists(level.c_str())) continue;
        if (!CreateDirectoryA(level.c_str(), nullptr)) return false;
    }
    return true;
}

}  // namespace vx::zip
