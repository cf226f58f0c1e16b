// The GDI handle owners under their names in the picture code, and a scoped
// selection of an object into a DC.
#pragma once

#include <windows.h>

#include "runtime/win32/handle_owner.h"

namespace vx::picture {

template <class Handle, class Release>
using Owner = NullEmptyOwner<Handle, Release>;
using vx::BitmapHandle;
using vx::DeleteGdiObject;
using vx::IconHandle;
using vx::MemoryDc;
using vx::RegionHandle;
using vx::ScreenDc;

// Selects an object into a DC and puts the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    bool ok() const { return old_ && old_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The header of a top-down 32-bit bitmap (rows from the top, blue, green,
// red, unused), as every DIB section of the controls and tests is made.
inline BITMAPINFO TopDownBitmapInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace vx::picture
