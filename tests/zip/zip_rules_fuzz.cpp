// libFuzzer target over the extra-field scan and the name rules: no input may
// read out of bounds, and a name the rules accept must give a target path
// whose every step below the destination is an ordinary name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/zip/zip_rules.h"

namespace {

// Steps of a path split at "\" outside double-byte characters.
template <class Fn>
void ForEachStep(std::string_view path, Fn fn) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (static_cast<unsigned char>(path[i]) >= 0x80) {
            ++i;
            continue;
        }
        if (path[i] == '\\') {
            fn(path.substr(start, i - start));
            start = i + 1;
        }
    }
    fn(path.substr(start));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vx::zip;
    ScanExtendedTimestamp(data, size);
    IsZipHeader(data, size);

    const std::string_view name(reinterpret_cast<const char*>(data), size);
    if (name.find('\0') != std::string_view::npos) return 0;
    const FolderPart folder = FolderOfTarget(name);
    if (folder.found) IsRelativeFolder(folder.folder);
    FolderLevels(name);
    if (!IsSafeEntryName(name)) return 0;

    const std::string target = TargetPath("C:\\dest", name);
    if (target.compare(0, 8, "C:\\dest\\") != 0) std::abort();
    const std::string_view rest = std::string_view(target).substr(8);
    if (rest.empty() || rest[0] == '\\' || rest.find(':') != std::string_view::npos) std::abort();
    ForEachStep(rest, [](std::string_view step) {
        size_t lastChar = std::string_view::npos;
        for (size_t i = 0; i < step.size(); i += (static_cast<unsigned char>(step[i]) >= 0x80 ? 2 : 1)) lastChar = i;
        if (lastChar == std::string_view::npos || static_cast<unsigned char>(step[lastChar]) >= 0x80) return;
        if (step[lastChar] == '.' || step[lastChar] == ' ') std::abort();  // "..", "." and "x." alike
    });
    return 0;
}
