// Run-time error report: optional handler, the fixed message box, the end.
#include <windows.h>

#include "runtime/base/errors.h"
#include "runtime/process/runtime_object.h"

namespace vx {

void ReportInMessageBox(const char* message, int32_t code) {
    RuntimeObject& rt = Runtime();
    rt.errorCounter++;
    bool handled = false;
    if (rt.errorHandler && !rt.errorHandlerRunning.exchange(true)) {
        handled = rt.errorHandler(code, message ? message : "") != 0;
        rt.errorHandlerRunning = false;
    }
    if (!handled) {
        std::string text = FormatErrorText(message, code);
        // No owner: the program's windows keep receiving messages meanwhile.
        MessageBoxA(nullptr, text.c_str(), "错误", MB_ICONERROR | MB_OK);
    }
    if (rt.runMode == 2) DebugBreak();
    rt.exitRoutine = nullptr;
    EndProgram(-1);
}

}  // namespace vx
