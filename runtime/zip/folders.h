// Folder creation with all missing levels (destination and folder entries).
#pragma once

#include <string_view>

namespace vx::zip {

// Walks the path level by level (double-byte aware) and creates each level
// that does not exist; existing levels such as "C:\" are skipped. false at
// the first level that cannot be created.
bool CreateFolderLevels(std::string_view path);

bool PathExists(const char* path);

}  // namespace vx::zip
