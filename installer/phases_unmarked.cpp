// The shipped installer notes no moments.
#include "installer/phases.h"

namespace vx::installer {
void MarkPhase(const char*) {}
}  // namespace vx::installer
