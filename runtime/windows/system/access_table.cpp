#include "runtime/windows/system/access_table.h"

#include <span>
#include <vector>

namespace vx::windows {
namespace {

std::vector<std::span<const wt::UnitAccess>>& Tables() {
    static std::vector<std::span<const wt::UnitAccess>> tables;
    return tables;
}

}  // namespace

void RegisterUnitAccess(const wt::UnitAccess* entries, size_t count) {
    if (entries && count) Tables().emplace_back(entries, count);
}

const wt::UnitAccess* FindUnitAccess(uint32_t windowId, uint32_t unitId) {
    for (std::span<const wt::UnitAccess> table : Tables())
        for (const wt::UnitAccess& e : table)
            if (e.windowId == windowId && e.unitId == unitId) return &e;
    return nullptr;
}

}  // namespace vx::windows
