// The lead bytes of the system's ANSI code page, from the ranges the system
// itself reports (the pairs end at a zero pair).
#include <windows.h>

#include "runtime/base/text.h"

namespace vx::text {

const LeadBytes& SystemLeadBytes() {
    static const LeadBytes table = [] {
        LeadBytes lead;
        CPINFO info{};
        if (!GetCPInfo(CP_ACP, &info)) return lead;
        for (size_t i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
            lead.AddRange(info.LeadByte[i], info.LeadByte[i + 1]);
        return lead;
    }();
    return table;
}

}  // namespace vx::text
