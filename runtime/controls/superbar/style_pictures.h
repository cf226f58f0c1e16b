// The bar's built-in style pictures: three styles of cells for the track,
// fill, thumb and arrow buttons, drawn here pixel by pixel, magenta
// transparent.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "runtime/controls/superbar/superbar_form.h"

namespace vx::controls {

struct CellSize {
    int width, height;
};

// Cell size of a group in style 1 to 3.
CellSize StyleCellSize(int style, BarGroup group);

// A new image list (owned by the caller) with the group's cells of that
// style: 16 cells for track, fill and thumb (state s holds cells 4s + slot),
// 8 for the arrow buttons (decrease states 0-3, then increase 4-7).
HIMAGELIST MakeStyleImageList(int style, BarGroup group);

}  // namespace vx::controls
