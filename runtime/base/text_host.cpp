// Native build: no system code page to ask; the program's texts are GBK.
#include "runtime/base/text.h"

namespace vx::text {

const LeadBytes& SystemLeadBytes() { return kGbkLeadBytes; }

}  // namespace vx::text
