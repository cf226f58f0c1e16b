// The focus cue of the picture-drawn controls, which draw everything
// themselves and so their focus too.
#pragma once

#include <windows.h>

namespace vx::picture {

// Whether the control shows its focus cue now: it has the focus, and its
// top-level window does not hide cues (it shows them once the keyboard has
// been used there).
bool ShowsFocusCue(HWND control);

// A one-pixel dotted rectangle (every other pixel) in one colour; unlike the
// system's inverting cue it comes out the same however often it is drawn.
void DrawDottedRect(HDC dc, const RECT& r, COLORREF colour);
// The same with each dot the inverse of the pixel under it, so it shows on
// any picture; for a buffer that is painted afresh each time.
void DrawInvertedDottedRect(HDC dc, const RECT& r);

}  // namespace vx::picture
