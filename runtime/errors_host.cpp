// Host build: a run-time error becomes an exception, so that native tests of
// the portable code can observe it. The Windows build shows the message box.
#include <stdexcept>

#include "runtime/errors.h"

namespace vx {

void ReportError(const char* message, int32_t code) {
    throw RuntimeError(FormatErrorText(message, code), code);
}

}  // namespace vx
