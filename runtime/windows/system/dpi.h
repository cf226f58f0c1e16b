// Scaling of the windows to the screen's DPI.
//
// Window templates are laid out in 96-DPI pixels ("template units"). A
// loaded window is shown at one DPI (the system's when it is built, the new
// monitor's after a move): its frame and units are created at their template
// geometry scaled to that DPI, fonts are made at the scaled height and
// pictures are resampled once when they are loaded, so painting and hit
// testing work in device pixels with nothing to convert.
//
// What the program itself sees stays in template units: the Left, Top, Width
// and Height properties (read and written) and the mouse coordinates of the
// runtime's mouse events are converted at the window system's boundary, so
// the installer's logic and stored values do not depend on the screen. At 96
// DPI every conversion is the identity and windows look as they always did.
#pragma once

#include <windows.h>

namespace vx::windows::dpi {

constexpr int kTemplateDpi = 96;

// Sent to a top-level window of a per-monitor aware program when it moves to
// a monitor of another DPI: new DPI in the low word of wParam, the suggested
// window rectangle in lParam. Newer than the headers' target version.
constexpr UINT kMsgDpiChanged = 0x02E0;

// The system DPI (the one the process was started with).
int SystemDpi();
// The DPI of the monitor a top-level window is on (per-monitor aware, from
// Windows 10 1607 on); the system DPI where the system cannot say.
int ForWindow(HWND hwnd);

// Template units to device pixels at `dpi`, and back; rounded to nearest.
inline int Scale(int value, int dpi) { return dpi == kTemplateDpi ? value : MulDiv(value, dpi, kTemplateDpi); }
inline int Unscale(int value, int dpi) { return dpi == kTemplateDpi ? value : MulDiv(value, kTemplateDpi, dpi); }

// A template font record made for `dpi`: its cell sizes scale.
inline LOGFONTA ScaledFont(LOGFONTA lf, int dpi) {
    lf.lfHeight = Scale(lf.lfHeight, dpi);
    lf.lfWidth = Scale(lf.lfWidth, dpi);
    return lf;
}

// The default GUI font at `dpi` (not owned, kept for the process): the stock
// font, which the system makes at its own DPI, or a copy scaled from it.
HFONT DefaultFont(int dpi);

}  // namespace vx::windows::dpi
