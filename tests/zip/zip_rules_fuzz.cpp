// libFuzzer target over the extra-field scan and the name rules: no input may
// read out of bounds, and a name the rules accept must give a target path
// whose every step below the destination is an ordinary name. The first
// input byte chooses the code page's lead-byte table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/base/text.h"
#include "runtime/zip/zip_rules.h"

namespace {

using vx::text::LeadBytes;

// Code page 932 (Shift-JIS): two lead ranges, trail bytes from 0x40.
LeadBytes ShiftJis() {
    LeadBytes lead(0x81, 0x9F);
    lead.AddRange(0xE0, 0xFC);
    return lead;
}

const LeadBytes& TableFor(uint8_t selector) {
    static const LeadBytes kTables[] = {vx::text::kGbkLeadBytes, vx::text::kSingleByte, ShiftJis()};
    return kTables[selector % (sizeof kTables / sizeof kTables[0])];
}

// Steps of a path split at "\" outside double-byte characters.
template <class Fn>
void ForEachStep(const LeadBytes& lead, std::string_view path, Fn fn) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (lead.Contains(static_cast<unsigned char>(path[i]))) {
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
    if (size == 0) return 0;

    const LeadBytes& lead = TableFor(data[0]);
    const std::string_view name(reinterpret_cast<const char*>(data + 1), size - 1);
    if (name.find('\0') != std::string_view::npos) return 0;
    const FolderPart folder = FolderOfTarget(lead, name);
    if (folder.found) IsRelativeFolder(lead, folder.folder);
    FolderLevels(lead, name);
    if (!IsSafeEntryName(lead, name)) return 0;

    const std::string target = TargetPath(lead, "C:\\dest", name);
    if (target.compare(0, 8, "C:\\dest\\") != 0) std::abort();
    const std::string_view rest = std::string_view(target).substr(8);
    if (rest.empty() || rest[0] == '\\' || rest.find(':') != std::string_view::npos) std::abort();
    ForEachStep(lead, rest, [&lead](std::string_view step) {
        size_t lastChar = std::string_view::npos;
        for (size_t i = 0; i < step.size(); i += (lead.Contains(static_cast<unsigned char>(step[i])) ? 2 : 1))
            lastChar = i;
        if (lastChar == std::string_view::npos || lead.Contains(static_cast<unsigned char>(step[lastChar]))) return;
        if (step[lastChar] == '.' || step[lastChar] == ' ') std::abort();  // "..", "." and "x." alike
    });
    return 0;
}
