// Where a picture-drawn control's window goes and how it starts: what each
// control's creation record begins with.
#pragma once

#include <windows.h>

namespace vx::controls {

struct ChildPlace {
    HWND parent = nullptr;
    int left = 0, top = 0, width = 0, height = 0;
    DWORD style = 0;  // WS_DISABLED / WS_TABSTOP / WS_VISIBLE
    int controlId = 0;
    int dpi = 96;  // pictures and fonts are made for it (windows/system/dpi.h)
};

}  // namespace vx::controls
