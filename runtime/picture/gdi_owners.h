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

}  // namespace vx::picture
